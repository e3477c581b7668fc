#!/usr/bin/env bash
# Builds the Debian package, installs it with dpkg, runs the installed program on the installed
# examples and compares each report and console with the ones the tests expect, checks
# `interseccao --version` and the installed man page, guide and examples, then removes the
# package and checks that its files are gone. Needs root (dpkg -i); run on a machine where the
# package is not installed yet.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${BUILD:-build}

fail() { echo "check-package: $*" >&2; exit 1; }

[ "$(id -u)" = 0 ] || fail "must run as root (dpkg -i)"
if dpkg-query -W -f='${Status}' interseccao 2>/dev/null | grep -q 'installed'; then
    fail "the package interseccao is already installed; remove it first (dpkg -r interseccao)"
fi

make package BUILD="$build"
shopt -s nullglob
debs=("$build"/interseccao_*.deb)
[ ${#debs[@]} = 1 ] || fail "expected one package in $build, found ${#debs[@]}"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
echo "check-package: $deb (version $version)"
echo "check-package: depends on: $(dpkg-deb -f "$deb" Depends)"
dpkg-deb -f "$deb" Depends | grep -q 'libc6' || fail "the package does not depend on libc6"

work=$(mktemp -d)
installed=no
cleanup() {
    if [ "$installed" = yes ]; then dpkg -r interseccao >/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

# Minimal images may exclude documentation from installs; these files are the point here.
dpkg --path-include='/usr/share/doc/interseccao/*' --path-include='/usr/share/man/man1/interseccao.1.gz' \
    -i "$deb"
installed=yes

program=$(command -v interseccao) || fail "interseccao is not on the PATH after install"
[ "$program" = /usr/bin/interseccao ] || fail "interseccao found at $program, expected /usr/bin/interseccao"
[ "$(interseccao --version)" = "interseccao $version" ] || fail "--version prints '$(interseccao --version)'"
interseccao --help | grep -q '^Uso: interseccao' || fail "--help prints no usage"

doc=/usr/share/doc/interseccao
for f in /usr/share/man/man1/interseccao.1.gz "$doc/guia.md" "$doc/README.md" \
    /usr/share/interseccao/interseccao.html; do
    [ -s "$f" ] || fail "$f is missing"
done
cmp -s /usr/share/interseccao/interseccao.html "${WEB_PAGE:-build-web/interseccao.html}" ||
    fail "the installed web page is not the page make web built"
zcat /usr/share/man/man1/interseccao.1.gz | grep -q '^\.TH INTERSECCAO 1' || fail "the man page has no title line"
if command -v groff >/dev/null; then
    warnings=$(zcat /usr/share/man/man1/interseccao.1.gz | groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || fail "groff warns about the man page: $warnings"
fi

# Every example and error example is installed unchanged.
(cd examples && find . -type f) | while read -r f; do
    cmp -s "examples/$f" "$doc/examples/$f" || fail "$doc/examples/$f differs from examples/$f"
done

# The installed program on each installed survey example: console and report as the tests
# expect them, with the answers of the matching test case typed on standard input.
for unit in gc gs gr; do
    case_dir=$root/tests/cases/$unit-survey-height
    run=$work/$unit
    mkdir "$run"
    cp "$doc/examples/levantamento-$unit.txt" "$run/obs.txt"
    (cd "$run" && interseccao <"$case_dir/answers.txt" >console.txt 2>errors.txt) ||
        fail "$unit: exit status $?"
    [ ! -s "$run/errors.txt" ] || fail "$unit: errors: $(cat "$run/errors.txt")"
    cmp "$run/console.txt" "$case_dir/expected-console.txt" || fail "$unit: console differs"
    cmp "$run/rel.txt" "$case_dir/expected-report.txt" || fail "$unit: report differs"
    echo "check-package: $unit example: console and report as expected"
done

files=$(dpkg -L interseccao | while read -r f; do [ -f "$f" ] && echo "$f"; done)
dpkg -r interseccao
installed=no
dpkg-query -W -f='${Status}' interseccao 2>/dev/null | grep -q 'installed' &&
    fail "interseccao is still installed after dpkg -r"
for f in $files; do
    [ ! -e "$f" ] || fail "$f is still there after dpkg -r"
done
[ ! -e "$doc" ] || fail "$doc is still there after dpkg -r"
hash -r
! command -v interseccao >/dev/null || fail "interseccao is still on the PATH after dpkg -r"
echo "check-package: installed, ran and removed cleanly"
