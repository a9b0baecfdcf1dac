#!/usr/bin/env bash
# Builds everything and runs every test: the native suite (logic, with
# fakes), the shipped PE32 launcher checked as a file, and the Windows suite
# under Wine on a private Xvfb display: as the x86-64 build under 64-bit Wine
# on every host, and as the PE32 build under 32-bit Wine where the host can
# run 32-bit programs (LAUNCHER_WINE_ARCH=win64 leaves that one out).
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

echo "== every reader of outside input under libFuzzer (10 s each)"
bash "$ROOT/tools/fuzz/run_fuzz.sh" 10 >"$BUILD/fuzz.log" 2>&1 || { grep -E "^== |^broken at" "$BUILD/fuzz.log"; tail -n 40 "$BUILD/fuzz.log"; exit 1; }
grep -E "^== |^Done" "$BUILD/fuzz.log" || true

echo "== Windows build, PE32 (the shipped launcher.exe, signed with a throwaway certificate)"
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
# PE32 i386 GUI, imports, size: a check of the file, no Wine needed (run
# directly: any ctest in this build would first list the Windows test
# programs' cases, which needs 32-bit Wine).
sh "$ROOT/tests/win/app/check_launcher_binary.sh" i686-w64-mingw32-objdump "$BUILD/win/app/launcher.exe"

echo "== Windows build, x86-64 (the same tree for 64-bit Wine)"
cmake -S "$ROOT" -B "$BUILD/win64" -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$BUILD/win64" -j "$JOBS"

trap 'stop_wine; stop_xvfb' EXIT
start_xvfb

# Runs one build's Windows suite under the Wine of its architecture.
run_windows_suite() {
  local arch=$1 build=$2
  echo "== Windows tests under Wine ($arch: $build)"
  use_wine "$arch"
  prepare_prefix "$build/wineprefix"
  ctest --test-dir "$build" --output-on-failure --timeout 300 -E '^launcher_binary$'
  stop_wine
}

SUITES="win64"
run_windows_suite win64 "$BUILD/win64"
if [ "${LAUNCHER_WINE_ARCH:-}" = win64 ]; then
  echo "== the PE32 suite under 32-bit Wine is left out: LAUNCHER_WINE_ARCH=win64"
elif host_runs_wine32; then
  run_windows_suite win32 "$BUILD/win"
  SUITES="win64 win32"
else
  echo "== the PE32 suite under 32-bit Wine is left out: this host cannot run 32-bit programs ($WINE32_LOADER --version fails)"
fi
echo "Windows suites run: $SUITES"
echo "launcher.exe: $(stat -c %s "$BUILD/win/app/launcher.exe") bytes"
