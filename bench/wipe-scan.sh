#!/usr/bin/env bash
# Throughput of the wipe (a zero pass and a random pass) and of the
# bad-sector scan on a 2 GiB image, through vektrel-cli on a simulated PC
# with a real clock, as a ratio to dd on the same file with 1 MiB direct
# transfers. Not a test: it prints numbers and always exits 0 once it ran.
#
#   bash bench/wipe-scan.sh [FOLDER]     (default: $TMPDIR or /tmp)
#
# Each vektrel figure is given twice: the time of the passes alone (the
# data handed to the simulated disk, which keeps it in the host's page
# cache), and that time plus the flush of the image to the device, which
# is what dd's direct transfers include.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
folder=${1:-${TMPDIR:-/tmp}}
cmake -S . -B build -G Ninja >/dev/null
ninja -C build vektrel-cli language_files >/dev/null
cli=$root/build/bin/vektrel-cli

work=$(mktemp -d "$folder/vektrel-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
bytes=$((2048 * 1024 * 1024))
cat > machine.ini <<'INI'
[machine]
clock = real

[disk]
image = disk.img
size = 2GiB
model = Bench Disk
INI

now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
rate() { awk -v s="$1" -v n="$bytes" 'BEGIN { printf "%7.0f MiB/s", n / 1048576 / s }'; }
ratio() { awk -v dd="$1" -v v="$2" 'BEGIN { printf "%.2f", dd / v }'; }
# The page cache holds nothing of the image, so that reads come from the device.
drop_cache() { sync disk.img; dd if=disk.img iflag=nocache count=0 status=none 2>/dev/null || true; }
millis() { grep -o '"milliseconds":[0-9]*' | cut -d: -f2; }

# dd's direct transfers, or a flush at the end where the folder refuses them.
write_flags="oflag=direct"
read_flags="iflag=direct"
note=""
if ! dd if=/dev/zero of=probe bs=1M count=1 oflag=direct status=none 2>/dev/null; then
  write_flags="conv=fsync"
  read_flags=""
  note="note: $folder refuses O_DIRECT; dd writes with conv=fsync and reads through the page cache"
fi
rm -f probe

echo "vektrel wipe and scan throughput on a 2 GiB image in $folder"
[ -n "$note" ] && echo "$note"

truncate -s "$bytes" disk.img
t0=$(now); dd if=/dev/zero of=disk.img bs=1M count=2048 conv=notrunc $write_flags status=none; t1=$(now)
dd_write=$(seconds "$t0" "$t1")
printf '%-30s %s  (%s s)\n' "dd write ($write_flags)" "$(rate "$dd_write")" "$dd_write"
drop_cache
t0=$(now); dd if=disk.img of=/dev/null bs=1M $read_flags status=none; t1=$(now)
dd_read=$(seconds "$t0" "$t1")
printf '%-30s %s  (%s s)\n' "dd read (${read_flags:-cached})" "$(rate "$dd_read")" "$dd_read"

# The simulated disk is an image file in the host's page cache, as it is on
# a simulated PC in use; reading it once first keeps the cost of the host
# handing out fresh cache pages (large on some virtual machines) out of
# the figures.
cat disk.img >/dev/null

for method in 0 1; do
  name=$([ "$method" = 0 ] && echo "zero pass" || echo "random pass")
  sync disk.img
  t0=$(now)
  ms=$("$cli" --machine machine.ini --yes --json wipe --disk 1 --method "$method" 2>/dev/null | millis)
  t1=$(now); sync disk.img; t2=$(now)
  passes=$(awk -v m="$ms" 'BEGIN { printf "%.3f", m / 1000 }')
  flush=$(seconds "$t1" "$t2")
  durable=$(awk -v p="$passes" -v f="$flush" 'BEGIN { printf "%.3f", p + f }')
  printf '%-30s %s  ratio %5s   (command %s s)\n' "wipe $name" "$(rate "$passes")" "$(ratio "$dd_write" "$passes")" \
    "$(seconds "$t0" "$t1")"
  printf '%-30s %s  ratio %5s\n' "  with the flush to the device" "$(rate "$durable")" "$(ratio "$dd_write" "$durable")"
done

for cache in cached dropped; do
  [ "$cache" = dropped ] && drop_cache
  t0=$(now)
  ms=$("$cli" --machine machine.ini --json scan --disk 1 2>/dev/null | millis || true)
  t1=$(now)
  scan=$(awk -v m="$ms" 'BEGIN { printf "%.3f", m / 1000 }')
  printf '%-30s %s  ratio %5s   (command %s s)\n' "scan (image $cache)" "$(rate "$scan")" \
    "$(ratio "$dd_read" "$scan")" "$(seconds "$t0" "$t1")"
done
