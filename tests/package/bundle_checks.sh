# shellcheck shell=bash
# Checks shared by the package tests; sourced, not run. Each check prints what is wrong and
# returns non-zero.

fail() {
    echo "FAIL: $*" >&2
    return 1
}

# check_executable <file>: a regular ELF file that its owner may execute.
check_executable() {
    [[ -f $1 ]] || fail "$1 is missing" || return
    [[ $(stat -c %A "$1") == ???x* ]] || fail "$1 is not executable ($(stat -c %A "$1"))" || return
    [[ $(head -c 4 "$1" | od -An -c | tr -d ' ') == 177ELF ]] || fail "$1 is not an ELF program"
}

# check_bundle <folder> <package data sources>: the installer, its instructions and the package
# folder base/ (see check_package).
check_bundle() {
    local dir=$1 data=$2
    check_executable "$dir/install" || return
    [[ -s $dir/使用说明.txt ]] || fail "使用说明.txt is missing or empty beside install" || return
    iconv -f UTF-8 -t UTF-8 "$dir/使用说明.txt" >/dev/null ||
        fail "使用说明.txt is not valid UTF-8" || return

    check_package "$dir/base" "$data"
}

# check_package <folder> <package data sources>: exactly the data files, the client, the capture
# tool (both executable) and an empty logs/; as the package base/ and as an installed client.
check_package() {
    local base=$1 data=$2
    check_executable "$base/vexa.exe" || return
    check_executable "$base/vexacaptScreen" || return
    [[ -d $base/logs && -z $(ls -A "$base/logs") ]] ||
        fail "$base/logs is not an empty folder" || return
    [[ $(identify -format '%m %wx%h\n' "$base/favicon.ico" 2>&1) == $'ICO 32x32\nICO 16x16' ]] ||
        fail "$base/favicon.ico is not a 32x32 and 16x16 icon" || return

    local expected actual
    expected=$(find "$data" -mindepth 1 -printf '%P\n' && printf '%s\n' vexa.exe vexacaptScreen logs)
    actual=$(find "$base" -mindepth 1 -printf '%P\n')
    diff <(sort <<<"$expected") <(sort <<<"$actual") >&2 ||
        fail "$base does not hold exactly the package (< expected, > found)" || return
    local file
    while IFS= read -r file; do
        cmp -s "$data/$file" "$base/$file" || fail "$base/$file differs from its source" || return
    done < <(find "$data" -type f -printf '%P\n')
}

# same_file <expected> <found>: byte for byte.
same_file() {
    cmp -s "$1" "$2" || fail "$2 is not a copy of $1"
}
