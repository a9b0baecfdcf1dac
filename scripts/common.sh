# Shared steps of the README's commands: packages, Wine prefix, display.
# Sourced by scripts/test.sh and scripts/run.sh.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

PACKAGES="cmake make g++ googletest libgtest-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 \
wine wine32:i386 wine64 \
xvfb xauth xdotool imagemagick fonts-wqy-microhei fonts-liberation fonts-wine \
python3 python3-pil curl clang libclang-rt-14-dev nginx tinyproxy openssl libssl-dev osslsigncode"

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs what is missing (Debian): the i386 architecture for 32-bit Wine,
# the mingw-w64 cross compilers (i686 and x86-64), both Wines, Xvfb, fonts
# and the native toolchain.
ensure_packages() {
  local missing=""
  local p
  for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
  done
  [ -z "$missing" ] && return 0
  echo "Installing:$missing"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends $missing
}

# Which Wine runs the Windows programs. The product is the PE32 launcher,
# run by Debian's 32-bit loader; some x86-64 kernels cannot execute any
# 32-bit program ("Exec format error"), and there the same tree is built for
# x86-64 and runs under the 64-bit loader. LAUNCHER_WINE_ARCH=win32|win64
# forces the choice. Debian's wine, wineboot, winepath and wineserver
# scripts prefer the 32-bit loader whenever it is installed, so everything
# here goes through the chosen loader itself (the functions below).
WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64

host_runs_wine32() {
  "$WINE32_LOADER" --version >/dev/null 2>&1
}

# Sets WINE_ARCH (win32 or win64), WINE_TOOLCHAIN (the CMake toolchain file
# of the matching build) and the loader and server the wine functions use.
use_wine() {
  WINE_ARCH=$1
  if [ "$WINE_ARCH" = win32 ]; then
    export WINELOADER=$WINE32_LOADER WINESERVER=/usr/lib/wine/wineserver32
    WINE_TOOLCHAIN="$ROOT/cmake/mingw-i686.cmake"
  else
    export WINELOADER=$WINE64_LOADER WINESERVER=/usr/lib/wine/wineserver64
    WINE_TOOLCHAIN="$ROOT/cmake/mingw-x86_64.cmake"
  fi
  export WINEARCH=$WINE_ARCH
}

# The Wine this host runs the launcher under: 32-bit where it can, unless
# LAUNCHER_WINE_ARCH says otherwise.
choose_wine() {
  case "${LAUNCHER_WINE_ARCH:-}" in
    win64) use_wine win64 ;;
    win32)
      host_runs_wine32 || { echo "LAUNCHER_WINE_ARCH=win32, but this host cannot run 32-bit programs" >&2; return 1; }
      use_wine win32 ;;
    "") if host_runs_wine32; then use_wine win32; else use_wine win64; fi ;;
    *) echo "LAUNCHER_WINE_ARCH must be win32 or win64, not '$LAUNCHER_WINE_ARCH'" >&2; return 1 ;;
  esac
}

# The Wine of an existing Windows build folder (its wine-run.sh names it).
use_wine_of_build() {
  use_wine "$(sed -n 's/^export WINEARCH="\(.*\)"$/\1/p' "$1/wine-run.sh")"
}

wine() { "$WINELOADER" "$@"; }
wineserver() { "$WINESERVER" "$@"; }
wineboot() { "$WINELOADER" wineboot.exe "$@"; }
winepath() { "$WINELOADER" winepath.exe "$@"; }

wine_env() {
  export WINEPREFIX="$1"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy NO_PROXY
}

# Starts a private Xvfb on a free display number and exports DISPLAY. The
# screen holds the launcher's window at 200 % (1260 x 906).
start_xvfb() {
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && return 0
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    sleep 0.1
  done
  echo "Xvfb did not start" >&2
  return 1
}

stop_xvfb() {
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
}

# The prefix's settings: no crash dialog (a crash must fail a test, not
# hang it), and fonts for the families the program names: the skin's
# "微软雅黑" and the dialogs' "MS Shell Dlg" must reach a font with Chinese
# glyphs. Names in Chinese reach the registry only through a UTF-16 .reg file.
# Keyboard cues as on a fresh Windows: hidden until the keyboard is used
# (Wine's own default shows them always).
prefix_settings() {
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"UserPreferencesMask"=hex:10,00,00,80,12,00,00,00\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  printf '"Microsoft Sans Serif"="Liberation Sans"\r\n"微软雅黑"="WenQuanYi Micro Hei"\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
  printf '"MS Shell Dlg"="WenQuanYi Micro Hei"\r\n"MS Shell Dlg 2"="WenQuanYi Micro Hei"\r\n'
}

# Creates the Wine prefix once (again when its settings or the Wine change)
# and starts one Wine server for the whole run. choose_wine comes first.
prepare_prefix() {
  local prefix="$1"
  [ -n "${WINE_ARCH:-}" ] || choose_wine
  wine_env "$prefix"
  local stamp
  stamp=$({ echo "$WINE_ARCH"; prefix_settings; } | md5sum | cut -c1-12)
  if [ ! -f "$prefix/.quillmerex-$stamp" ]; then
    echo "Preparing Wine prefix $prefix"
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$prefix"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    [ -f "$prefix/system.reg" ] || { echo "Wine ($WINELOADER) could not create the prefix $prefix" >&2; return 1; }
    { printf '\xff\xfe'; prefix_settings | iconv -f UTF-8 -t UTF-16LE; } > "$prefix/settings.reg"
    wine regedit.exe /S "$prefix/settings.reg" >/dev/null 2>&1
    wineserver -w
    grep -q "Liberation Sans" "$prefix/user.reg" ||
      { echo "the prefix's settings did not reach $prefix (no font replacements)" >&2; return 1; }
    touch "$prefix/.quillmerex-$stamp"
  fi
  # One server for the whole run, so that each program starts at once.
  wineserver -p >/dev/null 2>&1 || true
  wine cmd /c exit >/dev/null 2>&1 || true
}

stop_wine() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
}
