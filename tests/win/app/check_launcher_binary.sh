#!/bin/sh
# check_launcher_binary.sh OBJDUMP EXE
# launcher.exe is a 32-bit Windows GUI program that imports only DLLs of the
# system (no C++ runtime or thread library beside it), fits its size budget
# of 400 KB with both picture sets of the skin, and loads GDI+ only on
# first use.
set -eu
objdump=$1 exe=$2
headers=$("$objdump" -p "$exe")
fail() { echo "launcher.exe: $*" >&2; exit 1; }

echo "$headers" | grep -q "file format pei-i386" || fail "not a PE32 i386 image"
echo "$headers" | grep -Eq "^Subsystem[[:space:]]+0*2[[:space:]]" || fail "not a GUI program"
for dll in $(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
  case $(echo "$dll" | tr 'A-Z' 'a-z') in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|ole32.dll|wininet.dll|msvcrt.dll|gdiplus.dll) ;;
    *) fail "imports $dll, which is not part of the system" ;;
  esac
done
echo "$headers" | grep -q "Delay Import Directory" || fail "gdiplus.dll is not delay-loaded"
size=$(stat -c %s "$exe")
[ "$size" -le 409600 ] || fail "$size bytes, above the budget of 400 KB"
echo "launcher.exe: PE32 i386 GUI, system DLLs only, $size bytes"
