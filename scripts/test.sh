#!/usr/bin/env bash
# The README's test command: installs what is missing, builds both architectures,
# and runs every suite under Wine on a private display, sound server and prefixes.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" || exit 1
"$root/scripts/build.sh" || { echo "build failed"; exit 1; }

source "$root/scripts/testenv.sh"
# Wine gives programs the interface language of the Unix locale: the cases expect
# English unless a run of theirs sets another language.
export LANG=C.UTF-8
unset LC_ALL LC_MESSAGES LANGUAGE
tarn_env_start || exit 1

passed=0 failed=0 skipped=0
# run_suites <name> <arch> <prefix> [ctest args...]
# A test that times out runs once more: every case waits with deadlines of its
# own, so a timeout means a Wine process that never ended, not a failed check.
# CTest counts a skipped case among the passed ones; here it counts apart.
run_suites() {
    local name=$1 arch=$2 prefix=$3
    shift 3
    tarn_log "suites: $name"
    local out="$TARN_RUN/ctest-$name.log"
    WINEPREFIX="$prefix" TARN_OUT="$(tarn_winpath "$root/out/$arch")" WINEPATH="$(tarn_winpath "$root/out/$arch/bin")" \
        ctest --test-dir "$root/build/$arch" --output-on-failure --timeout 900 --repeat after-timeout:2 "$@" 2>&1 | tee "$out"
    local p f s
    p=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2 \1/p' "$out" | awk '{print $1-$2}')
    f=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of.*/\1/p' "$out")
    s=$(grep -cE '^[[:space:]]+[0-9]+ - .* \((Skipped|Disabled)\)$' "$out")
    passed=$((passed + ${p:-0} - s))
    failed=$((failed + ${f:-1}))
    skipped=$((skipped + s))
}

# unrun_suites <name> <ctest args...>: a run this machine cannot make. Its cases,
# counted from the x86_64 tree that defines the same ones, are skipped where the
# kernel runs no 32-bit programs, and failed where only 32-bit Wine is missing.
unrun_suites() {
    local name=$1 n
    shift
    n=$(WINEPREFIX="$xp" TARN_OUT="$(tarn_winpath "$root/out/x86_64")" \
        ctest --test-dir "$root/build/x86_64" -N "$@" 2>/dev/null | sed -n 's/^Total Tests: \([0-9]*\)$/\1/p')
    if [ "$TARN_NO_32BIT" = kernel ]; then
        tarn_log "suites: $name: ${n:-0} skipped, this kernel runs no 32-bit programs"
        skipped=$((skipped + ${n:-0}))
    else
        tarn_log "suites: $name: ${n:-0} failed, 32-bit Wine (wine32:i386) is not installed"
        failed=$((failed + ${n:-1}))
    fi
}

tarn_start_monitors || exit 1
tarn_make_prefix xp winxp64
xp=$TARN_PREFIX
tarn_make_prefix win7 win7
win7=$TARN_PREFIX
# The setup's own machine: its cases install, start and end Tarnview there.
tarn_make_prefix setup win7
setup=$TARN_PREFIX
tarn_place_platform "$setup"
# Two monitors on an X server of their own.
tarn_make_monitors_prefix monitors winxp64
monitors=$TARN_PREFIX

run_suites "x86_64-xp" x86_64 "$xp" -LE '(^|-)(setup|monitors)($|-)'
run_suites "x86_64-win7" x86_64 "$win7" -L '(^|-)os($|-)'
DISPLAY=$TARN_MONITORS_DISPLAY run_suites "x86_64-monitors" x86_64 "$monitors" -L '(^|-)monitors($|-)'
tarn_export_setups || exit 1
tarn_log "setup under test: $TARN_SETUP"
run_suites "x86_64-setup" x86_64 "$setup" -L '(^|-)setup($|-)'
if [ -z "$TARN_NO_32BIT" ]; then
    run_suites "i686-xp" i686 "$xp" -L '(^|-)i686($|-)'
    run_suites "i686-win7" i686 "$win7" -L '(^|-)wow64($|-)'
else
    unrun_suites "i686-xp" -L '(^|-)i686($|-)'
    unrun_suites "i686-win7" -L '(^|-)wow64($|-)'
fi

echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
