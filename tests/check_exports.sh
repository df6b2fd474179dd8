#!/usr/bin/env bash
# Tarnwatch.dll exports exactly its five functions, undecorated; Tarnview.exe
# imports exactly three of them at load time, and the platform-service functions
# it uses; the test build's hooks are not in it.
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
orx=$($objdump -p "$bin/Tarnview.exe" | awk '/DLL Name:/ {dll=$3} dll ~ /^Orx/ && NF==3 && $2 ~ /^[0-9]+$/ {print dll ":" $3}' \
    | sort | tr '\n' ' ')
orx_expected="OrxCore.dll:ORX_Initialize OrxCore.dll:ORX_SetAbortHandler OrxCore.dll:ORX_Uninitialize \
OrxPM.dll:ORX_Get3GPowerStatus OrxPM.dll:ORX_GetLcdBrightness OrxPM.dll:ORX_GetWiFiPowerStatus \
OrxPM.dll:ORX_Set3GPowerStatus OrxPM.dll:ORX_SetLcdBrightness OrxPM.dll:ORX_SetWiFiPowerStatus \
OrxVKbd.dll:ORX_RegisterVKbdCallback "
if [ "$orx" != "$orx_expected" ]; then
    echo "FAIL: Tarnview.exe imports from the Orx libraries: $orx"; status=1
fi
if $arch-w64-mingw32-strings -el "$bin/Tarnview.exe" | grep -q '^Seam'; then
    echo "FAIL: Tarnview.exe carries the test build's hooks"; status=1
fi
[ $status -eq 0 ] && echo "exports: $exports; imports: $imports; .HOOKDAT shared, 16 bytes"
exit $status
