#!/usr/bin/env bash
# The main job on the built-in demo machine: builds the program, makes the
# demo machine's disk images on first use, then duplicates its system disk
# (Disk0) onto its blank disk (Disk1), basic with automatic sizes, and lists
# both disks. The run works on a fresh copy of the images (build/demo-run),
# so demo/images stay as they were and the next run starts from a blank
# Disk1 again. Extra arguments are passed to vektrel-cli on demo/demo.ini
# instead of the default run; "oneclick" runs the unattended One Click Copy
# on demo/demo-oneclick.ini instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh native >&2
cmake -S . -B build -G Ninja >/dev/null
ninja -C build vektrel-cli vektrel-mkimage language_files >/dev/null
build/bin/vektrel-mkimage demo demo/images
if [ "${1:-}" = oneclick ]; then
  # The unattended One Click Copy on demo/demo-oneclick.ini, whose second
  # disk carries the mark: the 20-second countdown, then the copy.
  run=build/demo-oneclick-run
  rm -rf "$run"
  mkdir -p "$run"
  cp demo/demo-oneclick.ini "$run/"
  cp -a --sparse=always demo/images "$run/"
  cli=(build/bin/vektrel-cli --machine "$run/demo-oneclick.ini")
  echo "== vektrel /B ONECLICK: the countdown, then Disk0 onto the marked Disk1"
  status=0
  "${cli[@]}" --yes start --args "/B ONECLICK" || status=$?
  echo
  echo "== both disks after the clone"
  "${cli[@]}" disks
  exit "$status"
fi
if [ $# -gt 0 ]; then
  exec build/bin/vektrel-cli --machine demo/demo.ini "$@"
fi

run=build/demo-run
rm -rf "$run"
mkdir -p "$run"
cp demo/demo.ini "$run/"
# The images are sparse: a copy keeps their holes and takes a moment.
cp -a --sparse=always demo/images "$run/"
cli=(build/bin/vektrel-cli --machine "$run/demo.ini")

echo "== the demo machine: Disk0 holds Windows, Disk1 is blank"
"${cli[@]}" disks
echo
echo "== duplicate Disk0 onto Disk1 (basic, automatic sizes)"
status=0
"${cli[@]}" --yes duplicate --source 0 --dest 1 --mode basic --expand auto || status=$?
echo
echo "== both disks after the clone"
"${cli[@]}" disks
exit "$status"
