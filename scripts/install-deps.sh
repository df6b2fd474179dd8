#!/usr/bin/env bash
# Installs the Debian packages the build, the main job and the tests need, only when one is missing.
set -euo pipefail

PKGS=(cmake make g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 xvfb xdotool
      x11-utils pulseaudio pulseaudio-utils googletest imagemagick librsvg2-bin binutils-mingw-w64-x86-64
      binutils-mingw-w64-i686 binutils procps nsis wixl msitools libxml2-utils
      xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils xcompmgr
      locales fonts-wine fonts-wqy-microhei fonts-ipafont-gothic)

# Wine takes a process's interface language from its Unix locale, which must exist:
# the languages the tests run in, one the product has no texts for, and a
# Chinese whose script the setup chooses.
LOCALES=(de_DE.UTF-8 ja_JP.UTF-8 nl_NL.UTF-8 zh_HK.UTF-8)

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

# When the mirror's i386 security index cannot be fetched, the i386 libraries exist
# only in their bookworm versions, while amd64 twins may carry security versions: a
# Multi-Arch: same library must be one version on both, so apt refuses wine32. The
# security suite is then kept from being the candidate for this one install, and
# each amd64 twin newer than every i386 version is brought down to that version.
install_wine32_pinned() {
    local prefs opts pins=() p s v c
    prefs=$(mktemp)
    printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' >"$prefs"
    opts=(-o "Dir::Etc::Preferences=$prefs")
    for p in $(apt-cache "${opts[@]}" depends --recurse --no-recommends --no-suggests --no-conflicts \
                   --no-breaks --no-replaces --no-enhances wine32:i386 2>/dev/null |
               sed -n 's/^\([a-z0-9][^ ]*\):i386$/\1/p' | sort -u); do
        s=$(dpkg-query -W -f='${Status}|${Version}|${Multi-Arch}' "$p:amd64" 2>/dev/null) || continue
        case $s in "install ok installed|"*"|same") ;; *) continue ;; esac
        v=${s#*|}; v=${v%|*}
        c=$(apt-cache "${opts[@]}" policy "$p:i386" | sed -n 's/^  Candidate: //p')
        [ -n "$c" ] && [ "$c" != "(none)" ] && dpkg --compare-versions "$c" lt "$v" && pins+=("$p:amd64=$c")
    done
    echo "install-deps: wine32:i386 as it stands cannot be installed; trying the release suite's versions${pins[*]:+, with ${pins[*]}}"
    apt-get "${opts[@]}" install -y -qq --allow-downgrades --no-install-recommends wine32:i386 "${pins[@]}" >/dev/null
    local rc=$?
    rm -f "$prefs"
    return $rc
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
        apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null 2>&1 || install_wine32_pinned ||
            echo "install-deps: wine32:i386 could not be installed: the i686 tree will not be run"
    fi
elif [ -n "${need_update:-}" ]; then
    update
fi

generate=0
for l in "${LOCALES[@]}"; do
    locale -a 2>/dev/null | grep -qix "${l/UTF-8/utf8}" && continue
    sed -i "s/^# *\($l UTF-8\)/\1/" /etc/locale.gen
    grep -q "^$l UTF-8" /etc/locale.gen || echo "$l UTF-8" >>/etc/locale.gen
    generate=1
done
[ $generate -eq 0 ] || locale-gen >/dev/null
