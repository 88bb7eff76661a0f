# Helpers the benchmark scripts share (sourced, not run).

now() { date +%s.%N; }
# Seconds from $1 to $2 (two readings of now).
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
# $2 bytes in $1 seconds.
rate() { awk -v s="$1" -v n="$2" 'BEGIN { printf "%7.0f MiB/s", n / 1048576 / s }'; }
# The reference time $1 over the measured time $2: above 1 is faster than the reference.
ratio() { awk -v base="$1" -v v="$2" 'BEGIN { printf "%.2f", base / v }'; }
# Nothing of the files (or of the files under folders) stays in the page
# cache, so that reads come from the device.
drop_cache() {
  sync
  for f in "$@"; do
    if [ -d "$f" ]; then
      find "$f" -type f -exec dd of=/dev/null iflag=nocache count=0 status=none if={} \; 2>/dev/null || true
    else
      dd if="$f" iflag=nocache count=0 status=none 2>/dev/null || true
    fi
  done
  [ -w /proc/sys/vm/drop_caches ] && echo 1 > /proc/sys/vm/drop_caches 2>/dev/null || true
}
# The "milliseconds" figure of the console program's JSON on stdin.
millis() { grep -o '"milliseconds":[0-9]*' | cut -d: -f2; }
secs() { awk -v m="$1" 'BEGIN { printf "%.3f", m / 1000 }'; }
# The smaller of $1 (empty: none yet) and $2.
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b + 0 < a + 0) ? b : a }'; }
