#!/usr/bin/env bash
# Packs the installer bundle with cpack into a scratch folder (cpack only reads the build tree),
# unpacks it below a path with blanks and Chinese characters and checks the archive: no larger than
# the limit (0: none), one top folder holding exactly install, 使用说明.txt, a complete base/ and the installer's
# runtime, the current programs searching libraries in lib/ beside them only. Both places
# carry a complete runtime (see bundle_checks.sh), stored once, without symbolic links; Qt takes its
# plugins and translations from there, and the installer starts on the offscreen platform with the
# bundle's Qt alone. Then runs the end-to-end programs on it, each to its end (they need an X
# server, see ../e2e/with-xvfb.sh): the installation, typing through input methods, the unattended
# installation and the removal, so the uninstaller runs on the runtime it removes.
# Last, on a GNOME desktop of its own, the installer's window gets the title bar the system's Qt
# gives it.
# Usage: installer_bundle_archive.sh <CPackConfig.cmake> <limit in bytes> <democlient sources>
#        <vexa.exe> <vexacaptScreen> <install> <qt_paths_probe> <with-gnome.sh> <title bar check>
#        <end-to-end program>...
set -euo pipefail
# shellcheck source=bundle_checks.sh
source "$(dirname "$0")/bundle_checks.sh"
config=$1 limit=$2 sources=$3 client=$4 capture=$5 installer=$6 probe=$7
with_gnome=$8 title_bar_check=$9
shift 9

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cpack --config "$config" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
shopt -s nullglob
archives=("$scratch"/out/*.tar.gz)
((${#archives[@]} == 1)) || fail "cpack made ${#archives[@]} archives, not one"
size=$(stat -c %s "${archives[0]}")
((limit == 0 || size <= limit)) || fail "the archive takes $size bytes, more than $limit"

unpacked="$scratch/解 压 folder"
mkdir "$unpacked"
tar -xzf "${archives[0]}" -C "$unpacked"
tops=("$unpacked"/* "$unpacked"/.[!.]*)
if ((${#tops[@]} != 1)) || [[ ! -d ${tops[0]} ]]; then
    fail "the archive does not hold exactly one top folder: ${tops[*]##*/}"
fi
top=${tops[0]}
[[ ${top##*/} == vexa-installer-*-linux-* ]] || fail "unexpected top folder ${top##*/}"
entries=$(find "$top" -mindepth 1 -maxdepth 1 -printf '%P\n' | sort)
[[ $entries == $(printf '%s\n' base install lib plugins qt.conf translations 使用说明.txt | sort) ]] ||
    fail "the top folder holds: ${entries//$'\n'/ }"

check_bundle "$top" "$sources" "$client" "$capture" "$installer"
# An RPATH, which also serves the libraries the program loads, to lib/ beside it, and nothing else.
for program in "$top/install" "$top/base/vexa.exe" "$top/base/vexacaptScreen"; do
    paths=$(readelf -d "$program" | grep -E 'R(UN)?PATH' || true)
    [[ $paths == *'(RPATH)'*'Library rpath: [$ORIGIN/lib]' && $paths != *$'\n'* ]] ||
        fail "${program##*/} searches libraries in: ${paths:-nothing}"
done

system=$sources/system-libraries.txt
# The installer takes typed text: the input methods' plugins and compose sequences come with it.
check_runtime "$top" "$system" \
    platforminputcontexts/lib{ibus,fcitx5,compose}platforminputcontextplugin.so
check_runtime "$top/base" "$system"
[[ -z $(find "$top" -type l) ]] || fail "the bundle holds symbolic links: $(find "$top" -type l)"
for library in "$top"/base/lib/*; do
    shared=$top/lib/${library##*/}
    [[ ! -e $shared || $library -ef $shared ]] || fail "${library##*/} is stored twice"
done

# The oldest C library and C++ runtime the README names are enough for every file of the bundle.
needs=$(find "$top" -type f -print0 | xargs -0 objdump -T 2>/dev/null |
    grep -oE '\b(GLIBC|GLIBCXX)_[0-9.]+' | sort -uV || true)
for floor in GLIBC_2.35 GLIBCXX_3.4.30; do
    newest=$(grep "^${floor%_*}_" <<<"$needs" | tail -n1)
    [[ $(printf '%s\n' "$newest" "$floor" | sort -V | tail -n1) == "$floor" ]] ||
        fail "the bundle needs $newest, newer than the README's $floor"
done

# Without the environment's help, Qt finds its plugins and Chinese translation beside each program.
without_env=(env -u LD_LIBRARY_PATH -u QT_PLUGIN_PATH)
for place in "$top" "$top/base"; do
    cp "$probe" "$place/"
    found=$("${without_env[@]}" "$place/${probe##*/}")
    rm "$place/${probe##*/}"
    [[ $found == "$place/plugins"$'\n'"$place/translations"$'\n'确定 ]] ||
        fail "from $place, Qt's plugins, translations and OK button are: ${found//$'\n'/, }"
done

# The installer starts on the offscreen platform, on the bundle's Qt alone.
mkdir "$scratch/home"
HOME=$scratch/home XDG_DATA_HOME=$scratch/home QT_QPA_PLATFORM=offscreen "${without_env[@]}" \
    "$top/install" 2>"$scratch/offscreen.log" &
started=$!
for _ in $(seq 600); do
    grep -qF "$top/plugins/platforms/libqoffscreen.so" "/proc/$started/maps" 2>/dev/null && break
    kill -0 "$started" 2>/dev/null || break
    sleep 0.05
done
maps=$(cat "/proc/$started/maps" 2>/dev/null || true)
kill "$started" 2>/dev/null || true
status=0
wait "$started" || status=$?
((status == 143)) || fail "install ended by itself with status $status: $(cat "$scratch/offscreen.log")"
grep -qF "$top/plugins/platforms/libqoffscreen.so" <<<"$maps" ||
    fail "install did not load the bundle's offscreen platform"
outside=$(grep -o '/.*libQt6.*' <<<"$maps" | grep -vF "$top/" | sort -u || true)
[[ -z $outside ]] || fail "install loaded Qt from outside the bundle: $outside"

failed=0
for e2e in "$@"; do
    VEXA_E2E_BUNDLE=$top "$e2e" || failed=1
done
# The GNOME desktop's user is not root: it reads the bundle where it was unpacked.
chmod 755 "$scratch"
"$with_gnome" env VEXA_E2E_BUNDLE="$top" "$title_bar_check" || failed=1
exit "$failed"
