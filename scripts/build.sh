#!/usr/bin/env bash
# Builds both architectures (warnings are errors here), lays out their trees under
# out/<arch> from the install rules, and makes the setup out/Tarn-<version>-setup.exe
# from the product files of both; also build/setup-amd64/Tarn-<version>-setup.exe,
# the same setup as a 64-bit program, for a Wine that runs no 32-bit programs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
stage=$root/build/stage

# build_tree <arch>: builds and lays out out/<arch>, then stages its product files.
build_tree() {
    local arch=$1 tree=$root/build/$1
    cmake -S "$root" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
    cmake --build "$tree" -j"$(nproc)"
    rm -rf "${root:?}/out/$arch"
    cmake --install "$tree" --prefix "$root/out/$arch" >/dev/null
    rm -rf "${stage:?}/$arch"
    cmake --install "$tree" --component product --prefix "$stage/$arch" >/dev/null
}

# The setup's list of product files, from what the install rules put in the stage:
# one line "!insertmacro TARN_FILE <folder> <name>" a file.
list_product_files() {
    local file rel
    while read -r file || [ -n "$file" ]; do   # the manifest's last line has no line feed
        rel=${file#"$stage/x86_64/"}
        echo "!insertmacro TARN_FILE \"${rel%/*}\" \"${rel##*/}\""
    done <"$root/build/x86_64/install_manifest_product.txt" >"$stage/files.nsh"
}

# make_setup <output folder> [makensis options]
make_setup() {
    local dir=$1
    shift
    mkdir -p "$dir"
    rm -f "$dir"/Tarn-*-setup.exe
    makensis -V2 -WX "$@" -DTARN_STAGE="$stage" -DTARN_OUTDIR="$dir" "$root/packaging/tarn.nsi"
}

for arch in x86_64 i686; do
    build_tree "$arch"
done
list_product_files
make_setup "$root/out"
make_setup "$root/build/setup-amd64" -DTARN_AMD64
ls "$root"/out/Tarn-*-setup.exe
