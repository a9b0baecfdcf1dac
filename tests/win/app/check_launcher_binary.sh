#!/bin/sh
# check_launcher_binary.sh OBJDUMP EXE
# launcher.exe is a 32-bit Windows GUI program that imports at start only
# DLLs that the system always loads from its own folder (no C++ runtime or
# thread library beside it), loads GDI+, WinINet, shell32 and the
# installer checks (bcrypt, wintrust, crypt32) only on first use
# (delay-loaded: their names are in the program, not in its import table),
# fits its size budget of 440 KB with both picture sets of the skin, and
# its manifest asks for per-monitor DPI awareness in a form every Windows 10
# knows (1607 knows PerMonitor but not PerMonitorV2, and a dpiAwareness
# with no value it knows leaves the program DPI-unaware), carries no
# symbols (they stay in launcher.debug.exe beside it), has none of the test
# builds' crash and hang switches, and loads dbghelp only when it writes a
# dump (its name in the program, not in its import table).
set -eu
objdump=$1 exe=$2
headers=$("$objdump" -p "$exe")
fail() { echo "launcher.exe: $*" >&2; exit 1; }

echo "$headers" | grep -q "file format pei-i386" || fail "not a PE32 i386 image"
echo "$headers" | grep -Eq "^Subsystem[[:space:]]+0*2[[:space:]]" || fail "not a GUI program"
for dll in $(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
  case $(echo "$dll" | tr 'A-Z' 'a-z') in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|ole32.dll|msvcrt.dll) ;;
    *) fail "imports $dll at start, which is not a DLL the system always loads from its own folder" ;;
  esac
done
for dll in gdiplus.dll wininet.dll shell32.dll bcrypt.dll wintrust.dll crypt32.dll; do
  LC_ALL=C grep -aq "$dll" "$exe" || fail "$dll is not delay-loaded"
done
LC_ALL=C grep -aq ">PerMonitorV2, PerMonitor</dpiAwareness>" "$exe" ||
  fail "the manifest's dpiAwareness is not \"PerMonitorV2, PerMonitor\""
"$objdump" -t "$exe" | grep -q "^no symbols" || fail "carries its symbols"
# The test switches' texts, in UTF-16 (as the program's wide strings) and
# in ASCII.
for text in /test-crash /test-abort /test-purecall /test-hang; do
  utf16=$(printf '%s' "$text" | sed 's/./&\\x00/g')
  if LC_ALL=C grep -aqP "$utf16" "$exe" || LC_ALL=C grep -aqF "$text" "$exe"; then
    fail "has the test switch $text"
  fi
done
LC_ALL=C grep -aqP 'd\x00b\x00g\x00h\x00e\x00l\x00p\x00' "$exe" || fail "dbghelp.dll is not loaded for dumps"
size=$(stat -c %s "$exe")
[ "$size" -le 450560 ] || fail "$size bytes, above the budget of 440 KB"
echo "launcher.exe: PE32 i386 GUI, system DLLs only, the rest at first use, $size bytes"
