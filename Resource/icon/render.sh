#!/usr/bin/env bash
# Renders Tarn.svg to Tarn.ico beside this script, at 16, 32 and 48 pixels: the icon
# of Tarnview.exe, the setup, its uninstaller and the packages' uninstall entries.
# The .ico is committed, so a normal build never runs this; run it after editing
# the picture and commit both files. Needs rsvg-convert and ImageMagick's convert.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

sizes=(16 32 48)
for n in "${sizes[@]}"; do
    rsvg-convert -w "$n" -h "$n" -f png -o "$tmp/$n.png" "$here/Tarn.svg"
done
convert $(printf "$tmp/%s.png " "${sizes[@]}") "$here/Tarn.ico"
identify "$here/Tarn.ico"
