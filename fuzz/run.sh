#!/usr/bin/env bash
# Builds the fuzz targets with clang++ in build-fuzz and fuzzes one of them for the given
# number of seconds (default 60) with one worker (further arguments go to libFuzzer), starting
# from its seed corpus and from what earlier runs kept in build-fuzz/corpus (or
# build-fuzz/corpus-command-line). FUZZ_TARGET chooses the target: "dialogue" (the default),
# whole runs of the dialogue on typed answers and a file, or "command-line", whole runs of the
# command line with the analysis, the drawing, the list and the JSON. Any crash, leak, timeout
# or failed check ends it with a non-zero status and leaves the input in build-fuzz/artifacts.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
shift || true
target="${FUZZ_TARGET:-dialogue}"
build="$root/build-fuzz"
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DINTERSECCAO_FUZZ=ON -DINTERSECCAO_TESTS=OFF >/dev/null
case "$target" in
dialogue) program=interseccao_fuzzer corpus=corpus seeds=seeds ;;
command-line) program=interseccao_command_line_fuzzer corpus=corpus-command-line seeds=seeds-command-line ;;
*) echo "FUZZ_TARGET is dialogue or command-line, not $target" >&2; exit 2 ;;
esac
cmake --build "$build" -j2 --target "$program"
"$root/fuzz/seeds.sh" "$build/$seeds" "$target"
mkdir -p "$build/$corpus" "$build/artifacts"
cd "$build"
# The time-out reports an input that takes more than about 100 ms in the release build. This
# build (sanitizers and coverage) is slower: inputs that spend their time in the precision
# searches, the slow ones the fuzzer finds, took 18 to 40 times as long here as in the release
# build (about 30 on most), so 3 s. Large networks run up to 80 times slower here, but within
# max_len they stay far below it. To find the slowest inputs and their release times:
# build/bench/interseccao_replay build-fuzz/corpus | head
exec "./fuzz/$program" "$corpus" "$seeds" -dict="$root/fuzz/observations.dict" \
    -max_total_time="$seconds" -timeout=3 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix=artifacts/ -print_final_stats=1 "$@"
