#!/usr/bin/env bash
# Runs the given command on a fresh headless GNOME Shell desktop of its own
# (Wayland, one virtual monitor of 1920x1080, XWayland, the desktop's portals)
# with a private session bus and an empty private system bus. Everything runs
# as uid 65534 with a private home and runtime folder (headless-session.sh);
# every process started here ends with it. Run it as root (as the tests run).
#
# Usage: with-gnome.sh [-m WIDTHxHEIGHT] command args...
#
# The command finds WAYLAND_DISPLAY, DISPLAY and XAUTHORITY (XWayland),
# DBUS_SESSION_BUS_ADDRESS and XDG_CURRENT_DESKTOP=GNOME set, the overview
# closed, the screen lock and blanking off, animations off, and the shell's
# test hooks (gnome-shell-test-hooks@vexa, an extension of this folder enabled
# through the private dconf database) on the session bus. A check asks the
# shell for screenshots and input through them (tests/support/GnomeShellHooks.h
# from C++), for example:
#
#   gdbus call --session -d vexa.test.GnomeShell -o /vexa/test/GnomeShell \
#       -m vexa.test.GnomeShell.Screenshot /path/shot.png
#
#   Screenshot s:path             the whole screen as PNG, without the pointer
#   MovePointer d:x d:y           the pointer to (x, y) in logical pixels
#   Button u:button b:pressed     a pointer button (1 left, 2 middle, 3 right)
#   Key u:keyval                  a key pressed and released (65307 Escape)
#   Windows -> a(ssuiiii)         every window whose first frame has shown, bottom
#                                 to top: title, WM class, pid, frame x, y, width,
#                                 height (its title bar included, its shadow not)
#   AccessDialog -> as            the buttons of the shell's open permission
#                                 dialog ("Deny", "Allow"); none when it is closed
#   AnswerAccessDialog s:label -> b   clicks that button with the pointer
#   ShowTopBar b:shown            shows or hides the top bar
#   signal WindowShown s:title u:pid  a window's first frame is on the screen
#
# Settings of the session can be changed with gsettings as usual.
set -euo pipefail
self=$(readlink -f "$0")
source "$(dirname "$self")/headless-session.sh"
if [[ ${1:-} != --inside ]]; then
    reach_checkout "$self" "$@"
    run_session "$self" "$@"
fi
shift

monitor=1920x1080
if [[ ${1:-} == -m ]]; then
    monitor=$2
    shift 2
fi
here=$(dirname "$self")
log=$XDG_RUNTIME_DIR/log
mkdir -p "$log"
fail() {
    echo "with-gnome.sh: $1" >&2
    tail -n 30 "$log/shell.log" >&2 || true
    exit 1
}

# The shell wants a system bus (logind, accounts, ...); an empty private one serves.
cat >"$XDG_RUNTIME_DIR/system-bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$XDG_RUNTIME_DIR/system-bus</listen>
  <policy context="default">
    <allow send_destination="*"/><allow receive_sender="*"/><allow own="*"/>
  </policy>
</busconfig>
CONF
dbus-daemon --config-file="$XDG_RUNTIME_DIR/system-bus.conf" --nofork --nopidfile \
    >"$log/system-bus.log" 2>&1 &
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/system-bus
for _ in $(seq 100); do
    [[ -S $XDG_RUNTIME_DIR/system-bus ]] && break
    sleep 0.05
done

# The user's settings: a private dconf database, read by the shell at start.
hooks=gnome-shell-test-hooks@vexa
mkdir -p "$HOME/.local/share/gnome-shell/extensions" "$XDG_RUNTIME_DIR/dconf-keyfiles" \
    "$HOME/.config/dconf"
cp -r "$here/$hooks" "$HOME/.local/share/gnome-shell/extensions/"
cat >"$XDG_RUNTIME_DIR/dconf-keyfiles/session" <<KEYS
[org/gnome/shell]
enabled-extensions=['$hooks']
disable-user-extensions=false
welcome-dialog-last-shown-version='999'

[org/gnome/desktop/interface]
enable-animations=false

[org/gnome/desktop/session]
idle-delay=uint32 0

[org/gnome/desktop/screensaver]
lock-enabled=false

[org/gnome/desktop/lockdown]
disable-lock-screen=true

[org/gnome/desktop/notifications]
show-banners=false

[org/gnome/desktop/background]
picture-options='none'
primary-color='#000000'
color-shading-type='solid'
KEYS
dconf compile "$HOME/.config/dconf/user" "$XDG_RUNTIME_DIR/dconf-keyfiles"

export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland XDG_SESSION_DESKTOP=gnome
# No GPU here: Mesa's software renderer.
export LIBGL_ALWAYS_SOFTWARE=1
# The portals the shell's start activates take this environment.
dbus-update-activation-environment XDG_CURRENT_DESKTOP XDG_SESSION_TYPE XDG_SESSION_DESKTOP \
    LIBGL_ALWAYS_SOFTWARE DBUS_SYSTEM_BUS_ADDRESS
gnome-shell --headless --wayland --virtual-monitor "$monitor" >"$log/shell.log" 2>&1 &
shell=$!

# Ready once the test hooks own their name: the shell has started up and closed the overview.
gdbus wait --session --timeout 60 vexa.test.GnomeShell 2>/dev/null \
    || fail "the shell did not start up"
export WAYLAND_DISPLAY=$(cd "$XDG_RUNTIME_DIR" && ls wayland-* | grep -v lock | head -n1)
[[ -S $XDG_RUNTIME_DIR/$WAYLAND_DISPLAY ]] || fail "no Wayland socket"

# XWayland, which the shell started: its display and authority from its command line.
xwayland=
for pid in $(pgrep -x Xwayland); do
    if grep -qzx "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR" "/proc/$pid/environ" 2>/dev/null; then
        xwayland=$pid
    fi
done
[[ -n $xwayland ]] || fail "XWayland did not start"
mapfile -d '' -t xargs <"/proc/$xwayland/cmdline"
export DISPLAY=${xargs[1]}
for ((i = 0; i + 1 < ${#xargs[@]}; i++)); do
    [[ ${xargs[i]} == -auth ]] && export XAUTHORITY=${xargs[i + 1]}
done
dbus-update-activation-environment WAYLAND_DISPLAY DISPLAY XAUTHORITY

# The screenshot portal answers on the bus.
for _ in $(seq 200); do
    gdbus call --session -d org.freedesktop.portal.Desktop -o /org/freedesktop/portal/desktop \
        -m org.freedesktop.DBus.Properties.Get org.freedesktop.portal.Screenshot version \
        >/dev/null 2>&1 && break
    sleep 0.05
done
kill -0 "$shell" 2>/dev/null || fail "the shell ended"
"$@"
