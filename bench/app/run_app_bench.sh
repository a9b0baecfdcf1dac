#!/usr/bin/env bash
# Runs the launcher's benchmark under Wine on a private Xvfb display:
# start-up to first paint against a bare window program, the window region,
# the peak working set during a download, and the size of launcher.exe.
#
#   bench/app/run_app_bench.sh [runs]      (runs of each program, default 15)
#
# With EARLIER=<build directory of an earlier checkout, made by this script
# there> the earlier launcher runs beside this one, alternating, and its
# road is measured too.
#
# Builds what it needs in build/bench-app-win32 (MinSizeRel, as shipped; on a
# host that cannot run 32-bit programs, build/bench-app-win64), pads the
# demo installer to 20 MB with zeros and serves it from the loopback package
# server on the port that bench_config.ini names.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
source "$ROOT/scripts/common.sh"
RUNS=${1:-15}
choose_wine
BUILD="$ROOT/build/bench-app-$WINE_ARCH"
PORT=$(sed -n 's|^k_comm_url=http://127.0.0.1:\([0-9]*\)/.*|\1|p' "$ROOT/bench/app/bench_config.ini" | tr -d '\r')
INSTALLER_SIZE=$((20 * 1024 * 1024))

ensure_packages
mkdir -p "$BUILD"
{ cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_TOOLCHAIN_FILE="$WINE_TOOLCHAIN" &&
  cmake --build "$BUILD" -j "$(nproc)" --target app_bench; } >"$BUILD/bench-build.log" 2>&1 ||
  { tail -n 40 "$BUILD/bench-build.log"; exit 1; }

WORK=$(mktemp -d)
SERVER_PID=""
cleanup() {
  [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null || true
  stop_wine
  stop_xvfb
  rm -rf "$WORK"
}
trap cleanup EXIT

# The demo installer with trailing zeros up to 20 MB: Windows runs a PE
# file with bytes after its last section as it is.
cp "$BUILD/demo/pomvel_mini.exe" "$WORK/pomvel_mini.exe"
truncate -s "$INSTALLER_SIZE" "$WORK/pomvel_mini.exe"
/usr/bin/python3 "$ROOT/demo/server/package_server.py" --port "$PORT" --file "$WORK/pomvel_mini.exe" \
  --log "$WORK/requests.log" --ready "$WORK/server.ready" >/dev/null &
SERVER_PID=$!
for _ in $(seq 1 100); do
  [ -e "$WORK/server.ready" ] && break
  kill -0 "$SERVER_PID" 2>/dev/null || { echo "the package server did not start (port $PORT in use?)" >&2; exit 1; }
  sleep 0.1
done
[ -e "$WORK/server.ready" ] || { echo "the package server did not get ready" >&2; exit 1; }

start_xvfb
prepare_prefix "$BUILD/wineprefix"
win() { winepath -w "$1"; }
echo "== quillmerex launcher benchmark under Wine ($(wine --version)), display $DISPLAY"
echo "   launcher.exe with the shipped configuration; a $INSTALLER_SIZE-byte installer on http://127.0.0.1:$PORT"
echo "   load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
EARLIER_ARGS=()
EXPECTED_REQUESTS=1
if [ -n "${EARLIER:-}" ]; then
  EARLIER_ARGS=("$(win "$EARLIER/app/launcher.exe")" "$(win "$EARLIER/bench/app/launcher_bench.exe")")
  EXPECTED_REQUESTS=2
fi
status=0
"$BUILD/wine-run.sh" "$BUILD/bench/app/app_bench.exe" "$(win "$BUILD/app/launcher.exe")" \
  "$(win "$BUILD/bench/app/bare_window.exe")" "$(win "$BUILD/bench/app/launcher_bench.exe")" "$RUNS" \
  "${EARLIER_ARGS[@]}" || status=$?
echo "   load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

# Each road's download must have been one request for the installer.
REQUESTS=$(grep -c '"path": "/package/Windows/pomvel_mini.exe"' "$WORK/requests.log" 2>/dev/null || true)
echo "package server: ${REQUESTS:-0} request(s) for the $INSTALLER_SIZE-byte installer"
[ "${REQUESTS:-0}" = "$EXPECTED_REQUESTS" ] || status=1
exit "$status"
