#!/usr/bin/env bash
# Throughput of the file copy (vektrel-cli copy on a simulated PC with a
# real clock, its drives host folders) on a tree of mixed files: many small
# documents, middling pictures and a few large files in nested folders, as
# a ratio to cp -a of the same tree, counted until its data is on the disk.
# Each run starts with nothing of the tree in the page cache, cp and the
# program take turns, and each figure is the best of ROUNDS runs (3 by
# default), cp's as well. Not a test: it prints numbers and always exits 0
# once it ran.
#
#   bash bench/filecopy.sh [FOLDER] [ROUNDS]   (default: $TMPDIR or /tmp, 3)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
folder=${1:-${TMPDIR:-/tmp}}
rounds=${2:-3}
cmake -S . -B build -G Ninja >/dev/null
ninja -C build vektrel-cli language_files >/dev/null
cli=$root/build/bin/vektrel-cli

work=$(mktemp -d "$folder/vektrel-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

. "$root/bench/bench_lib.sh"

mkdir -p c/tree e
for d in $(seq 1 20); do
  mkdir -p "c/tree/folder$d/sub"
  for f in $(seq 1 100); do head -c $((1024 + (f * 37 % 60) * 1024)) /dev/urandom > "c/tree/folder$d/doc$f.txt"; done
  for f in $(seq 1 10); do head -c $((1024 * 1024 + f * 65536)) /dev/urandom > "c/tree/folder$d/sub/picture$f.jpg"; done
done
for f in 1 2 3 4; do head -c $((64 * 1024 * 1024)) /dev/urandom > "c/tree/large$f.bin"; done
tree_bytes=$(du -sb c/tree | cut -f1)
files=$(find c/tree -type f | wc -l)
echo "vektrel file copy throughput in $folder"
echo

cat > pc.ini <<INI
[machine]
program = X:\\vektrel.exe
windows = X:\\Windows
clock = real

[drive]
letter = C
files = c

[drive]
letter = E
files = e
INI
# cp and the program take turns, so that a slow spell of the disk falls on
# both alike.
cp_time="" copy="" result=""
for round in $(seq "$rounds"); do
  drop_cache c/tree
  # Until the copy is on the disk, as the program's is when it reports: a
  # sync of the whole file system (sync FOLDER would flush the folder's own
  # entry and leave the files' data in the cache).
  sync
  t0=$(now); cp -a c/tree tree-copy; sync; t1=$(now)
  cp_time=$(least "$cp_time" "$(seconds "$t0" "$t1")")
  rm -rf tree-copy e && mkdir e
  drop_cache c/tree
  json=$("$cli" --machine pc.ini --json copy --source 'C:\tree' --dest 'E:\' 2>/dev/null || true)
  result=$(echo "$json" | grep -o '"result":"[A-Za-z]*"' | cut -d'"' -f4)
  ms=$(echo "$json" | grep -o '"milliseconds":[0-9]*' | cut -d: -f2)
  copy=$(least "$copy" "$(secs "${ms:-0}")")
done
printf '%-34s %s  (%s s, %s files)\n' "cp -a" "$(rate "$cp_time" "$tree_bytes")" "$cp_time" "$files"
diff -r c/tree e/tree >/dev/null || echo "warning: the copy differs from its source"
printf '%-34s %s  ratio %5s  (goal 0.8; %s)\n' "vektrel file copy" "$(rate "$copy" "$tree_bytes")" \
  "$(ratio "$cp_time" "$copy")" "${result:-no result}"
