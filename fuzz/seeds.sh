#!/usr/bin/env bash
# Writes the seed corpus into the folder given: every example file with the answers
# "obs.txt", "rel.txt", "S", and every end-to-end case with its own answers, each laid out
# as the fuzz target reads it (answers, a NUL byte, the observation file).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$1"
mkdir -p "$out"
for example in "$root"/examples/*.txt; do
    { printf 'obs.txt\nrel.txt\nS\n\0'; cat "$example"; } >"$out/example-$(basename "$example" .txt)"
done
for case in "$root"/tests/cases/*/; do
    name="$(basename "$case")"
    { cat "$case/answers.txt"; printf '\0'; cat "$case/obs.txt"; } >"$out/case-$name"
done
