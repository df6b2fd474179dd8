#!/usr/bin/env bash
# The load-time imports of each shipped binary of one build match tests/xp-imports.txt
# exactly: every function there was confirmed to exist on Windows XP SP3 and XP x64,
# and a new import fails here until it has been confirmed and listed.
set -euo pipefail
arch=$1 bin=$2 list=$3
objdump=$arch-w64-mingw32-objdump
[ "$arch" = i686 ] && build=x86 || build=x64

# "dll function letter" for each import of one binary.
imports_of() {
    $objdump -p "$bin/$1" | awk -v b="$2" '
        /DLL Name:/ { dll = tolower($3); next }
        dll && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ && $3 !~ /^[0-9a-f]+$/ { print dll, $3, b }'
}
built=$( { imports_of Tarnview.exe V; imports_of Tarnwatch.dll W; imports_of TarnButtons.cpl C; } | sort -u)
listed=$(awk -v col="$build:" '!/^#/ && NF {
        for (i = 3; i <= 4; i++) if (index($i, col) == 1) { s = substr($i, length(col) + 1)
            for (j = 1; j <= length(s); j++) if (substr(s, j, 1) != "-") print $1, $2, substr(s, j, 1) } }' "$list" | sort -u)

status=0
new=$(comm -23 <(echo "$built") <(echo "$listed"))
gone=$(comm -13 <(echo "$built") <(echo "$listed"))
if [ -n "$new" ]; then
    echo "FAIL: imports not confirmed for XP ($build; V Tarnview.exe, W Tarnwatch.dll, C TarnButtons.cpl):"
    echo "$new" | sed 's/^/  /'
    status=1
fi
if [ -n "$gone" ]; then
    echo "FAIL: listed for the $build build but no longer imported (update $list):"
    echo "$gone" | sed 's/^/  /'
    status=1
fi
[ $status -eq 0 ] && echo "$(echo "$built" | wc -l) imports of the $build build, each confirmed for XP"
exit $status
