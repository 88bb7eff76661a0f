#!/usr/bin/env bash
# The main job on the built-in demo machine: builds the program, makes the
# demo machine's disk images on first use and runs the console program on
# it. Extra arguments are passed to vektrel-cli instead of the default run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh native >&2
cmake -S . -B build -G Ninja >/dev/null
ninja -C build vektrel-cli vektrel-mkimage language_files >/dev/null
build/bin/vektrel-mkimage demo demo/images
cli=(build/bin/vektrel-cli --machine demo/demo.ini)
if [ $# -gt 0 ]; then
  exec "${cli[@]}" "$@"
fi
echo "== start-up values"
"${cli[@]}" info
echo
echo "== disks and partitions"
"${cli[@]}" disks
