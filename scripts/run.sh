#!/usr/bin/env bash
# The README's main-job command: builds the x86_64 tree and runs Tarnview.exe from
# it under Wine, with the platform stand-ins, on a private virtual display (or on
# $DISPLAY with --here), until interrupted.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
here=0
[ "${1:-}" = "--here" ] && here=1

"$root/scripts/install-deps.sh" || exit 1
"$root/scripts/build.sh" || { echo "build failed"; exit 1; }

source "$root/scripts/testenv.sh"
TARN_RUN="$root/build/run-main"
mkdir -p "$TARN_RUN" "$TARN_RUN/home"
trap tarn_env_stop EXIT
trap 'exit 130' INT TERM
if [ $here -eq 0 ] || [ -z "${DISPLAY:-}" ]; then
    tarn_start_xvfb || exit 1
fi
tarn_start_pulse || exit 1
tarn_make_prefix main winxp64
export WINEPREFIX=$TARN_PREFIX

bin="$root/out/x86_64/bin"
wine reg add 'HKLM\SOFTWARE\Halvern\orx' /v TarnMonPath /d "$(tarn_winpath "$bin")" /f >/dev/null 2>&1
mkdir -p "$WINEPREFIX/drive_c/temp1234567890"
tarn_log "Tarnview running on display $DISPLAY; log: $WINEPREFIX/drive_c/temp1234567890/tarn.log"
wine "$bin/Tarnview.exe" &
TARN_PIDS+=($!)
tarn_log "press Ctrl-C to stop"
wait "${TARN_PIDS[-1]}"
