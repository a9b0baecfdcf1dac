#!/usr/bin/env bash
# Runs the download benchmark: a loopback server with a 20 MB file, the
# real download worker under Wine against it, and curl against the same
# server for the CPU time per MB. Needs a Windows build directory:
#   bench/tasks/run_download_bench.sh [build/tasks-win]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "${1:-$ROOT/build/tasks-win}" && pwd)
source "$ROOT/scripts/common.sh"
use_wine_of_build "$BUILD"

SIZE=$((20 * 1024 * 1024))
cmake --build "$BUILD" --target download_bench >/dev/null

PORT_FILE=$(mktemp)
python3 "$ROOT/bench/tasks/BenchServer.py" "$SIZE" >"$PORT_FILE" &
SERVER=$!
trap 'kill $SERVER 2>/dev/null; rm -f "$PORT_FILE"; stop_wine' EXIT
for _ in $(seq 1 100); do [ -s "$PORT_FILE" ] && break; sleep 0.05; done
URL="http://127.0.0.1:$(head -n1 "$PORT_FILE")/package/Windows/pomvel_mini.exe"

prepare_prefix "$BUILD/wineprefix"
echo "== download worker under Wine, $SIZE bytes from $URL"
"$BUILD/wine-run.sh" "$BUILD/bench/tasks/download_bench.exe" "$URL" "${ROUNDS:-5}"

echo "== curl on the same server (native), CPU time per MB"
for round in 1 2 3; do
  TIMEFORMAT="%U %S %R"
  { time curl -s -o /dev/null "$URL"; } 2>"$PORT_FILE.time"
  read -r user system real <"$PORT_FILE.time"
  awk -v u="$user" -v s="$system" -v r="$real" -v b="$SIZE" -v n="$round" \
    'BEGIN { printf "round %d: %.3f s, %.1f MB/s, CPU %.2f ms/MB\n", n, r, b / r / 1048576, (u + s) * 1000 / (b / 1048576) }'
done
rm -f "$PORT_FILE.time"
