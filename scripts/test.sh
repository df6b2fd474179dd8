#!/usr/bin/env bash
# The README's test command: installs what is missing, builds both architectures,
# and runs every suite under Wine on a private display, sound server and prefixes.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" || exit 1
"$root/scripts/build.sh" || { echo "build failed"; exit 1; }

source "$root/scripts/testenv.sh"
tarn_env_start || exit 1

passed=0 failed=0
# run_suites <name> <arch> <prefix> [ctest args...]
# A test that times out runs once more: every case waits with deadlines of its
# own, so a timeout means a Wine process that never ended, not a failed check.
run_suites() {
    local name=$1 arch=$2 prefix=$3
    shift 3
    tarn_log "suites: $name"
    local out="$TARN_RUN/ctest-$name.log"
    WINEPREFIX="$prefix" TARN_OUT="$(tarn_winpath "$root/out/$arch")" WINEPATH="$(tarn_winpath "$root/out/$arch/bin")" \
        ctest --test-dir "$root/build/$arch" --output-on-failure --timeout 900 --repeat after-timeout:2 "$@" 2>&1 | tee "$out"
    local p f
    p=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2 \1/p' "$out" | awk '{print $1-$2}')
    f=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of.*/\1/p' "$out")
    passed=$((passed + ${p:-0}))
    failed=$((failed + ${f:-1}))
}

tarn_make_prefix xp winxp64
xp=$TARN_PREFIX
tarn_make_prefix win7 win7
win7=$TARN_PREFIX

run_suites "x86_64-xp" x86_64 "$xp"
run_suites "x86_64-win7" x86_64 "$win7" -L '(^|-)os($|-)'
run_suites "i686-xp" i686 "$xp" -L '(^|-)i686($|-)'
run_suites "i686-win7" i686 "$win7" -L '(^|-)wow64($|-)'

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
