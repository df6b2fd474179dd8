#!/usr/bin/env bash
# Installs the Debian packages the build, the main job and the tests need, only when one is missing.
set -euo pipefail

PKGS=(cmake make g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 xvfb xdotool
      x11-utils pulseaudio pulseaudio-utils googletest imagemagick librsvg2-bin binutils-mingw-w64-x86-64
      binutils-mingw-w64-i686 procps nsis wixl msitools libxml2-utils)

missing=()
for p in "${PKGS[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# 32-bit Wine runs the i686 build in the same prefix (WoW64).
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    need_update=1
fi
dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' || missing+=(wine32:i386)

# A package index that cannot be fetched in full (a mirror half-way through a sync)
# leaves the old one in use; what cannot be installed from it says so below.
update() {
    apt-get update -qq || echo "install-deps: the package index was not fully updated, going on with what there is"
}

if [ ${#missing[@]} -gt 0 ]; then
    echo "install-deps: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    update
    native=()
    for p in "${missing[@]}"; do [ "$p" = wine32:i386 ] || native+=("$p"); done
    [ ${#native[@]} -eq 0 ] || apt-get install -y -qq --no-install-recommends "${native[@]}" >/dev/null
    # Without 32-bit Wine the i686 runs are counted as skipped (scripts/testenv.sh).
    if [[ " ${missing[*]} " == *" wine32:i386 "* ]]; then
        apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null ||
            echo "install-deps: wine32:i386 could not be installed: the i686 tree will not be run"
    fi
elif [ -n "${need_update:-}" ]; then
    update
fi
