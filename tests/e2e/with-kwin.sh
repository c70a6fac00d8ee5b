#!/usr/bin/env bash
# Runs the given command on a fresh headless KDE Plasma compositor of its own
# (KWin on a virtual 1920x1080 output with OpenGL compositing in software, and
# XWayland) with the screenshot portal and its KDE backend on a private session
# bus. Everything runs as uid 65534 with a private home and runtime folder; the
# command finds WAYLAND_DISPLAY, DISPLAY (XWayland) and XDG_CURRENT_DESKTOP=KDE
# set. Every process started here ends with it. Run it as root (as the tests run).
#
# KWin grants its restricted interfaces to programs named by desktop entries,
# which it finds through KDE's service cache: the command given with --before
# runs as the same user in the same home before KWin starts, to install what is
# under test and write those entries, so the cache KWin builds as it starts
# holds them and no request waits for the cache to be rebuilt.
#
# Usage: with-kwin.sh [--before command args... --] command args...
set -euo pipefail
self=$(readlink -f "$0")
here=$(dirname "$self")

source "$here/headless-session.sh"

if [[ ${1:-} != --inside ]]; then
    reach_checkout "$self" "$@"
    # The packaged kwin_wayland carries a file capability (to raise its own
    # limits) that a container's bounding set may not hold: exec then fails
    # with EPERM. A plain copy runs anywhere and needs none of it.
    session_setup() { cp /usr/bin/kwin_wayland "$session_dir/kwin_wayland"; }
    run_session "$self" "$@"
fi
shift

before=()
if [[ ${1:-} == --before ]]; then
    shift
    while [[ $# -gt 0 && $1 != -- ]]; do
        before+=("$1")
        shift
    done
    shift
fi
[[ ${#before[@]} -eq 0 ]] || "${before[@]}"

log=$XDG_RUNTIME_DIR/log
mkdir -p "$log"
# KWin starts this once XWayland is up, in the desktop's environment.
cat >"$XDG_RUNTIME_DIR/note-display" <<'NOTE'
#!/bin/sh
echo "$DISPLAY" > "$XDG_RUNTIME_DIR/xdisplay"
NOTE
chmod 755 "$XDG_RUNTIME_DIR/note-display"
export XDG_CURRENT_DESKTOP=KDE XDG_SESSION_TYPE=wayland
# The KDE portal backend builds its dialog even for requests that show none,
# from QML modules of Plasma's workspace: stand-ins in the checkout serve.
export QML2_IMPORT_PATH=$here/kde-qml
# The screenshot interface needs OpenGL compositing; llvmpipe serves.
KWIN_COMPOSE=O2 LIBGL_ALWAYS_SOFTWARE=1 "$(dirname "$XDG_RUNTIME_DIR")/kwin_wayland" \
    --virtual --width 1920 --height 1080 --xwayland --socket wayland-kwin \
    "$XDG_RUNTIME_DIR/note-display" >"$log/kwin.log" 2>&1 &
for _ in $(seq 300); do
    [[ -s $XDG_RUNTIME_DIR/xdisplay ]] && break
    sleep 0.05
done
[[ -s $XDG_RUNTIME_DIR/xdisplay ]] || { cat "$log/kwin.log" >&2; echo "with-kwin.sh: KWin did not start" >&2; exit 1; }
export WAYLAND_DISPLAY=wayland-kwin
export DISPLAY=$(cat "$XDG_RUNTIME_DIR/xdisplay")

# The portal and its backend start on the bus's demand, in this desktop's environment.
dbus-update-activation-environment WAYLAND_DISPLAY DISPLAY XDG_CURRENT_DESKTOP \
    XDG_SESSION_TYPE XDG_RUNTIME_DIR QML2_IMPORT_PATH
for _ in $(seq 200); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.kde.KWin.ScreenShot2 2>/dev/null \
        | grep -q 'boolean true' && break
    sleep 0.05
done
wait_for_portal
"$@"
