#!/usr/bin/env bash
# Runs the given command on a fresh headless sway desktop of its own (one
# 1366x768 output, XWayland) with the screenshot portal stack on a private
# session bus. Sway refuses to run as root, so everything runs as uid 65534
# with a private home and runtime folder; the command finds WAYLAND_DISPLAY,
# DISPLAY (XWayland) and SWAYSOCK set. Every process started here ends with it.
# Run it as root (as the tests run). Usage: with-sway.sh command args...
set -euo pipefail
self=$(readlink -f "$0")

# Everything under test lies in the checkout, which uid 65534 must reach. A folder above it that
# lets no other user through (a clone in a private temporary folder, or under /root) is covered,
# in a mount namespace of this run's own, by a passable one that holds just the way down to the
# checkout; nothing outside this run sees the change, and it ends with the run.
if [[ ${1:-} != --inside ]]; then
    checkout=$(cd "$(dirname "$self")/../.." && pwd -P)
    if [[ -z ${VEXA_SWAY_COVER:-} ]]; then
        cover=
        dir=$(dirname "$checkout")
        while [[ $dir != / ]]; do
            mode=$(stat -c %a "$dir")
            (((8#$mode & 1) == 0)) && cover=$dir # the topmost one others may not pass
            dir=$(dirname "$dir")
        done
        if [[ -n $cover ]]; then
            VEXA_SWAY_COVER=$cover exec unshare --mount --propagation private "$self" "$@"
        fi
    elif [[ $VEXA_SWAY_COVER != covered ]]; then
        stash=$(mktemp -d)
        [[ $stash/ != "$VEXA_SWAY_COVER"/* ]] || { echo "with-sway.sh: no place for the checkout outside $VEXA_SWAY_COVER" >&2; exit 1; }
        mount --bind "$checkout" "$stash"
        mount -t tmpfs -o mode=755 with-sway "$VEXA_SWAY_COVER"
        (umask 022 && mkdir -p "$checkout")
        mount --bind "$stash" "$checkout"
        umount "$stash"
        rmdir "$stash"
        export VEXA_SWAY_COVER=covered
    fi
fi
if [[ ${1:-} != --inside ]]; then
    workdir=$(mktemp -d)
    chmod 755 "$workdir"
    mkdir -m 700 "$workdir/home" "$workdir/run"
    chown 65534:65534 "$workdir/home" "$workdir/run"
    # The wlroots portal backend writes every screenshot to this one file; one
    # left behind by another user makes every grab fail.
    rm -f /tmp/out.png
    ours() {
        grep -lzx "XDG_RUNTIME_DIR=$workdir/run" /proc/[0-9]*/environ 2>/dev/null \
            | cut -d/ -f3 || true
    }
    cleanup() {
        local pids alive
        pids=$(ours)
        [[ -n $pids ]] && kill -TERM $pids 2>/dev/null
        for _ in $(seq 50); do
            alive=
            for pid in $pids; do kill -0 "$pid" 2>/dev/null && alive+=" $pid"; done
            [[ -z $alive ]] && break
            sleep 0.1
        done
        [[ -n ${alive:-} ]] && kill -KILL $alive 2>/dev/null
        rm -f /tmp/out.png
        rm -rf "$workdir"
    }
    trap cleanup EXIT
    status=0
    setpriv --reuid=65534 --regid=65534 --clear-groups \
        env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$workdir/home" \
        XDG_RUNTIME_DIR="$workdir/run" LANG=C.UTF-8 \
        dbus-run-session -- "$self" --inside "$@" || status=$?
    exit "$status"
fi
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
