#!/usr/bin/env bash
# Builds everything and runs every test: the native suite (logic, with
# fakes) and the Windows suite under Wine on a private Xvfb display.
set -euo pipefail
source "$(dirname "$0")/common.sh"

ensure_packages

JOBS=$(nproc)
BUILD="$ROOT/build"

echo "== native build and tests"
cmake -S "$ROOT" -B "$BUILD/native" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$BUILD/native" -j "$JOBS"
ctest --test-dir "$BUILD/native" --output-on-failure -j "$JOBS"

echo "== skin: the generator rebuilds the committed images byte for byte"
bash "$ROOT/tools/skin/check_skin.sh"

echo "== configuration parser under libFuzzer (a short run)"
bash "$ROOT/tools/fuzz/run_fuzz.sh" 30 >"$BUILD/fuzz.log" 2>&1 || { tail -n 40 "$BUILD/fuzz.log"; exit 1; }
grep -E "^Done|stat::number_of_executed_units" "$BUILD/fuzz.log" || true

echo "== Windows build (launcher.exe signed with a throwaway certificate)"
rm -rf "$BUILD/signing"
sh "$ROOT/tools/sign/make_test_certificates.sh" "$BUILD/signing" test
cmake -S "$ROOT" -B "$BUILD/win" -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
  -DLAUNCHER_SIGN_PKCS12="$BUILD/signing/publisher.p12" >/dev/null
# The certificate's files are new each run: sign again.
rm -f "$BUILD/win/app/launcher.exe"
LAUNCHER_SIGN_PASSWORD=test cmake --build "$BUILD/win" -j "$JOBS"
osslsigncode verify -CAfile "$BUILD/signing/ca.pem" -in "$BUILD/win/app/launcher.exe" >"$BUILD/signing/verify.log" 2>&1 ||
  { cat "$BUILD/signing/verify.log"; exit 1; }
echo "launcher.exe: $(grep -E '^Signature verification' "$BUILD/signing/verify.log")"

echo "== Windows tests under Wine"
trap 'stop_wine; stop_xvfb' EXIT
start_xvfb
prepare_prefix "$BUILD/win/wineprefix"
ctest --test-dir "$BUILD/win" --output-on-failure --timeout 300
echo "launcher.exe: $(stat -c %s "$BUILD/win/app/launcher.exe") bytes"
