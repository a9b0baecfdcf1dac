#!/usr/bin/env bash
# Runs the read-size benchmark: Debian's nginx on a free loopback port with
# a configuration written here, a sparse file of SIZE_MB MiB (512 unless
# told) made here, and, in ROUNDS rounds (5 unless told), curl (native)
# and read_size_bench.exe under Wine reading it: the launcher's own HTTP
# classes, WinINet filling each read piece by piece as they do (on one
# thread), and WinINet's plain reads, with reads of 51,200 bytes to 4 MiB.
# curl writes once to /dev/null (the line) and once to a file, as a
# download does. Prints every transfer, then the medians, each way's ratio
# of curl and of WinINet's plain reads of the same size, and the host's
# load before and after. Needs a Windows build directory:
#   bench/tasks/run_read_size_bench.sh [build/win64]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "${1:-$ROOT/build/win64}" && pwd)
source "$ROOT/scripts/common.sh"
source "$ROOT/bench/tasks/loopback_nginx.sh"
use_wine_of_build "$BUILD"

SIZE=$(( ${SIZE_MB:-512} * 1024 * 1024 ))
ROUNDS=${ROUNDS:-5}
cmake --build "$BUILD" --target read_size_bench >/dev/null

make_bench_folder
mkdir -p "$DIR/www"
truncate -s "$SIZE" "$DIR/www/big.bin"
chmod 644 "$DIR/www/big.bin"
start_loopback_nginx big.bin
URL="http://127.0.0.1:$PORT/big.bin"

prepare_prefix "$BUILD/wineprefix"
LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)
RESULTS="$DIR/results.txt"
: >"$RESULTS"
# curl's own clock for the transfer, and its process's CPU time.
curl_round() {
  local name=$1 out=$2
  TIMEFORMAT="%U %S"
  { time curl -s -o "$out" -w '%{size_download} %{time_total}\n' "$URL" >"$DIR/curl.out"; } 2>"$DIR/curl.time"
  read -r bytes seconds <"$DIR/curl.out"
  read -r user system <"$DIR/curl.time"
  [ "$bytes" = "$SIZE" ] || { echo "curl: $bytes bytes of $SIZE" >&2; exit 1; }
  echo "$name 0 $bytes $seconds $(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }') 0" | tee -a "$RESULTS"
  rm -f "$DIR/curl.file"
}
echo "== $SIZE bytes from $URL, $ROUNDS rounds (way, read size, bytes, seconds, CPU seconds)"
for round in $(seq 1 "$ROUNDS"); do
  echo "-- round $round"
  curl_round curl-null /dev/null
  curl_round curl-file "$DIR/curl.file"
  "$BUILD/wine-run.sh" "$BUILD/bench/tasks/read_size_bench.exe" "$URL" "$round" | tr -d '\r' | tee -a "$RESULTS"
  curl_round curl-null /dev/null
done
LOAD_AFTER=$(cut -d' ' -f1-3 /proc/loadavg)

echo "== medians of $ROUNDS rounds (curl to /dev/null twice a round); ratios of the medians"
python3 - "$RESULTS" <<'PY'
import statistics, sys
ways = {}
for line in open(sys.argv[1]):
    name, size, size_bytes, seconds, cpu, pieces = line.split()
    ways.setdefault((name, int(size)), []).append((int(size_bytes), float(seconds), float(cpu), int(pieces)))
def rate(runs):
    return statistics.median(b / s / 1e6 for b, s, _, _ in runs)
line = rate(ways[("curl-null", 0)])
order = {"curl-null": 0, "curl-file": 1, "wininet": 2, "pieces": 3, "launcher": 4}
print(f"{'way':<10} {'read size':>10} {'MB/s':>6} {'rounds':>14} {'of curl':>8} {'of wininet':>10} "
      f"{'CPU ms/MB':>10} {'bytes/piece':>12}")
for (name, size), runs in sorted(ways.items(), key=lambda w: (order[w[0][0]], w[0][1])):
    rates = [b / s / 1e6 for b, s, _, _ in runs]
    cpu = statistics.median(c * 1000 / (b / 1e6) for b, _, c, _ in runs)
    plain = ways.get(("wininet", size))
    of_plain = f"{rate(runs) / rate(plain):10.3f}" if plain else f"{'-':>10}"
    piece = statistics.median(b / p for b, _, _, p in runs if p) if any(p for *_, p in runs) else 0
    print(f"{name:<10} {(f'{size:,}' if size else '-'):>10} {rate(runs):6.0f} {min(rates):5.0f} to {max(rates):5.0f} "
          f"{rate(runs) / line:8.3f} {of_plain} {cpu:10.2f} {(f'{piece:,.0f}' if piece else '-'):>12}")
PY
echo "load average before: $LOAD_BEFORE; after: $LOAD_AFTER ($(nproc) cores)"
