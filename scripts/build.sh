#!/usr/bin/env bash
# Builds the installed trees out/x86_64 and out/i686 (warnings are errors here).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
for arch in x86_64 i686; do
    cmake -S "$root" -B "$root/build/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
    cmake --build "$root/build/$arch" -j"$(nproc)"
done
