#!/usr/bin/env bash
# The benchmark report: builds, then times key events through Tarnview's
# KeybdProcLL against an empty hook, and the OSD's latency, paint, idle CPU and
# memory against their baselines, in a private winxp64 prefix on a private
# display and sound server. Usage: scripts/bench.sh [x86_64|i686] [osd]
# ("osd" leaves out the key rows, which take most of the time).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-x86_64}
part=${2:-}
"$root/scripts/install-deps.sh" || exit 1
"$root/scripts/build.sh" >/dev/null || { echo "build failed"; exit 1; }

TARN_RUN=${TARN_RUN:-$root/build/run-bench}
source "$root/scripts/testenv.sh"
tarn_env_start || exit 1
tarn_make_prefix bench winxp64
export WINEPREFIX=$TARN_PREFIX
# The OSD rows need the pictures, found from the program folder.
view=64; [ "$arch" = i686 ] && view=32
timeout 120 wine reg add 'HKLM\SOFTWARE\Halvern\orx' /v TarnMonPath /d "$(tarn_winpath "$root/out/$arch/bin")" \
    /reg:$view /f >/dev/null 2>&1
tarn_log "bench_hook ($arch) on display $DISPLAY"
timeout 3600 wine "$root/out/$arch/tests/bench_hook.exe" $part
