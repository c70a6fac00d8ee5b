#!/usr/bin/env bash
# Installs what is missing, builds the release preset and starts one of the
# programs on the current desktop: vexacaptScreen (the default) or install.
# Usage: scripts/run.sh [vexacaptScreen|install]
set -euo pipefail
cd "$(dirname "$0")/.."
case ${1:-vexacaptScreen} in
vexacaptScreen) program=build/release/capture/vexacaptScreen ;;
install) program=build/release/installer/install ;;
*) echo "run.sh: unknown program '$1' (vexacaptScreen, install)" >&2; exit 2 ;;
esac
scripts/setup.sh build run
scripts/build.sh release
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    echo "run.sh: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): start it from a desktop session." >&2
    exit 1
fi
exec "$program"
