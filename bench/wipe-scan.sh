#!/usr/bin/env bash
# Throughput of the wipe (a zero pass and a random pass) and of the
# bad-sector scan on an image (2 GiB by default), through vektrel-cli on a
# simulated PC with a real clock, as a ratio to dd on the same file with
# 1 MiB direct transfers. Not a test: it prints numbers and always exits 0
# once it ran.
#
#   bash bench/wipe-scan.sh [FOLDER] [GIB]     (default: $TMPDIR or /tmp, 2)
#
# The program's transfers are uncached, as on Windows: the simulated disk
# writes and reads its image with direct I/O where the folder's file
# system allows it (otherwise with a data sync before each write returns),
# so its figures and dd's both count the way to the device. The disk I/O
# mode is printed first; the scan starts with nothing of the image in the
# page cache.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
folder=${1:-${TMPDIR:-/tmp}}
gib=${2:-2}
cmake -S . -B build -G Ninja >/dev/null
ninja -C build vektrel-cli language_files >/dev/null
cli=$root/build/bin/vektrel-cli

work=$(mktemp -d "$folder/vektrel-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
bytes=$((gib * 1024 * 1024 * 1024))
cat > machine.ini <<INI
[machine]
clock = real

[disk]
image = disk.img
size = ${gib}GiB
model = Bench Disk
INI

. "$root/bench/bench_lib.sh"
# The page cache holds nothing of the image, so that reads come from the device.
drop_cache() { sync disk.img; dd if=disk.img iflag=nocache count=0 status=none 2>/dev/null || true; }

# dd's direct transfers, or a flush at the end where the folder refuses them.
write_flags="oflag=direct"
read_flags="iflag=direct"
note=""
if ! dd if=/dev/zero of=probe bs=1M count=1 oflag=direct status=none 2>/dev/null; then
  write_flags="conv=fsync"
  read_flags=""
  note="note: $folder refuses O_DIRECT; dd writes with conv=fsync and reads from a dropped cache"
fi
rm -f probe

truncate -s "$bytes" disk.img
io=$("$cli" --machine machine.ini --json info | grep -o '"DiskIo":"[a-z]*"' | cut -d'"' -f4)
echo "vektrel wipe and scan throughput on a $gib GiB image in $folder (disk I/O: $io)"
[ -n "$note" ] && echo "$note"

# Written once before anything is timed: every figure then writes over
# allocated blocks, as on a disk, and none pays for the file system's
# block allocation.
dd if=/dev/zero of=disk.img bs=1M count=$((gib * 1024)) conv=notrunc,fsync status=none
t0=$(now); dd if=/dev/zero of=disk.img bs=1M count=$((gib * 1024)) conv=notrunc $write_flags status=none; t1=$(now)
dd_write=$(seconds "$t0" "$t1")
printf '%-30s %s  (%s s)\n' "dd write ($write_flags)" "$(rate "$dd_write" "$bytes")" "$dd_write"
drop_cache
t0=$(now); dd if=disk.img of=/dev/null bs=1M $read_flags status=none; t1=$(now)
dd_read=$(seconds "$t0" "$t1")
printf '%-30s %s  (%s s)\n' "dd read (${read_flags:-cache dropped})" "$(rate "$dd_read" "$bytes")" "$dd_read"

for method in 0 1; do
  name=$([ "$method" = 0 ] && echo "zero pass" || echo "random pass")
  drop_cache
  t0=$(now)
  ms=$("$cli" --machine machine.ini --yes --json wipe --disk 0 --method "$method" 2>/dev/null | millis)
  t1=$(now)
  passes=$(awk -v m="$ms" 'BEGIN { printf "%.3f", m / 1000 }')
  printf '%-30s %s  ratio %5s   (command %s s)\n' "wipe $name" "$(rate "$passes" "$bytes")" "$(ratio "$dd_write" "$passes")" \
    "$(seconds "$t0" "$t1")"
done

drop_cache
t0=$(now)
ms=$("$cli" --machine machine.ini --json scan --disk 0 2>/dev/null | millis || true)
t1=$(now)
scan=$(awk -v m="$ms" 'BEGIN { printf "%.3f", m / 1000 }')
printf '%-30s %s  ratio %5s   (command %s s)\n' "scan" "$(rate "$scan" "$bytes")" "$(ratio "$dd_read" "$scan")" \
  "$(seconds "$t0" "$t1")"
