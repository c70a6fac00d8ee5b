#!/usr/bin/env bash
# Runs inside a fresh Debian root (see fresh-debian-check.sh), as root there: a new user unpacks the
# installer bundle, and under an Xvfb of its own the installer's window opens, a whole installation
# into the proposed folder completes, the installed demo client opens its window from the install
# folder, and the installed capture tool opens its window and writes a capture. Prints one line a
# step with its time; screenshots (xwd) go to <output folder>.
# Usage: fresh-debian-check-inside.sh <archive> <system-libraries.txt> <output folder>
set -euo pipefail
archive=$1 system_list=$2 out=$3
user=vexa-user
# A step's time runs from clock (or the previous step) to step, which prints it.
clock() { step_start=$(date +%s.%N); }
step() { # step <what was reached>
    local now
    now=$(date +%s.%N)
    awk -v what="$1" -v a="$now" -v b="$step_start" 'BEGIN { printf "  %-60s %5.1f s\n", what, a - b }'
    step_start=$now
}
clock
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# Xvfb keeps its screen as an XWD file in $out (-fbdir): a copy is a screenshot.
shot() { cp "$out/Xvfb_screen0" "$out/$1.xwd"; }
as_user() { setpriv --reuid="$user" --regid="$user" --init-groups env -u LD_LIBRARY_PATH \
    -u QT_PLUGIN_PATH HOME="/home/$user" DISPLAY="${DISPLAY-}" LANG=C.UTF-8 "$@"; }
# wait_for <seconds> <command...>: until the command succeeds.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

[[ -z $(find /usr/lib /usr/local -iname 'libQt*' -print -quit) ]] || fail "this root has Qt libraries"
# A new user each run, so a kept root starts over too.
! id "$user" >/dev/null 2>&1 || userdel --remove "$user" 2>/dev/null
useradd --create-home "$user"
home=/home/$user
rm -rf /tmp/pristine

# Unpacked as the user would: the archive into the home folder.
as_user tar -xzf "$archive" -C "$home"
bundle=$(echo "$home"/vexa-installer-*)
step "unpacked: $(du -sh "$bundle" | cut -f1), $(find "$bundle" -type f | wc -l) files"
mkdir /tmp/pristine && tar -xzf "$archive" -C /tmp/pristine
pristine=$(echo /tmp/pristine/vexa-installer-*/base)

# Every program finds every library; plugins and libraries with their place's lib/ (as the
# program's RPATH gives it to them): what is not found must be a system library that this minimal
# root lacks (the Wayland client libraries on a root with only X), never one of the bundle's.
mapfile -t system < <(grep -v -e '^#' -e '^$' "$system_list")
absent=()
for place in "$bundle" "$bundle/base"; do
    while IFS= read -r -d '' file; do
        [[ $(head -c 4 "$file" | od -An -c | tr -d ' ') == 177ELF ]] || continue
        for name in $(env -i LD_LIBRARY_PATH="$place/lib" ldd "$file" | awk '/not found/ { print $1 }'); do
            case $file in */install | */vexa.exe | */vexacaptScreen) fail "${file#"$bundle"/} lacks $name" ;; esac
            printf '%s\n' "$name" | grep -qE "${system[@]/#/-e}" || fail "${file#"$bundle"/} lacks $name"
            absent+=("$name")
        done
    done < <(find "$place" -path "$place/base" -prune -o -type f -print0)
done
absent_names=$(printf '%s\n' "${absent[@]}" | sort -u | tr '\n' ' ')
step "every ELF file finds its libraries (ldd); absent system ones: ${absent_names:-none}"

Xvfb :7 -screen 0 1280x800x24 -nolisten tcp -fbdir "$out" >/tmp/xvfb.log 2>&1 &
export DISPLAY=:7
wait_for 30 xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not start: $(cat /tmp/xvfb.log)"
step "X server up"

clock
(cd "$bundle" && as_user ./install) >/tmp/install.log 2>&1 &
installer=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^VEXA即时通信$' | head -n1) ||
    fail "no installer window: $(cat /tmp/install.log)"
step "installer window open"
sleep 1
shot installer-window
translation=$(grep -o '/.*qtbase_zh_CN\.qm' "/proc/$(xdotool getwindowpid "$window")/maps" | head -n1 || true)
echo "  Qt's Chinese translation in use: ${translation:-none}"
eval "$(xdotool getwindowgeometry --shell "$window")"
click() { xdotool mousemove $((X + $1)) $((Y + $2)) click 1 && sleep 0.3; }
click 60 125 # the agreement box
clock
click 80 212 # start
settings=$home/.local/share/vexaconfig.txt
wait_for 300 test -f "$settings" -a ! -e "$bundle/base" || fail "the installation did not finish"
target=$(head -n1 "$settings")
step "installation complete: $(find "$target" -type f | wc -l) files into $target"
sleep 1
shot installer-finished
# The package file for file, and beside it the record of what the installation wrote.
[[ -f $target/install-record.json ]] || fail "the installation left no install record"
diff -r -x install-record.json "$pristine" "$target" >&2 ||
    fail "the install folder differs from the package"

clock
click 80 212 # open the client
ended() { ! kill -0 "$1" 2>/dev/null; }
wait_for 30 ended "$installer" || fail "the installer did not close"
client=$(timeout 60 xdotool search --sync --onlyvisible --name '^VEXA$' | head -n1) ||
    fail "no window of the demo client"
pid=$(xdotool getwindowpid "$client")
[[ $(readlink "/proc/$pid/exe") == "$target/vexa.exe" ]] || fail "the window is not the installed client's"
grep -q "$target/lib/libQt6Widgets.so.6" "/proc/$pid/maps" || fail "the client does not run on the install folder's Qt"
step "installed demo client's window open"
sleep 1
shot client-window
kill "$pid"

clock
(cd "$home" && as_user "$target/vexacaptScreen") >/tmp/capture.log 2>&1 &
capture=$!
timeout 60 xdotool search --sync --onlyvisible --class vexacaptScreen >/dev/null ||
    fail "no window of the capture tool: $(cat /tmp/capture.log)"
step "installed capture tool's window open"
sleep 1
xdotool mousemove 100 120 mousedown 1 mousemove 200 200 mousemove 300 250 mouseup 1
sleep 0.5
shot capture-window
clock
xdotool mousemove 230 200 click 1 sleep 0.08 click 1
status=0
wait "$capture" || status=$?
((status == 0)) || fail "the capture ended with status $status: $(cat /tmp/capture.log)"
[[ $(head -c 3 "$target/doduvora.jpg" | od -An -tx1 | tr -d ' ') == ffd8ff ]] ||
    fail "no JPEG in $target/doduvora.jpg"
step "capture written: doduvora.jpg, $(stat -c %s "$target/doduvora.jpg") bytes"

clock
# The removal, from the uninstaller the installation put in its folder, on that folder's runtime.
as_user "$target/uninstall" --unattended >/tmp/uninstall.log 2>&1 ||
    fail "the removal ended with status $?: $(cat /tmp/uninstall.log)"
for gone in "$target/vexa.exe" "$target/lib" "$target/uninstall" "$settings" \
    "$home/.local/share/applications/vexa.desktop"; do
    [[ ! -e $gone ]] || fail "the removal left $gone"
done
[[ -f $target/doduvora.jpg ]] || fail "the removal took the capture, which it did not install"
grep -qF "$target/doduvora.jpg" /tmp/uninstall.log || fail "the removal did not name what it kept"
step "installation removed; kept: $(find "$target" -mindepth 1 -printf '%P ' 2>/dev/null)"
