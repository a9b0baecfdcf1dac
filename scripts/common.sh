# Shared steps of the README's commands: packages, Wine prefix, display.
# Sourced by scripts/test.sh and scripts/run.sh.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

PACKAGES="cmake make g++ googletest libgtest-dev g++-mingw-w64-i686 wine wine32:i386 \
xvfb xauth xdotool imagemagick fonts-wqy-microhei fonts-liberation fonts-wine \
python3 python3-pil curl clang libclang-rt-14-dev nginx tinyproxy openssl osslsigncode"

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs what is missing (Debian): the i386 architecture for 32-bit Wine,
# the mingw-w64 cross compiler, Wine, Xvfb, fonts and the native toolchain.
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

# Creates the Wine prefix once (again when its settings change) and starts
# one Wine server for the whole run.
prepare_prefix() {
  local prefix="$1"
  wine_env "$prefix"
  local stamp
  stamp=$(prefix_settings | md5sum | cut -c1-12)
  if [ ! -f "$prefix/.quillmerex-$stamp" ]; then
    echo "Preparing Wine prefix $prefix"
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$prefix"
    wineboot -i >/dev/null 2>&1 || true
    { printf '\xff\xfe'; prefix_settings | iconv -f UTF-8 -t UTF-16LE; } > "$prefix/settings.reg"
    wine regedit /S "$prefix/settings.reg" >/dev/null 2>&1
    wineserver -w
    touch "$prefix/.quillmerex-$stamp"
  fi
  # One server for the whole run, so that each program starts at once.
  wineserver -p >/dev/null 2>&1 || true
  wine cmd /c exit >/dev/null 2>&1 || true
}

stop_wine() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
}
