#!/usr/bin/env bash
# Installs what is missing, builds the release preset and starts one of the programs on the
# current desktop: vexacaptScreen (the default) or install. The installer runs on a fresh copy
# of the demo bundle in build/demo-run (installer, 使用说明.txt and the package folder base/),
# because a complete installation deletes its base/.
# Usage: scripts/run.sh [vexacaptScreen|install]
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-vexacaptScreen}
case $program in
vexacaptScreen | install) ;;
*) echo "run.sh: unknown program '$program' (vexacaptScreen, install)" >&2; exit 2 ;;
esac
scripts/setup.sh build run
scripts/build.sh release
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    echo "run.sh: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): start it from a desktop session." >&2
    exit 1
fi
if [[ $program == vexacaptScreen ]]; then
    # Natively on the kind of session found (unless QT_QPA_PLATFORM says otherwise): on
    # Wayland the screen comes from the desktop's screenshot portal.
    if [[ -z ${QT_QPA_PLATFORM:-} ]]; then
        if [[ -n ${WAYLAND_DISPLAY:-} ]]; then
            export QT_QPA_PLATFORM=wayland
        else
            export QT_QPA_PLATFORM=xcb
        fi
    fi
    echo "run.sh: starting vexacaptScreen on Qt's $QT_QPA_PLATFORM platform"
    exec build/release/capture/vexacaptScreen
fi

built=build/release/installer
run=build/demo-run
rm -rf "$run"
mkdir -p "$run"
cp -a "$built/install" "$built/使用说明.txt" "$built/base" "$run/"
echo "run.sh: starting the installer on a fresh copy of the demo bundle in $run"
exec "$run/install"
