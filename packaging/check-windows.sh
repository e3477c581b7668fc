#!/usr/bin/env bash
# Checks the Windows zip that `make windows` made: its files (the program, the examples
# unchanged, the guide as one self-contained UTF-8 HTML page, LEIA-ME.txt with CR LF line ends),
# that the program needs no DLL beyond Windows' own, and then runs the program from the zip under
# Wine on every end-to-end case of tests/cases, with the typed answers on standard input, and
# compares console, report, errors and exit status byte for byte with the expected ones.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${WINDOWS_BUILD:-build-windows}
run="$root/cmake/wine-run.sh"

fail() { echo "check-windows: $*" >&2; exit 1; }

version=$(sed -n 's/^project(interseccao VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip=$build/interseccao-$version-win64.zip
[ -f "$zip" ] || fail "$zip is missing; run make windows"

work=$(mktemp -d)
# One Wine server for every run below, kept until the end: on a loaded machine a run that
# started while the server of the run before was shutting down ended at random with status 1.
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
"$run" --version >/dev/null 2>&1 || true # makes the prefix where there is none yet
"$wineserver" -w 2>/dev/null || true
"$wineserver" -p 2>/dev/null || true
trap 'rm -rf "$work"; "$wineserver" -k 2>/dev/null || true' EXIT
unzip -q "$zip" -d "$work"
top=$work/interseccao-$version-win64
[ -d "$top" ] || fail "the zip has no folder interseccao-$version-win64"

# What is in the zip, and nothing else.
expected=$( (echo interseccao.exe; echo interseccao.html; echo LEIA-ME.txt; echo guia.html
             cd examples && find . -type f | sed 's|^\./|examples/|') | sort)
actual=$(cd "$top" && find . -type f | sed 's|^\./||' | sort)
[ "$actual" = "$expected" ] || fail "unexpected files in the zip:
$(diff <(echo "$expected") <(echo "$actual") || true)"
(cd examples && find . -type f) | while read -r f; do
    cmp -s "examples/$f" "$top/examples/$f" || fail "examples/$f differs in the zip"
done

# LEIA-ME.txt: every line ends with CR LF, and it says how to start the program.
leia=$top/LEIA-ME.txt
[ "$(tr -cd '\n' <"$leia" | wc -c)" = "$(grep -c $'\r$' "$leia")" ] ||
    fail "LEIA-ME.txt has a line without CR LF"
grep -q 'interseccao.exe' "$leia" || fail "LEIA-ME.txt does not name interseccao.exe"
# The web page comes first: it needs no console and works on any computer.
first=$(grep -o -m1 -E 'interseccao\.(exe|html)' "$leia")
[ "$first" = interseccao.html ] || fail "LEIA-ME.txt names $first before interseccao.html"
cmp -s "$top/interseccao.html" "${WEB_PAGE:-build-web/interseccao.html}" ||
    fail "interseccao.html in the zip is not the page make web built"

# The guide: one UTF-8 page that loads nothing from elsewhere.
guide=$top/guia.html
grep -qi '<meta charset="utf-8"' "$guide" || fail "guia.html does not say it is UTF-8"
iconv -f UTF-8 -t UTF-8 "$guide" >/dev/null || fail "guia.html is not valid UTF-8"
grep -q 'Mensagens e o que fazer' "$guide" || fail "guia.html lacks the guide's sections"
! grep -Eqi '<(link|script|img)[^>]*(href|src)="(https?:)?//' "$guide" ||
    fail "guia.html loads files from elsewhere"

# The program: a 64-bit Windows console program that needs only Windows' own DLLs.
program=$top/interseccao.exe
objdump=x86_64-w64-mingw32-objdump
$objdump -f "$program" | grep -q 'file format pei-x86-64' || fail "interseccao.exe is not 64-bit"
dlls=$($objdump -p "$program" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
for dll in $dlls; do
    case $dll in
        kernel32.dll | msvcrt.dll | shell32.dll | user32.dll | advapi32.dll | api-ms-win-*) ;;
        *) fail "interseccao.exe needs $dll beside it" ;;
    esac
done
echo "check-windows: zip $zip: program, guide, LEIA-ME.txt and examples as expected"
echo "check-windows: interseccao.exe needs only: $(echo $dlls)"

[ "$("$run" "$program" --version)" = "interseccao $version" ] || fail "--version differs"
"$run" "$program" --help | grep -q '^Uso: interseccao' || fail "--help prints no usage"

# Every end-to-end case, run as a process from its own folder.
count=0
for case_dir in tests/cases/*/; do
    name=$(basename "$case_dir")
    dir=$work/cases/$name
    mkdir -p "$dir"
    for f in "$case_dir"*; do
        base=$(basename "$f")
        case $base in answers.txt | expected-*) ;; *) cp "$f" "$dir/" ;; esac
    done
    status=0
    (cd "$dir" && "$run" "$program" <"$root/$case_dir/answers.txt" >"$work/console" 2>"$work/errors") ||
        status=$?
    want=0
    [ -f "$case_dir/expected-errors.txt" ] && want=2
    [ "$status" = "$want" ] || fail "$name: exit status $status, expected $want"
    cmp -s "$work/console" "$case_dir/expected-console.txt" || fail "$name: console differs"
    if [ -f "$case_dir/expected-errors.txt" ]; then
        cmp -s "$work/errors" "$case_dir/expected-errors.txt" || fail "$name: errors differ"
    else
        [ ! -s "$work/errors" ] || fail "$name: unexpected errors: $(cat "$work/errors")"
    fi
    if [ -f "$case_dir/expected-report.txt" ]; then
        cmp -s "$dir/rel.txt" "$case_dir/expected-report.txt" || fail "$name: report differs"
    else
        [ ! -e "$dir/rel.txt" ] || fail "$name: a report was written"
    fi
    for f in "$case_dir"*; do
        base=$(basename "$f")
        case $base in answers.txt | expected-*) ;;
            *) cmp -s "$f" "$dir/$base" || fail "$name: $base was changed" ;;
        esac
    done
    count=$((count + 1))
done
echo "check-windows: $count cases: console, report, errors and exit status as on Linux"
