#!/usr/bin/env bash
# Throughput of the duplication, through vektrel-cli on a simulated PC with a
# real clock:
#  - a sector-by-sector copy of an image disk (2 GiB by default) onto another,
#    as a ratio to dd copying the same image with 1 MiB direct transfers;
#  - its verify pass, as a ratio to dd reading both images with direct
#    transfers;
#  - a basic (file-level) copy of a volume holding a tree of mixed files, as a
#    ratio to cp -a of the same tree (with a sync, as the copy is on the disk
#    when the program reports): the copy of the files, and the whole run.
# Each run starts with nothing of its data in the page cache, and each
# figure is the best of ROUNDS runs (3 by default), dd's and cp's as well,
# so that other work on the machine weighs less. Not a test: it prints
# numbers and always exits 0 once it ran.
#
#   bash bench/duplicate.sh [FOLDER] [GIB] [ROUNDS]   (default: $TMPDIR or /tmp, 2, 3)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
folder=${1:-${TMPDIR:-/tmp}}
gib=${2:-2}
rounds=${3:-3}
cmake -S . -B build -G Ninja >/dev/null
ninja -C build vektrel-cli vektrel-mkimage language_files >/dev/null
cli=$root/build/bin/vektrel-cli
mkimage=$root/build/bin/vektrel-mkimage

work=$(mktemp -d "$folder/vektrel-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
bytes=$((gib * 1024 * 1024 * 1024))
mib=$((gib * 1024))

. "$root/bench/bench_lib.sh"

direct_w="oflag=direct"
direct_r="iflag=direct"
if ! dd if=/dev/zero of=probe bs=1M count=1 oflag=direct status=none 2>/dev/null; then
  direct_w="conv=fsync"
  direct_r=""
  echo "note: $folder refuses O_DIRECT; dd writes with conv=fsync and reads from a dropped cache"
fi
rm -f probe

cat > sector.ini <<INI
[machine]
clock = real

[disk]
image = source.img
model = Bench Source

[disk]
image = target.img
model = Bench Target
INI

# The source: data to the last sector (random, so that nothing is cheaper
# than on a disk); the target written once, so that every figure writes
# over allocated blocks.
dd if=/dev/urandom of=source.img bs=1M count="$mib" status=none
dd if=/dev/zero of=target.img bs=1M count="$mib" conv=fsync status=none
io=$("$cli" --machine sector.ini --json info | grep -o '"DiskIo":"[a-z]*"' | head -1 | cut -d'"' -f4)
echo "vektrel duplication throughput in $folder (disk I/O: $io)"
echo
echo "== sector copy of a $gib GiB disk"

dd_copy="" dd_read2="" copy="" verify=""
for round in $(seq "$rounds"); do
  drop_cache source.img target.img
  t0=$(now); dd if=source.img of=target.img bs=1M $direct_r $direct_w conv=notrunc status=none; t1=$(now)
  dd_copy=$(least "$dd_copy" "$(seconds "$t0" "$t1")")
  drop_cache source.img target.img
  t0=$(now)
  dd if=source.img of=/dev/null bs=1M $direct_r status=none
  dd if=target.img of=/dev/null bs=1M $direct_r status=none
  t1=$(now)
  dd_read2=$(least "$dd_read2" "$(seconds "$t0" "$t1")")
  dd if=/dev/zero of=target.img bs=1M count="$mib" conv=notrunc,fsync status=none
  drop_cache source.img target.img
  ms=$("$cli" --machine sector.ini --yes --json duplicate --source 0 --dest 1 --mode sector 2>/dev/null | millis)
  copy=$(least "$copy" "$(secs "$ms")")
  cmp -s source.img target.img || echo "warning: the clone differs from its source"
  drop_cache source.img target.img
  ms=$("$cli" --machine sector.ini --yes --json duplicate --source 0 --dest 1 --mode sector --verify 2>/dev/null |
       grep -o '"verifyMilliseconds":[0-9]*' | cut -d: -f2)
  verify=$(least "$verify" "$(secs "$ms")")
done
printf '%-34s %s  (%s s)\n' "dd copy (bs=1M $direct_r $direct_w)" "$(rate "$dd_copy" "$bytes")" "$dd_copy"
printf '%-34s %s  (%s s)\n' "dd read of both images" "$(rate "$dd_read2" $((2 * bytes)))" "$dd_read2"
printf '%-34s %s  ratio %5s  (goal 1.0)\n' "vektrel sector copy" "$(rate "$copy" "$bytes")" "$(ratio "$dd_copy" "$copy")"
printf '%-34s %s  ratio %5s  (goal 0.8)\n' "vektrel verify pass" "$(rate "$verify" $((2 * bytes)))" \
  "$(ratio "$dd_read2" "$verify")"

echo
echo "== basic copy of a tree of mixed files"
# Small documents, middling pictures and a few large files, in nested folders.
mkdir -p tree
for d in $(seq 1 20); do
  mkdir -p "tree/folder$d/sub"
  for f in $(seq 1 100); do head -c $((1024 + (f * 37 % 60) * 1024)) /dev/urandom > "tree/folder$d/doc$f.txt"; done
  for f in $(seq 1 10); do head -c $((1024 * 1024 + f * 65536)) /dev/urandom > "tree/folder$d/sub/picture$f.jpg"; done
done
for f in 1 2 3 4; do head -c $((64 * 1024 * 1024)) /dev/urandom > "tree/large$f.bin"; done
tree_bytes=$(du -sb tree | cut -f1)
file_count=$(find tree -type f | wc -l)

volume_mib=$((tree_bytes / 1048576 * 2 + 256))
"$mkimage" make basic-source.img --size $((volume_mib + 2))MiB --mbr 0x5EC7B1B1 \
  --part 2048:$((volume_mib * 2048)):07:NTFS >/dev/null
cat > basic.ini <<INI
[machine]
clock = real
files = volumes

[disk]
image = basic-source.img
model = Bench Source

[disk]
image = basic-target.img
model = Bench Target

[volume]
disk = 0
start = 2048
files = tree
INI
# cp and the program take turns, so that a slow spell of the disk falls on
# both alike.
cp_time="" basic="" files="" result=""
for round in $(seq "$rounds"); do
  drop_cache tree
  # Until the copy is on the disk, as the program's is when it reports: a
  # sync of the whole file system (sync FOLDER flushes only the folder).
  sync
  t0=$(now); cp -a tree tree-copy; sync; t1=$(now)
  cp_time=$(least "$cp_time" "$(seconds "$t0" "$t1")")
  rm -rf tree-copy
  rm -f basic-target.img
  truncate -s $((volume_mib + 2))M basic-target.img
  rm -rf volumes
  drop_cache tree
  json=$("$cli" --machine basic.ini --yes --json duplicate --source 0 --dest 1 --mode basic 2>/dev/null || true)
  result=$(echo "$json" | grep -o '"result":"[A-Za-z_]*"' | cut -d'"' -f4)
  basic=$(least "$basic" "$(secs "$(echo "$json" | millis)")")
  files=$(least "$files" "$(secs "$(echo "$json" | grep -o '"copyMilliseconds":[0-9]*' | cut -d: -f2)")")
done
printf '%-34s %s  (%s s, %s files)\n' "cp -a" "$(rate "$cp_time" "$tree_bytes")" "$cp_time" "$file_count"
# The copy of the files against cp -a; the whole run adds making the
# partition table and formatting, which take the same time whatever the data.
printf '%-34s %s  ratio %5s  (goal 0.8; %s)\n' "vektrel basic copy, the files" \
  "$(rate "$files" "$tree_bytes")" "$(ratio "$cp_time" "$files")" "${result:-no result}"
printf '%-34s %s  ratio %5s  (layout, format and files: %s s)\n' "vektrel basic copy, the whole run" \
  "$(rate "$basic" "$tree_bytes")" "$(ratio "$cp_time" "$basic")" "$basic"
