# Sourced by test.sh and run.sh: a private Xvfb display, PulseAudio null sink and
# Wine prefixes under one run folder, each stopped by process id by tarn_env_stop.
# Nothing here touches displays, prefixes or processes it did not create.

TARN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TARN_RUN=${TARN_RUN:-$TARN_ROOT/build/run}
TARN_PIDS=()
TARN_PREFIXES=()
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

tarn_log() { echo "[$(date +%T)] $*"; }

# Whether this kernel runs 32-bit programs: a minimal one, made here, is run.
tarn_kernel_runs_32bit() {
    local dir
    dir=$(mktemp -d) || return 1
    printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' |
        as --32 -o "$dir/t.o" - 2>/dev/null && ld -m elf_i386 -o "$dir/t" "$dir/t.o" 2>/dev/null && "$dir/t" 2>/dev/null
    local rc=$?
    rm -rf "$dir"
    return $rc
}

# Wine's launcher picks its 32-bit loader whenever wine32 is installed, for 64-bit
# programs too. Where it cannot run, a "wine" that runs the 64-bit loader goes
# first on PATH, and TARN_NO_32BIT says why the i686 tree cannot run here:
# "kernel" for a kernel that runs no 32-bit programs (its cases are skipped),
# "missing" for a machine that could but has no 32-bit Wine (they fail).
tarn_choose_loader() {
    TARN_NO_32BIT=
    if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
        return 0
    fi
    if tarn_kernel_runs_32bit; then
        TARN_NO_32BIT=missing
        tarn_log "32-bit Wine (wine32:i386) is missing or broken although this kernel runs 32-bit programs: the i686 tree cannot run"
    else
        TARN_NO_32BIT=kernel
        tarn_log "this kernel runs no 32-bit programs: 64-bit Wine only, the i686 tree is not run"
    fi
    mkdir -p "$TARN_RUN/bin"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$TARN_RUN/bin/wine"
    chmod +x "$TARN_RUN/bin/wine"
    export PATH="$TARN_RUN/bin:$PATH"
}

# A display number whose socket and lock file are both free.
tarn_free_display() {
    local n
    for n in $(seq 90 199); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            echo "$n"
            return 0
        fi
    done
    return 1
}

# Waits up to 10 s for a server's socket to appear.
tarn_wait_for_socket() {
    local socket=$1 what=$2 i
    for i in $(seq 1 100); do
        [ -S "$socket" ] && return 0
        sleep 0.1
    done
    echo "$what did not start" >&2
    return 1
}

tarn_start_xvfb() {
    local n
    n=$(tarn_free_display) || { echo "no free X display" >&2; return 1; }
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp -noreset >"$TARN_RUN/xvfb.log" 2>&1 &
    TARN_PIDS+=($!)
    export DISPLAY=":$n"
    tarn_wait_for_socket "/tmp/.X11-unix/X$n" "Xvfb :$n"
}

# A second X server with two monitors side by side (the dummy video driver: Xvfb
# cannot show Wine two monitors) and a compositing manager, so that a window's
# opacity shows on screen. Exports TARN_MONITORS_DISPLAY; the first output is
# 1280x800 and primary, the second 1024x768 to its right.
tarn_start_monitors() {
    local n dir="$TARN_RUN/xorg"
    n=$(tarn_free_display) || { echo "no free X display" >&2; return 1; }
    rm -rf "$dir"
    mkdir -p "$dir/conf.d"
    Xorg ":$n" -config "$TARN_ROOT/scripts/xorg-dummy.conf" -configdir "$dir/conf.d" -noreset -nolisten tcp \
        -logfile "$dir/xorg.log" -novtswitch -sharevts >"$dir/out.log" 2>&1 &
    TARN_PIDS+=($!)
    tarn_wait_for_socket "/tmp/.X11-unix/X$n" "Xorg :$n (see $dir/xorg.log)" || return 1
    DISPLAY=":$n" xrandr --addmode DUMMY1 1024x768 &&
        DISPLAY=":$n" xrandr --output DUMMY1 --mode 1024x768 --right-of DUMMY0 || return 1
    # A full query, so that the server's current resources, which Wine's desktop
    # reads once as it starts, show the second output.
    DISPLAY=":$n" xrandr >/dev/null || return 1
    DISPLAY=":$n" xcompmgr >"$dir/xcompmgr.log" 2>&1 &
    TARN_PIDS+=($!)
    export TARN_MONITORS_DISPLAY=":$n"
}

tarn_start_pulse() {
    export XDG_RUNTIME_DIR="$TARN_RUN/xdg"
    rm -rf "$XDG_RUNTIME_DIR"
    mkdir -p "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    HOME="$TARN_RUN/home" pulseaudio -n --daemonize=no --exit-idle-time=-1 --system=false \
        --load="module-null-sink sink_name=tarn" --load=module-native-protocol-unix \
        >"$TARN_RUN/pulse.log" 2>&1 &
    TARN_PIDS+=($!)
    tarn_wait_for_socket "$XDG_RUNTIME_DIR/pulse/native" "PulseAudio (see $TARN_RUN/pulse.log)"
}

# The base prefix is made once per run folder; each OS version gets a copy, left
# in TARN_PREFIX with its wine server running.
tarn_make_prefix() {
    local name=$1 version=$2
    local base="$TARN_RUN/prefix-base" prefix="$TARN_RUN/prefix-$name"
    if [ ! -f "$base/.tarn-ready" ]; then
        rm -rf "$base"
        tarn_log "creating Wine prefix"
        WINEPREFIX="$base" timeout 300 wine wineboot -i >"$TARN_RUN/wineboot.log" 2>&1
        WINEPREFIX="$base" timeout 120 wineserver -w
        touch "$base/.tarn-ready"
    fi
    # Dialogs measured and drawn in Windows' own face: this Wine does not load the
    # TrueType fonts of its data folder, and its fallback for Tahoma (a Japanese
    # font once one is installed) draws Latin and Cyrillic far wider. The faces
    # Windows gives East Asian dialogs, as fonts that have their glyphs. A base
    # prefix kept from an earlier run gets them too.
    if [ ! -f "$base/.tarn-fonts" ]; then
        cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf "$base/drive_c/windows/Fonts/" || return 1
        local face
        for face in "MS UI Gothic=IPAPGothic" "Gulim=WenQuanYi Micro Hei" "SimSun=WenQuanYi Micro Hei" \
                    "PMingLiU=WenQuanYi Micro Hei"; do
            WINEPREFIX="$base" timeout 120 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${face%%=*}" \
                /d "${face#*=}" /f >/dev/null 2>&1
        done
        WINEPREFIX="$base" timeout 120 wineserver -w
        touch "$base/.tarn-fonts"
    fi
    rm -rf "$prefix"
    cp -a "$base" "$prefix"
    TARN_PREFIXES+=("$prefix")
    # A server started first keeps later wine calls from holding our output open.
    WINEPREFIX="$prefix" wineserver -p >/dev/null 2>&1
    WINEPREFIX="$prefix" timeout 120 wine reg add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null 2>&1
    # Unmanaged X windows: with no window manager, hiding a managed window blocks
    # the calling thread for 2 s while Wine waits for a withdrawal nobody reports.
    WINEPREFIX="$prefix" timeout 120 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    TARN_PREFIX=$prefix
}

# A prefix whose desktop is on the two-monitor server (tarn_start_monitors).
tarn_make_monitors_prefix() {
    DISPLAY=$TARN_MONITORS_DISPLAY tarn_make_prefix "$1" "$2"
}

# Windows form of a Unix path, through the Z: drive every prefix has.
tarn_winpath() {
    echo "Z:$1" | tr / '\\'
}

# The setup a prefix here can run: the one the build ships, or where this machine
# runs no 32-bit programs, the same script built as a 64-bit program. With
# "noshell", the test build of it that finds no desktop shell (scripts/build.sh).
tarn_setup_exe() {
    if [ -n "${1:-}" ]; then
        ls "$TARN_ROOT/build/setup-$1${TARN_NO_32BIT:+-amd64}"/Tarn-*-setup.exe
    elif [ -z "${TARN_NO_32BIT:-}" ]; then
        ls "$TARN_ROOT"/out/Tarn-*-setup.exe
    else
        ls "$TARN_ROOT"/build/setup-amd64/Tarn-*-setup.exe
    fi
}

# Exports the setups the setup suite runs, as Windows paths.
tarn_export_setups() {
    TARN_SETUP=$(tarn_winpath "$(tarn_setup_exe)") || return 1
    TARN_SETUP_NOSHELL=$(tarn_winpath "$(tarn_setup_exe noshell)") || return 1
    export TARN_SETUP TARN_SETUP_NOSHELL
}

# The stand-ins for the maker's platform libraries where its own package puts
# them: the system folder of each build's bitness.
tarn_place_platform() {
    local prefix=$1
    mkdir -p "$prefix/drive_c/windows/system32" "$prefix/drive_c/windows/syswow64"
    cp "$TARN_ROOT"/out/x86_64/bin/Orx*.dll "$prefix/drive_c/windows/system32/"
    cp "$TARN_ROOT"/out/i686/bin/Orx*.dll "$prefix/drive_c/windows/syswow64/"
}

tarn_env_start() {
    mkdir -p "$TARN_RUN" "$TARN_RUN/home"
    trap tarn_env_stop EXIT
    trap 'exit 130' INT TERM
    tarn_choose_loader
    tarn_start_xvfb
    tarn_start_pulse
}

tarn_env_stop() {
    local prefix pid
    for prefix in "${TARN_PREFIXES[@]}"; do
        WINEPREFIX="$prefix" timeout 30 wineserver -k >/dev/null 2>&1
    done
    for pid in "${TARN_PIDS[@]}"; do
        kill "$pid" 2>/dev/null
    done
    for pid in "${TARN_PIDS[@]}"; do
        wait "$pid" 2>/dev/null
    done
    TARN_PIDS=()
    TARN_PREFIXES=()
}
