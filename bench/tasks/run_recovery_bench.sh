#!/usr/bin/env bash
# Runs the recovery benchmark: 20 MB from a loopback server that resets the
# connection after every 4 MB, through the real download worker under Wine
# with the product's own pauses, beside a clean download of the same file
# from a second server. Needs a Windows build directory:
#   bench/tasks/run_recovery_bench.sh [build/win]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "${1:-$ROOT/build/win}" && pwd)
source "$ROOT/scripts/common.sh"
use_wine_of_build "$BUILD"

SIZE=$((20 * 1024 * 1024))
EVERY=$((4 * 1024 * 1024))
RESETS=$(( (SIZE - 1) / EVERY ))
cmake --build "$BUILD" --target recovery_bench >/dev/null

CLEAN_PORT=$(mktemp)
RESET_PORT=$(mktemp)
python3 "$ROOT/bench/tasks/RecoveryServer.py" "$SIZE" 0 >"$CLEAN_PORT" &
CLEAN=$!
python3 "$ROOT/bench/tasks/RecoveryServer.py" "$SIZE" "$EVERY" >"$RESET_PORT" &
RESET=$!
trap 'kill $CLEAN $RESET 2>/dev/null; rm -f "$CLEAN_PORT" "$RESET_PORT"; stop_wine' EXIT
for _ in $(seq 1 100); do [ -s "$CLEAN_PORT" ] && [ -s "$RESET_PORT" ] && break; sleep 0.05; done
CLEAN_URL="http://127.0.0.1:$(head -n1 "$CLEAN_PORT")/package/Windows/pomvel_mini.exe"
RESET_BASE="http://127.0.0.1:$(head -n1 "$RESET_PORT")"

prepare_prefix "$BUILD/wineprefix"
echo "== $SIZE bytes, clean and with a reset after every $EVERY bytes ($RESETS resets)"
"$BUILD/wine-run.sh" "$BUILD/bench/tasks/recovery_bench.exe" "$CLEAN_URL" \
  "$RESET_BASE/package/Windows/pomvel_mini.exe" "$RESETS" "$RESET_BASE/stats"
