#!/usr/bin/env bash
# Builds both architectures (warnings are errors here), lays out their trees under
# out/<arch> from the install rules, and makes the setup out/Tarn-<version>-setup.exe
# from the product files of both; also build/setup-amd64/Tarn-<version>-setup.exe,
# the same setup as a 64-bit program, for a Wine that runs no 32-bit programs, and
# both again as test builds in build/setup-noshell*; and
# the Windows Installer packages out/Tarn-<version>-x64.msi and -x86.msi from the
# same files, plus an older-numbered x64 one in build/msi-older/ for the upgrade test.
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
# one line "!insertmacro TARN_FILE <folder> <name>" a file, the deepest folders
# first, so that the uninstaller empties a subfolder before its parent.
list_product_files() {
    local file rel dir
    sed -e '$a\' "$root/build/x86_64/install_manifest_product.txt" | awk -F/ '{ print NF, $0 }' | sort -k1,1nr -s |
        cut -d' ' -f2- | while read -r file; do
        rel=${file#"$stage/x86_64/"}
        dir=${rel%/*}
        echo "!insertmacro TARN_FILE \"${dir//\//\\}\" \"${rel##*/}\""
    done >"$stage/files.nsh"
}

# The MSI's folders and components from the same manifest: one component a file,
# the file its key path, inside the <Directory> elements of its folders
# (files.wxi), and one <ComponentRef> a file (filerefs.wxi). Ids come from the
# path, so they stay the same from release to release; the sources are read from
# $(var.Stage), the tree of the package's architecture.
list_msi_files() {
    local file rel dir id path i open=() want=()
    sed -e '$a\' "$root/build/x86_64/install_manifest_product.txt" | LC_ALL=C sort | {
        echo '<Include>'
        while read -r file; do
            rel=${file#"$stage/x86_64/"}
            dir=${rel%/*}
            [ "$dir" != "$rel" ] || dir=
            IFS=/ read -ra want <<<"$dir"
            # Leaves the folders this file is not in, enters the ones it is.
            i=0
            while [ "$i" -lt ${#open[@]} ] && [ "$i" -lt ${#want[@]} ] && [ "${open[$i]}" = "${want[$i]}" ]; do
                i=$((i + 1))
            done
            while [ ${#open[@]} -gt "$i" ]; do
                echo '</Directory>'
                unset 'open[-1]'
            done
            for ((; i < ${#want[@]}; i++)); do
                open+=("${want[$i]}")
                path=$(IFS=/; echo "${open[*]}")
                echo "<Directory Id=\"d_${path//[^A-Za-z0-9_]/_}\" Name=\"${want[$i]}\">"
            done
            id=f_${rel//[^A-Za-z0-9_.]/_}
            echo "<Component Id=\"$id\" Guid=\"*\" Win64=\"\$(var.Win64)\"><File Id=\"$id\" Source=\"\$(var.Stage)/$rel\" KeyPath=\"yes\"/></Component>"
        done
        for dir in "${open[@]}"; do echo '</Directory>'; done
        echo '</Include>'
    } >"$stage/files.wxi"
    { echo '<Include>'; sed -n 's/.*<Component Id="\([^"]*\)".*/<ComponentRef Id="\1"\/>/p' "$stage/files.wxi"; echo '</Include>'; } \
        >"$stage/filerefs.wxi"
}

# make_msi <x64|x86> <version> <output folder>: the product code is made from the
# version and architecture, so one version is one product (a second install of it
# repairs instead of adding an entry) and every other version is a major upgrade.
make_msi() {
    local msiarch=$1 version=$2 dir=$3 tree=x86_64 code
    [ "$msiarch" = x64 ] || tree=i686
    code=$(printf 'Tarn-%s-%s' "$version" "$msiarch" | md5sum | sed 's/^\(.\{8\}\)\(.\{4\}\)\(.\{4\}\)\(.\{4\}\)\(.\{12\}\).*/\1-\2-\3-\4-\5/')
    mkdir -p "$dir"
    rm -f "$dir/Tarn-$version-$msiarch.msi"
    # wixl takes its sources by relative paths only: from the stage.
    cp "$root/Resource/icon/Tarn.ico" "$stage/Tarn.ico"
    (cd "$stage" && wixl -a "$msiarch" -D Arch="$msiarch" -D Version="$version" -D NextVersion="${version%.*}.$((${version##*.} + 1))" -D ProductCode="$code" -D Stage="$tree" \
        -D Icon=Tarn.ico -I "$stage" -o "$dir/Tarn-$version-$msiarch.msi" "$root/packaging/tarn.wxs")
}

# make_setup <output folder> [makensis options]
make_setup() {
    local dir=$1
    shift
    mkdir -p "$dir"
    rm -f "$dir"/Tarn-*-setup.exe
    makensis -V2 -WX "$@" -DTARN_STAGE="$stage" -DTARN_ICON="$root/Resource/icon/Tarn.ico" -DTARN_OUTDIR="$dir" "$root/packaging/tarn.nsi"
}

for arch in x86_64 i686; do
    build_tree "$arch"
done
list_product_files
make_setup "$root/out"
make_setup "$root/build/setup-amd64" -DTARN_AMD64
# For the test of a setup that must not start Tarnview: from Vista on it has no
# desktop shell to ask (it names a class that is registered nowhere), on XP it
# runs as another user than the session's ("Run as"). Never shipped.
noshell=(-DTARN_CLSID_SHELLWINDOWS={00000000-0000-0000-0000-0000746E6F6E} '-DTARN_TEST_SESSION_USER=TARN\nobody')
make_setup "$root/build/setup-noshell" "${noshell[@]}"
make_setup "$root/build/setup-noshell-amd64" -DTARN_AMD64 "${noshell[@]}"
list_msi_files
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$root/build/x86_64/CMakeCache.txt")
rm -f "$root"/out/Tarn-*.msi
make_msi x64 "$version" "$root/out"
make_msi x86 "$version" "$root/out"
make_msi x64 0.9.0 "$root/build/msi-older"
# The policy templates, for administrators who take them from the build.
rm -rf "$root/out/policy"
cp -r "$root/packaging/policy" "$root/out/policy"
ls "$root"/out/Tarn-*-setup.exe "$root"/out/Tarn-*.msi
