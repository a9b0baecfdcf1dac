#!/usr/bin/env bash
# Builds a publisher's own launcher.exe. Settings are CMake options, given
# after the command (see docs/publishers.md):
#
#   bash scripts/publish.sh -DLAUNCHER_CONFIG=/path/game.ini -DLAUNCHER_SKIN=/path/skin \
#     -DLAUNCHER_PRODUCT_NAME="Starfall" -DLAUNCHER_COMPANY="Northwind Games" -DLAUNCHER_VERSION=2.3
#
# The configuration and the pictures are checked first; a problem stops the
# build with a message that names the file (and the line). The program is
# written to build/publish/app/launcher.exe (PUBLISH_BUILD names another
# build folder). Settings stay in the build folder's cache until changed.
set -euo pipefail
source "$(dirname "$0")/common.sh"

ensure_packages
BUILD="${PUBLISH_BUILD:-$ROOT/build/publish}"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" "$@" >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target launcher
echo "launcher: $BUILD/app/launcher.exe ($(stat -c %s "$BUILD/app/launcher.exe") bytes)"
