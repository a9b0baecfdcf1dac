#!/usr/bin/env bash
# Runs an installer of 4.5 GiB end to end under Wine: the e2e case
# installer_4_5_gib (tests/e2e/e2e.py, not in the CTest suite) on a private
# Xvfb display, against Debian's nginx on a free loopback port serving the
# demo installer with zeros after it up to 4.5 GiB (a sparse file), with a
# copy of the launcher at the line's speed that pins its SHA-256. The case
# prints what it checked and the seconds of the download, the digest check
# and the whole road; this script adds the host's load before and after:
#   bench/tasks/run_large_installer_bench.sh [build/win64]
# The client's copy is a real file of 4.5 GiB in the prefix's TMP: the
# case deletes it, and this script deletes whatever the launcher left there
# once Wine has stopped, however the run ended. BIG_INSTALLER_BYTES=n
# serves n bytes instead (a trial of the machinery on a small file).
# CLOSE_MID_DOWNLOAD=1 then runs the case installer_4_5_gib_closed too: the
# window closed after 1 GiB, the seconds until the launcher has exited.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "${1:-$ROOT/build/win64}" && pwd)
source "$ROOT/scripts/common.sh"
source "$ROOT/bench/tasks/loopback_nginx.sh"
use_wine_of_build "$BUILD"

SIZE=${BIG_INSTALLER_BYTES:-$((4608 * 1024 * 1024))}
cmake --build "$BUILD" --target launcher_e2e_line demo_installer accessible_probe >/dev/null

# The launcher refuses a download its disk cannot hold: say so before.
mkdir -p "$BUILD/wineprefix"
FREE=$(( $(df --output=avail -k "$BUILD/wineprefix" | tail -n 1) * 1024 ))
if [ "$FREE" -lt $((SIZE + 1024 * 1024 * 1024)) ]; then
  echo "$FREE bytes free under $BUILD/wineprefix: the run needs $SIZE and 1 GiB more" >&2
  exit 1
fi

make_bench_folder
CLIENT_TMP=""
# The download folders the launcher makes in TMP (quillmerex-<16 hex
# digits>), and its installer's names there.
remove_client_copies() {
  [ -n "$CLIENT_TMP" ] && [ -d "$CLIENT_TMP" ] || return 0
  find "$CLIENT_TMP" -maxdepth 1 \( -regextype posix-extended -regex '.*/quillmerex-[0-9a-f]{16}' \
    -o -name 'yrfoinstall.*' \) -exec rm -rf {} +
}
end_large_run() {
  # A case that was killed leaves its nginx (its pid file in the case's
  # folder, made under DIR) and the folder: both go here too.
  local pid_file
  for pid_file in $(find "$DIR" -name nginx.pid 2>/dev/null); do
    kill "$(cat "$pid_file")" 2>/dev/null || true
  done
  end_bench_run
  stop_xvfb
  remove_client_copies
}
trap end_large_run EXIT

# Windows come from the first process on: the display before the prefix.
start_xvfb
prepare_prefix "$BUILD/wineprefix"
CLIENT_TMP=$("$BUILD/wine-run.sh" winepath.exe -u "$("$BUILD/wine-run.sh" cmd /c echo %TMP% | tr -d '\r')" | tr -d '\r')
remove_client_copies

LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)
echo "== an installer of $SIZE bytes end to end under Wine ($WINE_ARCH), client's TMP $CLIENT_TMP"
rc=0
CASES="installer_4_5_gib"
[ "${CLOSE_MID_DOWNLOAD:-0}" = 1 ] && CASES="$CASES installer_4_5_gib_closed"
# The cases' folders (the served file, nginx's) under DIR; nginx's workers
# must reach them.
chmod 755 "$DIR"
for case in $CASES; do
  TMPDIR=$DIR BIG_INSTALLER_BYTES=$SIZE /usr/bin/python3 "$ROOT/tests/e2e/e2e.py" "$case" --build "$BUILD" \
    --artifacts "$BUILD/e2e-artifacts" || rc=$?
  remove_client_copies
done
LOAD_AFTER=$(cut -d' ' -f1-3 /proc/loadavg)
echo "load average before: $LOAD_BEFORE; after: $LOAD_AFTER ($(nproc) cores)"
exit $rc
