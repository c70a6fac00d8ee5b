#!/usr/bin/env bash
# Packs the installer bundle with cpack into a scratch folder (cpack only reads the build tree),
# unpacks it below a path with blanks and Chinese characters and checks the archive: one top
# folder holding exactly install, 使用说明.txt and a complete base/, the current programs without
# the build tree in their library search path. Then runs the end-to-end installation from it
# (needs an X server, see ../e2e/with-xvfb.sh).
# Usage: installer_bundle_archive.sh <CPackConfig.cmake> <democlient sources> <build folder>
#        <vexa.exe> <vexacaptScreen> <install> <installer_bundle_e2e_test>
set -euo pipefail
# shellcheck source=bundle_checks.sh
source "$(dirname "$0")/bundle_checks.sh"
config=$1 sources=$2 build=$3 client=$4 capture=$5 installer=$6 e2e=$7

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

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

check_bundle "$top" "$sources" "$client" "$capture" "$installer"
for program in "$top/install" "$top/base/vexa.exe" "$top/base/vexacaptScreen"; do
    if readelf -d "$program" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
        fail "${program##*/} searches libraries in the build tree"
    fi
done

VEXA_E2E_BUNDLE=$top "$e2e"
