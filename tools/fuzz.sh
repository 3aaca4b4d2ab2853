#!/bin/bash
# tools/fuzz.sh TARGET [SECONDS]: builds the fuzz tree with clang and runs one
# libFuzzer target (m3u_parse, play_length, capacity, load, tag, cli_options,
# outputs, copy, mp3_frames, id3v2) for SECONDS (default 60) on a copy of its
# starting corpus, so the repository's inputs stay as they were made. Findings are written as crash-*
# files in the run folder. The tree is $VOLTRAK_FUZZ_BUILD, by default
# $VOLTRAK_BUILD/fuzz.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

target=${1:?usage: tools/fuzz.sh TARGET [SECONDS]}
seconds=${2:-60}
seeds=$VOLTRAK_ROOT/fuzz/corpus/$target
[ -d "$seeds" ] || { echo "fuzz.sh: no target $target (no $seeds)" >&2; exit 2; }

ensure_packages || exit 1
dir=$VOLTRAK_FUZZ_BUILD
configure_fuzz || exit 1
cmake --build "$dir" -j "$VOLTRAK_JOBS" --target "fuzz_$target"

run=$dir/runs/$target
mkdir -p "$run"
rm -rf "$run/corpus"
cp -r "$seeds" "$run/corpus"
cd "$run"
exec "$dir/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 corpus
