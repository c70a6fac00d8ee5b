#!/usr/bin/env bash
# Packs the installer bundle with cpack into a scratch folder (cpack only reads the build tree,
# so no build runs from inside ctest), unpacks it into a folder whose path has blanks and Chinese
# characters, and checks the archive: one top folder holding exactly install, 使用说明.txt and a
# complete base/, the current programs without the build tree in their library search path, and a
# demo client that starts from there, shows its window and closes on Esc. Then runs a whole
# installation from the unpacked folder, driven with xdotool, in a network namespace of its own
# (the install report must not leave the machine; needs root), and checks the installed client,
# the shortcut, the settings file and the removed package. Needs an X server (see
# ../e2e/with-xvfb.sh).
# Usage: installer_bundle_archive.sh <CPackConfig.cmake> <democlient sources> <build folder>
#        <install> <vexa.exe> <vexacaptScreen>
set -euo pipefail
# shellcheck source=bundle_checks.sh
source "$(dirname "$0")/bundle_checks.sh"
config=$1 sources=$2 build=$3 installer=$4 client=$5 capture=$6

scratch=$(mktemp -d)
pid=
cleanup() {
    if [[ -n $pid ]]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

cpack --config "$config" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
shopt -s nullglob
archives=("$scratch"/out/*.tar.gz)
((${#archives[@]} == 1)) || fail "cpack made ${#archives[@]} archives, not one"

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
[[ $entries == $(printf '%s\n' base install 使用说明.txt | sort) ]] ||
    fail "the top folder holds: ${entries//$'\n'/ }"

check_bundle "$top" "$sources/package"
same_file "$installer" "$top/install"
same_file "$client" "$top/base/vexa.exe"
same_file "$capture" "$top/base/vexacaptScreen"
for program in "$top/install" "$top/base/vexa.exe" "$top/base/vexacaptScreen"; do
    if readelf -d "$program" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
        fail "${program##*/} searches libraries in the build tree"
    fi
done

# The demo client, started from the unpacked package.
mkdir -m 700 "$scratch/runtime"
XDG_RUNTIME_DIR=$scratch/runtime "$top/base/vexa.exe" &
pid=$!
wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^VEXA$' | head -n1) ||
    fail "the demo client showed no window titled VEXA"
[[ $(xdotool getwindowpid "$wid") == "$pid" ]] || fail "the VEXA window is not the demo client's"
xdotool windowfocus --sync "$wid"
xdotool key Escape
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the demo client did not close on Esc"
status=0
wait "$pid" || status=$?
pid=
((status == 0)) || fail "the demo client ended with status $status"

# A whole installation from the unpacked folder, for a user whose folders lie in the scratch.
user="$scratch/用户 home"
mkdir -p "$user/data" "$user/config" "$user/Desktop"
HOME=$user XDG_DATA_HOME=$user/data XDG_CONFIG_HOME=$user/config XDG_RUNTIME_DIR=$scratch/runtime \
    unshare --net "$top/install" &
pid=$!
wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^VEXA即时通信$' | head -n1) ||
    fail "the installer showed no window"
[[ $(xdotool getwindowpid "$wid") == "$pid" ]] || fail "the installer window is not the installer's"
sleep 0.5
xdotool mousemove --window "$wid" 60 125 click 1 # Check1
sleep 0.2
xdotool mousemove --window "$wid" 80 212 click 1 # Command1
for _ in $(seq 300); do
    [[ ! -e $top/base ]] && break
    kill -0 "$pid" 2>/dev/null || fail "the installer ended during the installation"
    sleep 0.1
done
[[ ! -e $top/base ]] || fail "base/ is still beside the installer: the installation did not finish"
kill -0 "$pid" 2>/dev/null || fail "the installer ended after the installation"

installed=$user/data/vexa
check_package "$installed" "$sources/package"
same_file "$client" "$installed/vexa.exe"
same_file "$capture" "$installed/vexacaptScreen"
[[ $(cat "$user/data/vexaconfig.txt") == "$installed" ]] ||
    fail "the settings file does not name $installed"
target=$(exiftool -s3 -LocalBasePath "$user/Desktop/VEXA.lnk")
[[ $target == "$installed/vexa.exe" ]] || fail "the shortcut leads to '$target'"
[[ -x $top/install && -s $top/使用说明.txt ]] || fail "the installer or its instructions went too"
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=
echo "bundle ${archives[0]##*/}: one folder ${top##*/}, complete; demo client ran and closed;" \
    "installed from it into $installed"
