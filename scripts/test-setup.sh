#!/usr/bin/env bash
# The setup suite alone, as scripts/test.sh runs it ("x86_64-setup"), after a
# scripts/build.sh: a private display, sound server and setup prefix. Extra
# arguments go to ctest (for instance -R Msi).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/testenv.sh"
tarn_env_start || exit 1
tarn_make_prefix setup win7
tarn_place_platform "$TARN_PREFIX"
tarn_export_setups || exit 1
WINEPREFIX="$TARN_PREFIX" TARN_OUT="$(tarn_winpath "$root/out/x86_64")" WINEPATH="$(tarn_winpath "$root/out/x86_64/bin")" \
    ctest --test-dir "$root/build/x86_64" --output-on-failure --timeout 900 -L '(^|-)setup($|-)' "$@"
