#!/usr/bin/env bash
# The README's main-job command: builds, puts the platform stand-ins where the
# maker's package puts its libraries, installs Tarnview into a private Wine prefix
# with the setup (silently, into "C:\Program Files\Halvern\Tarn"), adds the
# maker's Screenflip.exe beside the program, runs Tarnview.exe there on a private
# display with two monitors, plays the indicator tour and then the hardware-event
# tour (orxctl presses the radio, brightness and display keys and has a request
# refused), shows the indicator on the second monitor, then opens the Control
# Panel item Tarn Buttons (also as a German and a Japanese user see it), into out/tour (a
# screenshot per step and contact-sheet.png), then keeps
# Tarnview running until interrupted.
#   --here      use the X display in $DISPLAY instead of a private one
#   --no-wait   stop after the tour
#   --dpi N     screen DPI of the prefix (LogPixels, e.g. 120 or 144), screenshots
#               in out/tour-<N>dpi
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
here=0 wait_after=1 dpi=
usage() { echo "usage: $0 [--here] [--no-wait] [--dpi N]" >&2; exit 2; }
while [ $# -gt 0 ]; do
    case "$1" in
        --here) here=1 ;;
        --no-wait) wait_after=0 ;;
        --dpi) [ $# -ge 2 ] || usage; dpi=$2; shift ;;
        *) usage ;;
    esac
    shift
done
if [ -n "$dpi" ] && ! [[ "$dpi" =~ ^[1-9][0-9]{1,2}$ ]]; then
    echo "--dpi wants a number of dots per inch such as 120 or 144" >&2; exit 2
fi

"$root/scripts/install-deps.sh" || exit 1
"$root/scripts/build.sh" || { echo "build failed"; exit 1; }

source "$root/scripts/testenv.sh"
# The tour in English whatever the machine's locale (Wine takes the interface
# language from it); the item is also shown in German and Japanese below.
export LANG=C.UTF-8
unset LC_ALL LC_MESSAGES LANGUAGE
TARN_RUN="$root/build/run-main"
mkdir -p "$TARN_RUN" "$TARN_RUN/home"
trap tarn_env_stop EXIT
trap 'exit 130' INT TERM
tarn_choose_loader
# Two monitors side by side, as a tablet with an external monitor has them.
if [ $here -eq 0 ] || [ -z "${DISPLAY:-}" ]; then
    tarn_start_monitors || exit 1
    export DISPLAY=$TARN_MONITORS_DISPLAY
    tarn_make_monitors_prefix main winxp64
else
    tarn_make_prefix main winxp64
fi
tarn_start_pulse || exit 1
export WINEPREFIX=$TARN_PREFIX
# Windows reads the screen's DPI at log-on; Wine reads it when a program starts.
if [ -n "$dpi" ]; then
    timeout 120 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    tarn_log "screen at $dpi dpi"
fi

# Installed as on a user's machine: the maker's platform package in place, then
# the setup into its default folder (a blank in the path), which writes
# "TarnMonPath", the Run value and the uninstall entry; the script starts
# Tarnview itself below, as a logon would, so that it can wait for it.
out="$root/out/x86_64"
tarn_place_platform "$WINEPREFIX"
setup=$(tarn_setup_exe) || exit 1
tarn_log "installing with $setup${TARN_NO_32BIT:+ (the 64-bit build of the setup: this machine runs no 32-bit programs)}"
timeout 300 wine "$setup" /S /NOSTART >"$TARN_RUN/setup.log" 2>&1
setup_status=$?
if [ $setup_status -ne 0 ]; then
    echo "the setup ended with exit code $setup_status (3: the platform libraries were not found)"; exit 1
fi
bin='C:\Program Files\Halvern\Tarn\bin'
cp "$out/sim/Screenflip.exe" "$WINEPREFIX/drive_c/Program Files/Halvern/Tarn/bin/"
mkdir -p "$WINEPREFIX/drive_c/temp1234567890"
tarn_log "Tarnview running on display $DISPLAY; log: $WINEPREFIX/drive_c/temp1234567890/tarn.log"
wine "$bin\Tarnview.exe" &
TARN_PIDS+=($!)
tarn_pid=$!

tour="$root/out/tour${dpi:+-${dpi}dpi}"
rm -rf "$tour"
mkdir -p "$tour"
for i in $(seq 1 300); do
    grep -q "Tarnview: OS version is" "$WINEPREFIX/drive_c/temp1234567890/tarn.log" 2>/dev/null && break
    sleep 0.1
done
tarn_log "indicator tour, screenshots in $tour"
timeout 600 wine "$out/sim/tour.exe" "$(tarn_winpath "$tour")"
tour_status=$?

# The hardware events, pressed through the platform stand-ins' control program;
# each OSD is saved as it appears. The call log shows what Tarnview asked of the
# platform: C:\tarnsim\calls.log in the prefix.
orxctl() { timeout 120 wine "$out/sim/orxctl.exe" "$@" >>"$TARN_RUN/orxctl.log" 2>&1; }
event_step() {   # <screenshot name> <event code>
    orxctl event "$2" --wait && timeout 120 wine "$out/sim/tour.exe" --shot "$(tarn_winpath "$tour")" "$1" \
        || { echo "$1: event $2 FAILED"; tour_status=1; }
}
tarn_log "hardware-event tour through orxctl"
orxctl reset
if orxctl wait-registered 60000; then
    orxctl set wifi 0;        event_step 30_event_wifi_on 0
                              event_step 31_event_wifi_off 0
    orxctl set 3g 0;          event_step 32_event_3g_on 6
    orxctl set brightness 3;  event_step 33_event_brightness_up_4 3
                              event_step 34_event_brightness_up_5 3
    orxctl set brightness 1;  event_step 35_event_brightness_down_0 2
    orxctl screenflip-exit 3; event_step 36_event_display_dual 1
    orxctl screenflip-exit 2; event_step 37_event_display_external 1
    orxctl result ORX_SetWiFiPowerStatus 2
                              event_step 38_event_wifi_denied 0
    orxctl result ORX_SetWiFiPowerStatus clear
    grep -q "WndProc: set 19" "$WINEPREFIX/drive_c/temp1234567890/tarn.log" \
        || { echo "the refused request was not shown"; tour_status=1; }
    tarn_log "platform calls: $WINEPREFIX/drive_c/tarnsim/calls.log"
else
    echo "Tarnview never registered its button callback"; tour_status=1
fi
# The indicator on the second monitor: the monitor under the pointer, where the
# tour puts the pointer.
tarn_log "the indicator on the second monitor"
timeout 120 wine "$out/sim/tour.exe" --second "$(tarn_winpath "$tour")" || tour_status=1
# Last, the buttons' Control Panel item as Control Panel opens it (64-bit control.exe
# for the 64-bit item: Wine's 64-bit loader, which Debian keeps off PATH): both pages
# as an English, a German and a Japanese user see them (Wine takes the interface
# language from the Unix locale); then in English, where it stays open with Tarnview.
photograph_item() {   # <locale> <tag> <the item's name in that language>
    LANG=$1 LC_ALL=$1 /usr/lib/wine/wine64 control.exe "$bin\TarnButtons.cpl" >>"$TARN_RUN/control.log" 2>&1 &
    local pid=$! window= i
    for i in $(seq 1 300); do
        window=$(xdotool search --name "^$3\$" 2>/dev/null | head -1) && [ -n "$window" ] && break
        sleep 0.1
    done
    if [ -z "$window" ]; then
        echo "the Control Panel item did not open in $2"; tour_status=1
    else
        sleep 1   # its first paint
        import -window "$window" "$tour/41_control_panel_item_buttons_$2.png"
        # The first tab clicked (no window manager here to activate the window),
        # then the next one: where they are in a window of 404 x 505 at 96 dpi, scaled.
        eval "$(xdotool getwindowgeometry --shell "$window")"
        xdotool mousemove --window "$window" $((WIDTH * 30 / 404)) $((HEIGHT * 38 / 505)) click 1 &&
            sleep 0.5 && xdotool key Right
        sleep 1
        import -window "$window" "$tour/42_control_panel_item_indicator_$2.png"
        xdotool key Escape
    fi
    for i in $(seq 1 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill $pid 2>/dev/null
}
photograph_item C.UTF-8 en-US "Tarn Buttons"
photograph_item de_DE.UTF-8 de-DE "Tarn-Tasten"
photograph_item ja_JP.UTF-8 ja-JP "Tarn ボタン"
tarn_log "opening the Control Panel item Tarn Buttons"
/usr/lib/wine/wine64 control.exe "$bin\TarnButtons.cpl" >>"$TARN_RUN/control.log" 2>&1 &
TARN_PIDS+=($!)
cpl_window=
for i in $(seq 1 300); do
    cpl_window=$(xdotool search --name '^Tarn Buttons$' 2>/dev/null | head -1) && [ -n "$cpl_window" ] && break
    sleep 0.1
done
if [ -n "$cpl_window" ]; then
    sleep 1   # its first paint
    import -window "$cpl_window" "$tour/40_control_panel_item.png"
else
    echo "the Control Panel item did not open"; tour_status=1
fi
montage "$tour"/*.png -tile 2x -geometry +4+4 -background '#404040' "$tour/contact-sheet.png" 2>/dev/null \
    && tarn_log "contact sheet: $tour/contact-sheet.png"
if [ $wait_after -eq 1 ]; then
    tarn_log "Tarnview keeps running; press Ctrl-C to stop"
    wait "$tarn_pid"
fi
exit $tour_status
