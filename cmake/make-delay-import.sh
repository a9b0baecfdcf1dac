#!/bin/sh
# make-delay-import.sh NM DLLTOOL IMPORT_LIB DLL_NAME OUTPUT PREFIX
# Writes a delay-load import library for DLL_NAME with every function that
# the ordinary import library IMPORT_LIB names. PREFIX is what stands before
# a function's name in the import library's symbols: "__imp__" for i386,
# "__imp_" for x86-64.
set -eu
nm=$1 dlltool=$2 import_lib=$3 dll=$4 output=$5 prefix=$6
def="$output.def"
{
  echo "LIBRARY $dll"
  echo "EXPORTS"
  "$nm" "$import_lib" 2>/dev/null | sed -n "s/.* I $prefix//p" | sort -u
} > "$def"
"$dlltool" --input-def "$def" --output-delaylib "$output" --dllname "$dll" --kill-at
