#!/usr/bin/env bash
# usage: scripts/fuzz.sh [SECONDS [SEED]]
#
# Builds the fuzz targets with clang's libFuzzer and sanitizers, replays
# every kept regression input (tests/fuzz/regressions/TARGET/), then fuzzes
# each target from its seed inputs for SECONDS (default 20).
#
# With a SEED (or FUZZ_SEED in the environment) the run is repeatable: a
# fresh corpus made from the seed inputs, libFuzzer's -seed, and at most a
# fixed number of inputs per second given, so a slower machine tries a part
# of the same inputs, never others. scripts/test.sh runs it that way, so CI
# never fails by chance. Without one (a long run to find new faults) the
# seed is random and the corpus in build-fuzz/corpus/ grows from run to run.
#
# A crash fails the run and leaves its input in build-fuzz/crash-TARGET-*:
# fix the cause and keep the input under tests/fuzz/regressions/TARGET/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
seed=${2:-${FUZZ_SEED:-}}
case "$seconds$seed" in
  *[!0-9]*) echo "usage: scripts/fuzz.sh [SECONDS [SEED]] (whole numbers)" >&2; exit 2 ;;
esac
# Inputs per second of a repeatable run: below what each target manages on
# one core, so that the time limit is only a guard.
runs_per_second=1000

bash scripts/setup.sh fuzz native
cmake -S . -B build-fuzz -G Ninja -DVEKTREL_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
ninja -C build-fuzz partition_reader_fuzz layout_edit_fuzz fuzz_seeds
for target in partition_reader layout_edit; do
  fuzzer=build-fuzz/bin/${target}_fuzz
  regressions=tests/fuzz/regressions/$target
  if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
    echo "== $target: replaying $(ls "$regressions" | wc -l) regression inputs"
    if ! "$fuzzer" "$regressions"/* >"build-fuzz/replay-$target.log" 2>&1; then
      cat "build-fuzz/replay-$target.log"
      exit 1
    fi
  fi
  limits=(-max_total_time="$seconds")
  if [ -n "$seed" ]; then
    corpus=build-fuzz/corpus-seeded/$target
    rm -rf "$corpus"
    limits+=(-seed="$seed" -runs=$((seconds * runs_per_second)))
    echo "== $target: fuzzing for at most $seconds s, seed $seed"
  else
    corpus=build-fuzz/corpus/$target
    echo "== $target: fuzzing for $seconds s, random seed"
  fi
  mkdir -p "$corpus"
  build-fuzz/bin/fuzz_seeds "$corpus"
  (cd build-fuzz && "bin/${target}_fuzz" "${limits[@]}" -print_final_stats=1 \
     -artifact_prefix="$PWD/crash-$target-" "${corpus#build-fuzz/}" 2>&1 | tail -n 12)
done
