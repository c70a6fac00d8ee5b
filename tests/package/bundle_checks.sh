# shellcheck shell=bash
# Checks shared by the package tests; sourced, not run. Each prints what is wrong and fails.

fail() {
    echo "FAIL: $*" >&2
    return 1
}

# check_executable <file> [<built program>]: a regular ELF file its owner may execute, byte for
# byte the built program when one is given.
check_executable() {
    [[ -f $1 ]] || fail "$1 is missing" || return
    [[ $(stat -c %A "$1") == ???x* ]] || fail "$1 is not executable ($(stat -c %A "$1"))" || return
    [[ $(head -c 4 "$1" | od -An -c | tr -d ' ') == 177ELF ]] || fail "$1 is not an ELF program" || return
    [[ -z ${2-} ]] || cmp -s "$2" "$1" || fail "$1 is not a copy of $2"
}

# check_bundle <folder> <democlient sources> <vexa.exe> <vexacaptScreen> [<install>]: the
# installer, its instructions, and base/ holding exactly the package data, the client, the capture
# tool, the uninstaller and an empty logs/.
check_bundle() {
    local dir=$1 sources=$2 base=$1/base data=$2/package
    check_executable "$dir/install" "${5-}" || return
    check_executable "$base/vexa.exe" "$3" || return
    check_executable "$base/vexacaptScreen" "$4" || return
    check_executable "$base/uninstall" || return
    cmp -s "$sources/使用说明.txt" "$dir/使用说明.txt" || fail "使用说明.txt is not the sources' one" || return
    iconv -f UTF-8 -t UTF-8 "$dir/使用说明.txt" >/dev/null || fail "使用说明.txt is not valid UTF-8" || return
    [[ -d $base/logs && -z $(ls -A "$base/logs") ]] || fail "$base/logs is not an empty folder" || return
    [[ $(identify -format '%m %wx%h\n' "$base/favicon.ico" 2>&1) == $'ICO 32x32\nICO 16x16' ]] ||
        fail "$base/favicon.ico is not a 32x32 and 16x16 icon" || return
    diff -r "$data" "$base" -x vexa.exe -x vexacaptScreen -x uninstall -x logs -x lib -x plugins \
        -x translations -x qt.conf >&2 || fail "$base differs from the package data"
}

# check_runtime <place> <system libraries list> [<plugin>...]: the runtime of the programs at
# <place> (the bundle's top or base/) is complete: the platform plugins, the decorations that GNOME
# leaves to its clients and the buffer integration they need, the given further plugins, Qt's
# translation and qt.conf are there, and every ELF file of the place finds each library it asks for
# in its lib/ or among the system's.
check_runtime() {
    local place=$1 file needed
    local -a system
    mapfile -t system < <(grep -v -e '^#' -e '^$' "$2")
    shift 2
    for file in qt.conf translations/qtbase_zh_CN.qm plugins/platforms/libqxcb.so \
        plugins/platforms/libqwayland-generic.so plugins/wayland-decoration-client/libbradient.so \
        plugins/wayland-graphics-integration-client/libqt-plugin-wayland-egl.so \
        "${@/#/plugins/}"; do
        [[ -f $place/$file ]] || fail "$place has no $file" || return
    done
    while IFS= read -r -d '' file; do
        [[ $(head -c 4 "$file" | od -An -c | tr -d ' ') == 177ELF ]] || continue
        for needed in $(readelf -d "$file" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p'); do
            [[ -f $place/lib/$needed ]] || printf '%s\n' "$needed" | grep -qE "${system[@]/#/-e}" ||
                fail "${file#"$place"/} needs $needed, neither in lib/ nor a system library" || return
        done
    done < <(find "$place" -path "$place/base" -prune -o -type f -print0)
}
