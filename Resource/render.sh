#!/usr/bin/env bash
# Renders every src/<Name>.svg to <Name>.png beside this script, at the SVG's own
# pixel size (96 dpi, 1 SVG unit = 1 pixel), and to 2x/<Name>.png at twice that
# size, which Tarnview draws from for an indicator larger than 100 %. The PNGs are
# committed, so a normal build never runs this; run it after editing a picture
# and commit all the files.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
src="$here/src"

need=()
command -v rsvg-convert >/dev/null 2>&1 || need+=(librsvg2-bin)
# The ON/OFF legends and key glyphs are live text set in DejaVu Sans Bold; without
# the font, fontconfig would silently substitute another face with other metrics.
[ -f /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf ] || need+=(fonts-dejavu-core)
if [ ${#need[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# Reads a numeric attribute of the root <svg> element.
svg_attr() {
    sed -n 's/.*<svg[^>]* '"$1"'="\([0-9][0-9]*\)".*/\1/p' "$2" | head -n 1
}

# Width and height straight from the PNG's IHDR chunk, so no other tool is needed.
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%d %d\n", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'
}

# render <svg> <png> <width> <height>
render() {
    rsvg-convert --dpi-x 96 --dpi-y 96 -w "$3" -h "$4" -f png -o "$2" "$1"
    # The program draws each picture at its pixel size, so a wrong size is a bug.
    local got
    got=$(png_size "$2")
    if [ "$got" != "$3 $4" ]; then
        echo "render: $2 is $got, expected $3 $4" >&2
        exit 1
    fi
}

mkdir -p "$here/2x"
shopt -s nullglob
count=0
for svg in "$src"/*.svg; do
    name=$(basename "$svg" .svg)
    w=$(svg_attr width "$svg")
    h=$(svg_attr height "$svg")
    if [ -z "$w" ] || [ -z "$h" ]; then
        echo "render: $svg has no integer width/height on <svg>" >&2
        exit 1
    fi
    out="$here/$name.png"
    render "$svg" "$here/$name.png" "$w" "$h"
    render "$svg" "$here/2x/$name.png" $((2 * w)) $((2 * h))
    echo "$name.png ${w}x${h}, 2x/$name.png $((2 * w))x$((2 * h))"
    count=$((count + 1))
done
[ "$count" -gt 0 ] || { echo "render: no SVG sources in $src" >&2; exit 1; }
