#!/usr/bin/env bash
# Runs the given command on a fresh headless sway desktop of its own (one
# 1366x768 output, XWayland) with the screenshot portal stack on a private
# session bus. Sway refuses to run as root, so everything runs as uid 65534
# with a private home and runtime folder; the command finds WAYLAND_DISPLAY,
# DISPLAY (XWayland) and SWAYSOCK set. Every process started here ends with it.
# Run it as root (as the tests run). Usage: with-sway.sh command args...
set -euo pipefail
self=$(readlink -f "$0")

source "$(dirname "$self")/unprivileged-session.sh"
# The wlroots portal backend writes every screenshot to this one file; one
# left behind by another user makes every grab fail.
session_cleanup() {
    rm -f /tmp/out.png
}
[[ ${1:-} == --inside ]] || run_unprivileged_session "$self" "$@"
shift

log=$XDG_RUNTIME_DIR/log
mkdir -p "$log"
config=$XDG_RUNTIME_DIR/sway.conf
cat >"$config" <<CONF
output HEADLESS-1 mode 1366x768 position 0 0 bg #000000 solid_color
xwayland enable
default_border none
seat seat0 fallback true
seat seat0 hide_cursor 100
exec echo "\$DISPLAY" > $XDG_RUNTIME_DIR/xdisplay
CONF
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$config" >"$log/sway.log" 2>&1 &
for _ in $(seq 200); do
    [[ -s $XDG_RUNTIME_DIR/xdisplay ]] && break
    sleep 0.05
done
[[ -s $XDG_RUNTIME_DIR/xdisplay ]] || { cat "$log/sway.log" >&2; echo "with-sway.sh: sway did not start" >&2; exit 1; }
export WAYLAND_DISPLAY=$(cd "$XDG_RUNTIME_DIR" && ls wayland-* | grep -v lock | head -n1)
export DISPLAY=$(cat "$XDG_RUNTIME_DIR/xdisplay")
export SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock | head -n1)
export XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland

# The portal and its wlroots backend start on the bus's demand, in this
# desktop's environment; the backend ends at once without PipeWire.
dbus-update-activation-environment WAYLAND_DISPLAY DISPLAY XDG_CURRENT_DESKTOP XDG_RUNTIME_DIR
env -u DBUS_SESSION_BUS_ADDRESS pipewire >"$log/pipewire.log" 2>&1 &
for _ in $(seq 100); do
    [[ -S $XDG_RUNTIME_DIR/pipewire-0 ]] && break
    sleep 0.05
done
# Ready once the portal answers on the bus with its Screenshot interface.
for _ in $(seq 200); do
    dbus-send --session --print-reply --dest=org.freedesktop.portal.Desktop \
        /org/freedesktop/portal/desktop org.freedesktop.DBus.Properties.Get \
        string:org.freedesktop.portal.Screenshot string:version >/dev/null 2>&1 && break
    sleep 0.05
done
"$@"
