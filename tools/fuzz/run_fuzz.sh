#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in build/fuzz and runs each in turn.
#
#   tools/fuzz/run_fuzz.sh [SECONDS] [TARGET...] [-- libFuzzer options...]
#
# SECONDS (for each target) defaults to 600. TARGET is one of config_parse,
# manifest, partial_record, answer_headers, launch_switches; none names them
# all. Inputs that grow coverage collect in build/fuzz/corpus/<target>
# (kept between runs) beside the committed seeds in tests/fuzz/corpus/<target>;
# a failing input is written to build/fuzz/artifacts/<target>-... Every
# target runs even after one has failed; the script then exits non-zero.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD="$ROOT/build/fuzz"
ALL="config_parse manifest partial_record answer_headers launch_switches"
SECONDS_TO_RUN=600
if [ $# -gt 0 ] && [ "$1" != "--" ]; then
  SECONDS_TO_RUN=$1
  shift
fi
TARGETS=""
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  case " $ALL " in
    *" $1 "*) TARGETS="$TARGETS $1" ;;
    *) echo "run_fuzz.sh: no target $1 (one of: $ALL)" >&2; exit 2 ;;
  esac
  shift
done
[ $# -gt 0 ] && shift
TARGETS=${TARGETS:-$ALL}

cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DLAUNCHER_FUZZ=ON >/dev/null
# shellcheck disable=SC2086
cmake --build "$BUILD" -j "${JOBS:-$(nproc)}" --target $(printf '%s_fuzzer ' $TARGETS)

mkdir -p "$BUILD/artifacts"
# The shipped configuration is a seed too, taken fresh on every run.
mkdir -p "$BUILD/corpus/config_parse"
cp "$ROOT/resources/config.ini" "$BUILD/corpus/config_parse/shipped_config.ini"

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
FAILED=""
for target in $TARGETS; do
  echo "== $target: $SECONDS_TO_RUN s"
  mkdir -p "$BUILD/corpus/$target"
  dict=()
  [ -f "$ROOT/tests/fuzz/$target.dict" ] && dict=(-dict="$ROOT/tests/fuzz/$target.dict")
  "$BUILD/tests/fuzz/${target}_fuzzer" "$BUILD/corpus/$target" "$ROOT/tests/fuzz/corpus/$target" \
    "${dict[@]}" \
    -max_total_time="$SECONDS_TO_RUN" \
    -timeout=10 \
    -artifact_prefix="$BUILD/artifacts/$target-" \
    -print_final_stats=1 "$@" || FAILED="$FAILED $target"
done
if [ -n "$FAILED" ]; then
  echo "run_fuzz.sh: failed:$FAILED (inputs in $BUILD/artifacts/)" >&2
  exit 1
fi
echo "run_fuzz.sh: every target held:$(printf ' %s' $TARGETS)"
