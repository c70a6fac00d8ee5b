#!/usr/bin/env bash
# Starts the real installer on the caller's X server (see ../e2e/with-xvfb.sh) with a remembered
# folder, checks that its window opens centred at its fixed size with the link drawn in blue,
# and keeps a screenshot of the screen.
# Usage: installer_window_e2e.sh <install executable> <screenshot.png>
set -euo pipefail
exe=$1
shot=$2
mkdir -p "$(dirname "$shot")"

home=$(mktemp -d)
pid=
cleanup() {
    if [[ -n $pid ]]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$home"
}
trap cleanup EXIT

mkdir -p "$home/data"
printf '/srv/应用/vexa\n' >"$home/data/vexaconfig.txt"
HOME=$home XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$home "$exe" &
pid=$!

wid=
for _ in $(seq 100); do
    wid=$(xdotool search --onlyvisible --name '^VEXA即时通信$' 2>/dev/null | head -n1 || true)
    [[ -n $wid ]] && break
    kill -0 "$pid" 2>/dev/null || { echo "install ended before its window showed" >&2; exit 1; }
    sleep 0.1
done
[[ -n $wid ]] || { echo "the installer window did not show" >&2; exit 1; }
sleep 0.5 # let the first frame be drawn

eval "$(xdotool getwindowgeometry --shell "$wid")"
read -r screen_w screen_h < <(xdotool getdisplaygeometry)
[[ $WIDTH == 375 && $HEIGHT == 248 ]] || { echo "window is ${WIDTH}x$HEIGHT, not 375x248" >&2; exit 1; }
# Centred: equal margins, give or take the odd pixel.
dx=$((2 * X + 375 - screen_w))
dy=$((2 * Y + 248 - screen_h))
((dx * dx <= 4 && dy * dy <= 4)) ||
    { echo "window at $X,$Y is not centred on ${screen_w}x$screen_h" >&2; exit 1; }

import -window root "$shot"
# The link's row (twips 3120..3375 high, right half): its text is drawn in pure blue.
blue=$(convert "$shot" -crop "180x17+$((X + 190))+$((Y + 208))" +repage -fill black -fuzz 20% \
    +opaque '#0000ff' -fill white -opaque '#0000ff' -format '%[fx:round(mean*w*h)]' info:)
((blue > 20)) || { echo "no blue link text in the screenshot ($blue pixels)" >&2; exit 1; }
echo "window ${WIDTH}x$HEIGHT at $X,$Y; $blue blue link pixels; screenshot $shot"
