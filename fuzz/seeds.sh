#!/usr/bin/env bash
# Writes the seed corpus into the folder given: every example file with the answers
# "obs.txt", "rel.txt", "S", and every end-to-end case with its own answers, each laid out
# as the fuzz target reads it (answers, a NUL byte, the observation file).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$1"
mkdir -p "$out"
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
