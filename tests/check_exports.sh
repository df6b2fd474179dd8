#!/usr/bin/env bash
# Tarnwatch.dll exports exactly its five functions, undecorated; Tarnview.exe
# imports exactly three of them at load time, and only system libraries besides;
# the test build's hooks are not in it.
set -euo pipefail
arch=$1 bin=$2
objdump=$arch-w64-mingw32-objdump

exports=$($objdump -p "$bin/Tarnwatch.dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' \
    | awk '/\]/ && !/Table/ {print $NF}' | sort | tr '\n' ' ')
imports=$($objdump -p "$bin/Tarnview.exe" | awk '/DLL Name:/ {dll=$3} dll=="Tarnwatch.dll" && NF==3 && $2 ~ /^[0-9]+$/ {print $3}' \
    | sort | tr '\n' ' ')

status=0
if [ "$exports" != "DBGOUT GetOSVersion KeybdProcLL RegisterHook UnregisterHook " ]; then
    echo "FAIL: Tarnwatch.dll exports: $exports"; status=1
fi
if [ "$imports" != "DBGOUT GetOSVersion RegisterHook " ]; then
    echo "FAIL: Tarnview.exe imports from Tarnwatch.dll: $imports"; status=1
fi
if ! $objdump -h "$bin/Tarnwatch.dll" | grep -A1 '\.HOOKDAT' | grep -q SHARED; then
    echo "FAIL: .HOOKDAT is not a shared section"; status=1
fi
size=$($objdump -h "$bin/Tarnwatch.dll" | awk '$2==".HOOKDAT" {print $3}')
if [ "$size" != "00000010" ]; then
    echo "FAIL: .HOOKDAT is $size bytes, not 16"; status=1
fi
# The platform libraries are loaded at run time: a machine without them must
# still start Tarnview, so it imports nothing but system libraries and Tarnwatch.
dlls=$($objdump -p "$bin/Tarnview.exe" | awk '/DLL Name:/ {print tolower($3)}' | sort | tr '\n' ' ')
if [ "$dlls" != "advapi32.dll gdi32.dll gdiplus.dll kernel32.dll msvcrt.dll ole32.dll oleacc.dll oleaut32.dll \
shell32.dll tarnwatch.dll user32.dll " ]; then
    echo "FAIL: Tarnview.exe imports from: $dlls"; status=1
fi
if $arch-w64-mingw32-strings -el "$bin/Tarnview.exe" | grep -q '^Seam'; then
    echo "FAIL: Tarnview.exe carries the test build's hooks"; status=1
fi
[ $status -eq 0 ] && echo "exports: $exports; imports: $imports; .HOOKDAT shared, 16 bytes"
exit $status
