#!/bin/bash
# tools/fuzz.sh TARGET [SECONDS]: builds the fuzz tree with clang and runs one
# libFuzzer target (m3u_parse, play_length, capacity, load) for SECONDS
# (default 60) on a copy of its starting corpus, so the repository's inputs stay
# as they were made. Findings are written as crash-* files in the run folder.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

target=${1:?usage: tools/fuzz.sh TARGET [SECONDS]}
seconds=${2:-60}
seeds=$VOLTRAK_ROOT/fuzz/corpus/$target
[ -d "$seeds" ] || { echo "fuzz.sh: no target $target (no $seeds)" >&2; exit 2; }

if ! command -v clang++-14 >/dev/null || [ ! -d /usr/lib/llvm-14/lib/clang ]; then
  as_root apt-get install -y -qq clang-14 libclang-rt-14-dev >/dev/null
fi
dir=$VOLTRAK_BUILD/fuzz
CC=clang-14 CXX=clang++-14 cmake -S "$VOLTRAK_ROOT" -B "$dir" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOLTRAK_FUZZ=ON -DBUILD_TESTING=OFF >"$dir.configure.log" 2>&1 ||
  { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" -j "$VOLTRAK_JOBS" --target "fuzz_$target"

run=$dir/runs/$target
mkdir -p "$run"
rm -rf "$run/corpus"
cp -r "$seeds" "$run/corpus"
cd "$run"
exec "$dir/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 corpus
