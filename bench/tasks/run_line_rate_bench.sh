#!/usr/bin/env bash
# Runs the line-rate benchmark: Debian's nginx on a free loopback port with
# a configuration written here, a sparse file of SIZE_MB MiB (1024 unless
# told) made here, and ROUNDS rounds (3 unless told) of, side by side:
# curl -o a file; curl -o a file then sha256sum of it; the real download
# worker (download_bench.exe line) at the line's speed without a pin and
# with the file's SHA-256 pinned; and the worker at the design's pace on
# the first DESIGN_MB MiB (20 unless told, served as a file of its own) for
# the peak working set beside it, and the system's SHA-256 alone over as
# many bytes from memory (the floor of the pinned way). Prints every transfer, the medians, the
# ratios the targets name, and the host's load before and after:
#   bench/tasks/run_line_rate_bench.sh [build/win64]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "${1:-$ROOT/build/win64}" && pwd)
source "$ROOT/scripts/common.sh"
source "$ROOT/bench/tasks/loopback_nginx.sh"
use_wine_of_build "$BUILD"

SIZE=$(( ${SIZE_MB:-1024} * 1024 * 1024 ))
DESIGN=$(( ${DESIGN_MB:-20} * 1024 * 1024 ))
ROUNDS=${ROUNDS:-3}
cmake --build "$BUILD" --target download_bench >/dev/null

make_bench_folder
mkdir -p "$DIR/www"
truncate -s "$SIZE" "$DIR/www/big.bin"
truncate -s "$DESIGN" "$DIR/www/design.bin"
chmod 644 "$DIR/www/big.bin" "$DIR/www/design.bin"
PIN=$(sha256sum "$DIR/www/big.bin" | cut -d' ' -f1)
start_loopback_nginx big.bin
URL="http://127.0.0.1:$PORT/big.bin"

prepare_prefix "$BUILD/wineprefix"
LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)
RESULTS="$DIR/results.txt"
: >"$RESULTS"
now() { date +%s.%N; }
echo "== $SIZE bytes from $URL, $ROUNDS rounds (way, bytes, seconds, progress events, peak working set)"
for round in $(seq 1 "$ROUNDS"); do
  echo "-- round $round"
  t0=$(now); curl -s -o "$DIR/curl.file" "$URL"; t1=$(now)
  echo "curl $SIZE $(echo "$t1 - $t0" | bc) 0 0" | tee -a "$RESULTS"
  rm -f "$DIR/curl.file"
  t0=$(now); curl -s -o "$DIR/curl.file" "$URL"; sha256sum "$DIR/curl.file" | grep -q "$PIN"; t1=$(now)
  echo "curl+sha256sum $SIZE $(echo "$t1 - $t0" | bc) 0 0" | tee -a "$RESULTS"
  rm -f "$DIR/curl.file"
  "$BUILD/wine-run.sh" "$BUILD/bench/tasks/download_bench.exe" line "$URL" 0 | tr -d '\r' |
    sed 's/^line 0/line/' | tee -a "$RESULTS"
  "$BUILD/wine-run.sh" "$BUILD/bench/tasks/download_bench.exe" line "$URL" 0 "$PIN" | tr -d '\r' |
    sed 's/^line 0/line+pin/' | tee -a "$RESULTS"
  "$BUILD/wine-run.sh" "$BUILD/bench/tasks/download_bench.exe" line "http://127.0.0.1:$PORT/design.bin" design |
    tr -d '\r' | sed 's/^line design/design/' | tee -a "$RESULTS"
  "$BUILD/wine-run.sh" "$BUILD/bench/tasks/download_bench.exe" hash $(( SIZE / 1048576 )) | tr -d '\r' |
    awk '{print "cng-sha256", $2, $3, 0, 0}' | tee -a "$RESULTS"
done
LOAD_AFTER=$(cut -d' ' -f1-3 /proc/loadavg)

echo "== medians of $ROUNDS rounds"
python3 - "$RESULTS" <<'PY'
import statistics, sys
ways = {}
for line in open(sys.argv[1]):
    name, size, seconds, events, peak = line.split()
    ways.setdefault(name, []).append((int(size), float(seconds), int(events), int(peak)))
def med(name, i):
    return statistics.median(r[i] for r in ways[name])
for name, runs in ways.items():
    rates = [b / s / 1e6 for b, s, _, _ in runs]
    print(f"{name:<15} {statistics.median(rates):7.1f} MB/s ({min(rates):.1f} to {max(rates):.1f}), "
          f"{med(name, 1):.2f} s, {med(name, 2):.0f} progress events, peak working set {med(name, 3) / 2**20:.1f} MiB")
print(f"no pin: the worker's transfer {med('curl', 1) / med('line', 1):.3f} of curl -o (target at least 0.9)")
print(f"pinned: {med('line+pin', 1) / med('curl+sha256sum', 1):.3f} times curl -o and sha256sum (target at most 1.1; "
      "the install worker's check of the held file comes on top: its identity, no second read); "
      f"the system's SHA-256 alone takes {med('cng-sha256', 1) / med('curl+sha256sum', 1):.3f} times as long, "
      f"sha256sum alone {(med('curl+sha256sum', 1) - med('curl', 1)) / med('curl+sha256sum', 1):.3f}")
print(f"peak working set at the line's speed {(med('line', 3) - med('design', 3)) / 2**20:+.1f} MiB against the "
      "design's pace (target at most +2 MiB)")
PY
echo "load average before: $LOAD_BEFORE; after: $LOAD_AFTER ($(nproc) cores)"
