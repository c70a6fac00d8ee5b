#!/usr/bin/env bash
# Tries the installer bundle as a new user would, on fresh Debian systems without Qt: for each
# release (default: bookworm trixie) it makes a root with debootstrap (minbase plus an X server,
# xdotool, x11-utils and a CJK font, nothing of Qt), and there, under an Xvfb of its own
# (fresh-debian-check-inside.sh): the unpacked bundle's installer window opens, a whole
# installation completes, the installed demo client and capture tool open their windows from
# the install folder, and the uninstaller the installation left there removes it. Prints the
# sizes and the time of each step; screenshots land in build/fresh-roots/<release>-screens/.
# Needs root and Debian's package registry, so it is not part of scripts/test.sh. A root is made
# in build/fresh-roots/<release> and deleted afterwards, unless --keep is given; a kept root is
# used again by the next run. --archive tries the given archive instead of the one the release
# build packs.
# Usage: scripts/fresh-debian-check.sh [--keep] [--archive FILE] [release...]
set -euo pipefail
cd "$(dirname "$0")/.."
keep=false archive=
while [[ ${1:-} == --* ]]; do
    case $1 in
    --keep) keep=true ;;
    --archive) archive=$(realpath "$2") && shift ;;
    *) echo "fresh-debian-check.sh: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
releases=("$@")
((${#releases[@]})) || releases=(bookworm trixie)
[[ $(id -u) -eq 0 ]] || { echo "fresh-debian-check.sh: run as root (debootstrap, chroot)" >&2; exit 2; }

scripts/setup.sh build test fresh-root
if [[ -z $archive ]]; then
    cmake --preset release >/dev/null
    cmake --build --preset release --target package >/dev/null
    archive=$(echo build/release/vexa-installer-*.tar.gz)
fi
unpacked=$(tar -tvzf "$archive" | awk '$1 !~ /^h/ { sum += $3 } END { print sum }')
echo "archive $archive: $(stat -c %s "$archive") bytes, $unpacked bytes unpacked"

roots=$PWD/build/fresh-roots
mkdir -p "$roots"
# Deletes a root unless something is still mounted below it.
remove_root() {
    if grep -qF " $1/" /proc/mounts; then
        echo "fresh-debian-check.sh: $1 still has mounts; not deleted" >&2
        return 1
    fi
    rm -rf "$1"
}

failed=()
for release in "${releases[@]}"; do
    root=$roots/$release
    echo "== $release"
    if [[ ! -d $root ]]; then
        started=$SECONDS
        debootstrap --variant=minbase --include=xvfb,xauth,xdotool,x11-utils,fonts-wqy-microhei \
            "$release" "$root" http://deb.debian.org/debian >"$roots/$release-debootstrap.log" 2>&1 ||
            { tail "$roots/$release-debootstrap.log" >&2; failed+=("$release"); continue; }
        echo "  root made by debootstrap in $((SECONDS - started)) s: $(du -sh "$root" | cut -f1)"
    fi
    echo "  glibc $(chroot "$root" ldd --version | head -n1 | awk '{ print $NF }'), libstdc++" \
        "$(basename "$(readlink -f "$root"/usr/lib/x86_64-linux-gnu/libstdc++.so.6)")"
    rm -rf "$root/check"
    mkdir -p "$root/check/out"
    cp "$archive" scripts/fresh-debian-check-inside.sh democlient/system-libraries.txt "$root/check/"
    chmod 755 "$root/check"
    # A mount and process namespace of its own: the mounts and every process started in the root
    # end with it.
    if unshare --mount --pid --fork sh -c '
            mount -t proc proc "$1/proc" && mount --rbind /dev "$1/dev" &&
            chroot "$1" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
                bash /check/fresh-debian-check-inside.sh "/check/${2##*/}" \
                /check/system-libraries.txt /check/out' \
            - "$root" "$archive"; then
        echo "  PASS"
    else
        failed+=("$release")
    fi
    screens=$roots/$release-screens
    rm -rf "$screens"
    mkdir -p "$screens"
    for shot in "$root"/check/out/[!X]*.xwd; do
        [[ -e $shot ]] && convert "xwd:$shot" "$screens/$(basename "$shot" .xwd).png"
    done
    $keep || remove_root "$root"
done
((${#failed[@]} == 0)) || { echo "FAILED: ${failed[*]}" >&2; exit 1; }
