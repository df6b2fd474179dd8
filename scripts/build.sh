#!/usr/bin/env bash
# Builds both architectures (warnings are errors here) and lays out their trees
# under out/<arch> from the install rules.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# build_tree <arch>: builds, then lays out out/<arch> afresh.
build_tree() {
    local arch=$1 tree=$root/build/$1
    cmake -S "$root" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
    cmake --build "$tree" -j"$(nproc)"
    rm -rf "${root:?}/out/$arch"
    cmake --install "$tree" --prefix "$root/out/$arch" >/dev/null
}

for arch in x86_64 i686; do
    build_tree "$arch"
done
