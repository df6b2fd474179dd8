#!/usr/bin/env bash
# The hook benchmark: builds, then times key events through Tarnview's
# KeybdProcLL against an empty hook, in a private winxp64 prefix on a private
# display and sound server. Usage: scripts/bench.sh [x86_64|i686]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-x86_64}
"$root/scripts/install-deps.sh" || exit 1
"$root/scripts/build.sh" >/dev/null || { echo "build failed"; exit 1; }

TARN_RUN=${TARN_RUN:-$root/build/run-bench}
source "$root/scripts/testenv.sh"
tarn_env_start || exit 1
tarn_make_prefix bench winxp64
export WINEPREFIX=$TARN_PREFIX
tarn_log "bench_hook ($arch) on display $DISPLAY"
timeout 900 wine "$root/out/$arch/tests/bench_hook.exe"
