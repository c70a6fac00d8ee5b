#!/usr/bin/env bash
# Installs what is missing, builds the release preset and starts vexacaptScreen
# on the current desktop.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build run
scripts/build.sh release
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    echo "run.sh: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): start it from a desktop session." >&2
    exit 1
fi
exec build/release/capture/vexacaptScreen
