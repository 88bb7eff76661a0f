#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and sanitizers, replays the
# kept regression inputs, then fuzzes each target for a while (seconds,
# default 20). A crash fails the run; its input is left in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
bash scripts/setup.sh fuzz native
cmake -S . -B build-fuzz -G Ninja -DVEKTREL_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
ninja -C build-fuzz partition_reader_fuzz layout_edit_fuzz fuzz_seeds
for target in partition_reader layout_edit; do
  corpus=build-fuzz/corpus/$target
  regressions=tests/fuzz/regressions/$target
  mkdir -p "$corpus"
  build-fuzz/bin/fuzz_seeds "$corpus"
  if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
    echo "== $target: replaying regression inputs"
    build-fuzz/bin/${target}_fuzz "$regressions"/*
  fi
  echo "== $target: fuzzing for $seconds s"
  (cd build-fuzz && bin/${target}_fuzz -max_total_time="$seconds" -print_final_stats=1 \
     -artifact_prefix="$PWD/crash-$target-" "corpus/$target" 2>&1 | tail -n 12)
done
