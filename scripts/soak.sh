#!/usr/bin/env bash
# Figures under load: builds, then runs soak.exe against the real Tarnview in a
# private winxp64 prefix on a private display and sound server, and prints its
# table. Exits 0 when every figure that must be 0 is 0.
# Usage: scripts/soak.sh [--short]   (the full form takes about ten minutes)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" || exit 1
"$root/scripts/build.sh" >/dev/null || { echo "build failed"; exit 1; }

TARN_RUN=${TARN_RUN:-$root/build/run-soak}
source "$root/scripts/testenv.sh"
tarn_env_start || exit 1
tarn_make_prefix soak winxp64
export WINEPREFIX=$TARN_PREFIX
export TARN_OUT=$(tarn_winpath "$root/out/x86_64")
export WINEPATH=$(tarn_winpath "$root/out/x86_64/bin")
tarn_log "soak.exe $* on display $DISPLAY"
timeout 3600 wine "$root/out/x86_64/tests/soak.exe" "$@"
status=$?
tarn_log "soak.exe exit status $status"
exit $status
