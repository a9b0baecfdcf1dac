#!/usr/bin/env bash
# Builds the configuration parser's fuzzer (clang, libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in build/fuzz and runs it.
#
#   tools/fuzz/run_fuzz.sh [SECONDS] [libFuzzer options...]
#
# SECONDS defaults to 600. Inputs that grow coverage collect in
# build/fuzz/corpus (kept between runs); a failing input is written to
# build/fuzz/artifacts/ and the script exits non-zero.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD="$ROOT/build/fuzz"
SECONDS_TO_RUN=${1:-600}
[ $# -gt 0 ] && shift

cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DLAUNCHER_FUZZ=ON >/dev/null
cmake --build "$BUILD" --target config_parse_fuzzer -j "$(nproc)"

mkdir -p "$BUILD/corpus" "$BUILD/artifacts"
# The shipped configuration is a seed too, taken fresh on every run.
cp "$ROOT/resources/config.ini" "$BUILD/corpus/shipped_config.ini"

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$BUILD/tests/fuzz/config_parse_fuzzer" "$BUILD/corpus" "$ROOT/tests/fuzz/corpus" \
  -dict="$ROOT/tests/fuzz/ini.dict" \
  -max_total_time="$SECONDS_TO_RUN" \
  -artifact_prefix="$BUILD/artifacts/" \
  -print_final_stats=1 "$@"
