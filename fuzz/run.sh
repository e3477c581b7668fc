#!/usr/bin/env bash
# Builds the fuzz target with clang++ in build-fuzz and fuzzes for the given number of
# seconds (default 60) with one worker (further arguments go to libFuzzer), starting from the seed corpus and from what earlier
# runs kept in build-fuzz/corpus. Any crash, leak, timeout or failed check ends it with a
# non-zero status and leaves the input in build-fuzz/artifacts.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
shift || true
build="$root/build-fuzz"
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DINTERSECCAO_FUZZ=ON -DINTERSECCAO_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target interseccao_fuzzer
"$root/fuzz/seeds.sh" "$build/seeds"
mkdir -p "$build/corpus" "$build/artifacts"
cd "$build"
exec ./fuzz/interseccao_fuzzer corpus seeds -dict="$root/fuzz/observations.dict" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix=artifacts/ -print_final_stats=1 "$@"
