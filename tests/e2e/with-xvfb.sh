#!/usr/bin/env bash
# Runs the given command under a fresh Xvfb server of its own, so end-to-end
# tests can run side by side. The server picks a free display number itself.
# Usage: with-xvfb.sh [-s WIDTHxHEIGHTxDEPTH] [-x XVFB_ARGUMENT]... command args...
# (-x -extension -x MIT-SHM: a server without shared-memory images)
set -euo pipefail
geometry=1280x800x24
extra=()
while [[ ${1:-} == -s || ${1:-} == -x ]]; do
    if [[ $1 == -s ]]; then geometry=$2; else extra+=("$2"); fi
    shift 2
done

workdir=$(mktemp -d)
cleanup() {
    [[ -n ${xvfb_pid:-} ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$workdir"
}
trap cleanup EXIT

exec 3>"$workdir/display"
Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp -noreset "${extra[@]}" >"$workdir/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do
    [[ -s $workdir/display ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$workdir/xvfb.log" >&2; exit 1; }
    sleep 0.05
done
[[ -s $workdir/display ]] || { echo "with-xvfb.sh: Xvfb did not start" >&2; exit 1; }

export DISPLAY=":$(head -n1 "$workdir/display")"
unset WAYLAND_DISPLAY XDG_SESSION_TYPE
export QT_QPA_PLATFORM=xcb
"$@"
