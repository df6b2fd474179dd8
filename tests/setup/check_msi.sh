#!/usr/bin/env bash
# The packages' tables, for what msiexec under Wine does not show: both keep the
# fixed UpgradeCode with a newer- and an older-version row, install per machine,
# run no custom action (they never start Tarnview), keep out the NSIS install,
# show the icon, and carry every file of the manifest, in the x64 package as
# 64-bit components, and share no component GUID.
set -uo pipefail
out=$1 manifest=$2 status=0
check() { # <package> <table> <grep pattern> [count]
    local n
    n=$(msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4 | grep -cE "$3")
    [ "$n" -eq "${4:-1}" ] || { echo "FAIL: ${1##*/} $2: $n rows match '$3', not ${4:-1}"; status=1; }
}
files=$(sed -e '$a\' "$manifest" | wc -l)
for msi in "$out"/Tarn-*-x64.msi "$out"/Tarn-*-x86.msi; do
    check "$msi" Upgrade '^\{6B2D8F3E-4A71-4C1E-9D53-2F0E8A7C1B94\}' 2
    check "$msi" Property '^(ALLUSERS	1|ARPPRODUCTICON	Tarn\.ico)$' 2
    check "$msi" CustomAction . 0
    check "$msi" LaunchCondition '^Installed OR NOT \(TARN_NSIS64 OR TARN_NSIS32\)	'
    check "$msi" File . "$files"
    # The buttons' item: Cpls entry, category, and the shortcut that opens it.
    check "$msi" Registry '	(TarnButtons|\[INSTALLDIR\]bin\\TarnButtons\.cpl)	' 2
    check "$msi" Shortcut '^TarnButtonsLink	ProgramMenuFolder	Tarn Buttons	ButtonsShortcut	\[System(64)?Folder\]control\.exe	'
done
check "$out"/Tarn-*-x64.msi Component '	(256|260)	' $((files + 5))
check "$out"/Tarn-*-x86.msi Component '	(256|260)	' 0
# Windows Installer's component rules: one GUID is one component, never two
# packages' different ones.
shared=$(for msi in "$out"/Tarn-*-x64.msi "$out"/Tarn-*-x86.msi; do
    msiinfo export "$msi" Component | tr -d '\r' | tail -n +4 | cut -f2 | sort -u; done | sort | uniq -d)
[ -z "$shared" ] || { echo "FAIL: component GUIDs in both packages: $shared"; status=1; }
exit $status
