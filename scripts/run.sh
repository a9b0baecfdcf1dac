#!/usr/bin/env bash
# Builds the launcher with the demo configuration and runs the whole road
# under Wine: the launcher downloads the demo installer from the loopback
# package server (demo/server), runs it, and starts the demo game.
#
# With a display (DISPLAY set) the launcher opens there for you to click.
# Without one it runs on a private Xvfb, clicks "立即安装" itself, and writes
# screenshots to out/screenshots/.
#
# Options for CMake go after the command, for example a publisher's skin and
# names: bash scripts/run.sh -DLAUNCHER_SKIN=/path/skin -DLAUNCHER_PRODUCT_NAME=Starfall
#
# For a publisher's local trial (docs/publishers.md) the environment names
# what the server serves: DEMO_PORT its port (default: a free one),
# DEMO_INSTALLER another installer than the demo's, DEMO_MANIFEST a signed
# download manifest, served at /manifest.txt.
set -euo pipefail
source "$(dirname "$0")/common.sh"

ensure_packages
choose_wine
# The shipped PE32 launcher where this host runs 32-bit programs, otherwise
# the same tree built for x86-64 under 64-bit Wine.
BUILD="$ROOT/build/run-$WINE_ARCH"
if [ "$WINE_ARCH" = win32 ]; then
  echo "== the PE32 launcher under 32-bit Wine"
else
  echo "== the x86-64 build of the launcher under 64-bit Wine (this host cannot run the PE32 one${LAUNCHER_WINE_ARCH:+, or LAUNCHER_WINE_ARCH=$LAUNCHER_WINE_ARCH})"
fi
configure() {
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_TOOLCHAIN_FILE="$WINE_TOOLCHAIN" "$@" >/dev/null
}
configure -DLAUNCHER_CONFIG="$ROOT/demo/config.ini" "$@"
cmake --build "$BUILD" -j "$(nproc)" --target demo_installer

HEADLESS=0
if [ -z "${DISPLAY:-}" ]; then
  HEADLESS=1
  start_xvfb
fi
SERVER_PID=""
cleanup() {
  [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null || true
  stop_wine
  stop_xvfb
}
trap cleanup EXIT
prepare_prefix "$BUILD/wineprefix"

# The demo installer, sent slowly enough that the progress bar can be seen,
# from a loopback port that is free now.
INSTALLER="${DEMO_INSTALLER:-$BUILD/demo/pomvel_mini.exe}"
SIZE=$(stat -c %s "$INSTALLER")
rm -f "$BUILD/server.ready"
python3 "$ROOT/demo/server/package_server.py" --port "${DEMO_PORT:-0}" --file "$INSTALLER" \
  --rate $((SIZE / 4)) --ready "$BUILD/server.ready" ${DEMO_MANIFEST:+--manifest "$DEMO_MANIFEST"} &
SERVER_PID=$!
for _ in $(seq 1 100); do [ -s "$BUILD/server.ready" ] && break; sleep 0.1; done
[ -s "$BUILD/server.ready" ] || { echo "the demo package server did not start" >&2; exit 1; }
PORT=$(cat "$BUILD/server.ready")
# The demo configuration with the server's port, compiled into the launcher
# (a -DLAUNCHER_CONFIG among the options still wins).
sed "s|//127\.0\.0\.1:18642/|//127.0.0.1:$PORT/|" "$ROOT/demo/config.ini" >"$BUILD/demo-config.ini"
configure -DLAUNCHER_CONFIG="$BUILD/demo-config.ini" "$@"
cmake --build "$BUILD" -j "$(nproc)" --target launcher
echo "the demo package server: http://127.0.0.1:$PORT"

show_log() {
  local product
  product=$(sed -n 's/^LAUNCHER_PRODUCT_NAME:STRING=//p' "$BUILD/CMakeCache.txt")
  echo "the run's log: $(winepath -u "$(wine cmd /c echo %TMP% | tr -d '\r')" | tr -d '\r')/${product:-quillmerex}.log"
}

if [ "$HEADLESS" = 0 ]; then
  wine "$BUILD/app/launcher.exe" && echo "launcher exit code: 0" || echo "launcher exit code: $?"
  show_log
  exit 0
fi

SHOTS="$ROOT/out/screenshots"
rm -rf "$SHOTS" && mkdir -p "$SHOTS"
wine "$BUILD/app/launcher.exe" &
LAUNCHER_PID=$!
WINDOW=""
for _ in $(seq 1 600); do
  WINDOW=$(xdotool search --onlyvisible --classname 'launcher.exe' 2>/dev/null | head -n 1 || true)
  [ -n "$WINDOW" ] && break
  sleep 0.1
done
[ -n "$WINDOW" ] || { echo "the launcher's window did not appear" >&2; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$WINDOW")"
sleep 1
import -window root "$SHOTS/01-ready.png"
xdotool mousemove $((X + 315)) $((Y + 315)) mousemove $((X + 316)) $((Y + 315)) mousedown 1 mouseup 1
n=2
while kill -0 "$LAUNCHER_PID" 2>/dev/null && [ "$n" -lt 200 ]; do
  import -window root "$SHOTS/$(printf '%02d' "$n")-road.png"
  n=$((n + 1))
  sleep 0.5
done
wait "$LAUNCHER_PID" && echo "launcher exit code: 0" || echo "launcher exit code: $?"
for _ in $(seq 1 100); do
  xdotool search --onlyvisible --name '^Orvantis Demo$' >/dev/null 2>&1 && break
  sleep 0.1
done
import -window root "$SHOTS/$(printf '%02d' "$n")-game.png"
echo "screenshots in $SHOTS"
show_log
