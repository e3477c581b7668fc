#!/usr/bin/env bash
# Writes the seed corpus of a fuzz target into the folder given. For the dialogue (the
# default): every example file with the answers "obs.txt", "rel.txt", "S", and every
# end-to-end case with its own answers, each laid out as the fuzz target reads it (answers, a
# NUL byte, the observation file). For the command line ("command-line"): every observation
# file of the examples and of the end-to-end and command-line cases, as it is.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$1"
target="${2:-dialogue}"
mkdir -p "$out"
if [ "$target" = command-line ]; then
    n=0
    for file in "$root"/examples/*.txt "$root"/examples/*/*.txt "$root"/tests/cases/*/obs.txt \
        "$root"/tests/cli-cases/*/*.txt; do
        case "$file" in *expected* | */args.txt) continue ;; esac
        n=$((n + 1))
        cp "$file" "$out/seed-$n"
    done
    exit 0
fi
for example in "$root"/examples/*.txt "$root"/examples/*/*.txt; do
    { printf 'obs.txt\nrel.txt\nS\n\0'; cat "$example"; } >"$out/example-$(basename "$(dirname "$example")")-$(basename "$example" .txt)"
done
# A case names its observation file in its first answer; the fuzz target calls it obs.txt.
# A case without answers is its observation file after no answers at all.
for case in "$root"/tests/cases/*/; do
    name="$(basename "$case")"
    if [ ! -s "$case/answers.txt" ]; then
        { printf '\0'; cat "$case/obs.txt"; } >"$out/case-$name"
        continue
    fi
    observations="$case/$(head -n 1 "$case/answers.txt" | tr -d '\r')"
    [ -f "$observations" ] || continue
    { printf 'obs.txt\n'; tail -n +2 "$case/answers.txt"; printf '\0'; cat "$observations"; } >"$out/case-$name"
done
