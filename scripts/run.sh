#!/usr/bin/env bash
# Builds launcher.exe and starts it under Wine.
set -euo pipefail
source "$(dirname "$0")/common.sh"

ensure_packages
BUILD="$ROOT/build/run"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target launcher
trap 'stop_wine' EXIT
prepare_prefix "$BUILD/wineprefix"
wine "$BUILD/app/launcher.exe"
