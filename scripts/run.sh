#!/usr/bin/env bash
# The README's main-job command: builds the x86_64 tree, runs Tarnview.exe from it
# under Wine with the platform stand-ins on a private virtual display, plays the
# indicator tour into out/tour (a screenshot per indicator and contact-sheet.png),
# then keeps Tarnview running until interrupted.
#   --here      use the X display in $DISPLAY instead of a private one
#   --no-wait   stop after the tour
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
here=0 wait_after=1
for arg in "$@"; do
    case "$arg" in
        --here) here=1 ;;
        --no-wait) wait_after=0 ;;
        *) echo "usage: $0 [--here] [--no-wait]" >&2; exit 2 ;;
    esac
done

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
wine reg add 'HKLM\SOFTWARE\Halvern\orx' /v TarnMonPath /d "$(tarn_winpath "$bin")" /reg:64 /f >/dev/null 2>&1
mkdir -p "$WINEPREFIX/drive_c/temp1234567890"
tarn_log "Tarnview running on display $DISPLAY; log: $WINEPREFIX/drive_c/temp1234567890/tarn.log"
wine "$bin/Tarnview.exe" &
TARN_PIDS+=($!)
tarn_pid=$!

tour="$root/out/tour"
rm -rf "$tour"
mkdir -p "$tour"
for i in $(seq 1 300); do
    grep -q "Tarnview: OS version is" "$WINEPREFIX/drive_c/temp1234567890/tarn.log" 2>/dev/null && break
    sleep 0.1
done
tarn_log "indicator tour, screenshots in $tour"
timeout 600 wine "$root/out/x86_64/sim/tour.exe" "$(tarn_winpath "$tour")"
tour_status=$?
montage "$tour"/*.png -tile 2x -geometry +4+4 -background '#404040' "$tour/contact-sheet.png" 2>/dev/null \
    && tarn_log "contact sheet: $tour/contact-sheet.png"
if [ $wait_after -eq 1 ]; then
    tarn_log "Tarnview keeps running; press Ctrl-C to stop"
    wait "$tarn_pid"
fi
exit $tour_status
