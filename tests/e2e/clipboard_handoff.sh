#!/usr/bin/env bash
# End-to-end test of the clipboard hand-off on X11; run it through with-xvfb.sh.
# The process the caller starts must end at once with the session's status,
# while a detached keeper serves the picture until another program takes the
# clipboard, or hands it to a running clipboard manager and ends.
# Usage: clipboard_handoff.sh PROBE FAKE_CLIPBOARD_MANAGER
set -uo pipefail
probe=$1
manager=$2
work=$(mktemp -d)
started=() # background helpers of this script
failures=0

cleanup() {
    local pid
    for pid in "${started[@]}" $(cat "$work"/*.pid 2>/dev/null); do
        kill "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# A zombie counts as gone: nothing may reap an orphan here.
gone() {
    local state
    [[ -n $1 ]] || return 0
    state=$(ps -o stat= -p "$1") || return 0
    [[ $state == Z* ]]
}

wait_gone() {
    local _
    for _ in $(seq 100); do
        gone "$1" && return 0
        sleep 0.05
    done
    return 1
}

# Runs the probe on a terminal of its own, as from a shell, within a bounded
# wait; the result is its exit status (124 when it did not end).
pid_in() {
    cat "$1" 2>/dev/null
}

run_probe() {
    timeout 10 script -qec "$(printf '%q ' "$probe" "$@")" /dev/null >"$work/probe.log" 2>&1 </dev/null
}

clipboard() {
    timeout 10 xclip -selection clipboard -t "$1" -o
}

# Pixel-identical to the reference, whatever the image format.
same_picture() {
    local differing
    differing=$(compare -metric AE "$work/reference.png" "$1" null: 2>&1)
    [[ $differing == 0 ]] || {
        echo "$1 differs from the reference: $differing" >&2
        return 1
    }
}

take_clipboard() {
    echo x | xclip -selection clipboard -i -quiet >/dev/null 2>&1 &
    started+=($!)
}

# Checks that the keeper serves the reference picture as PNG and BMP.
check_served() {
    local targets
    targets=$(clipboard TARGETS) || fail "$1: no clipboard owner"
    local type
    for type in image/png image/bmp; do
        grep -qx "$type" <<<"$targets" || fail "$1: $type not offered"
        clipboard "$type" >"$work/pasted.${type#image/}" || fail "$1: $type not pasteable"
        same_picture "$work/pasted.${type#image/}" || fail "$1: $type not the picture"
    done
}

# The user quit: status 1, nothing stays behind.
run_probe 1 "$work/quit.pid"
status=$?
[[ $status == 1 ]] || fail "quit: exit status $status, expected 1"
wait_gone "$(pid_in "$work/quit.pid")" || fail "quit: session process stayed"

# A session that dies before reporting: the caller still gets a failure.
run_probe killed "$work/killed.pid"
status=$?
[[ $status == 137 ]] || fail "killed session: exit status $status, expected 137"

# File written: status 0 at once, the keeper serves the picture detached.
run_probe 0 "$work/keeper.pid" "$work/reference.png"
status=$?
[[ $status == 0 ]] || fail "capture: exit status $status, expected 0"
keeper=$(pid_in "$work/keeper.pid")
if gone "$keeper"; then
    fail "capture: no keeper process"
else
    [[ $(ps -o tty= -p "$keeper" | tr -d ' ') == "?" ]] || fail "keeper holds a terminal"
    for fd in 0 1 2; do
        [[ $(readlink "/proc/$keeper/fd/$fd") == /dev/null ]] || fail "keeper fd $fd not /dev/null"
    done
    check_served capture
    take_clipboard
    wait_gone "$keeper" || fail "keeper still running after losing the clipboard"
    [[ $(clipboard STRING) == x ]] || fail "the new owner does not hold the clipboard"
fi

# File not written: status 2, the clipboard still holds the picture.
run_probe 2 "$work/unwritten.pid" "$work/reference.png"
status=$?
[[ $status == 2 ]] || fail "unwritten file: exit status $status, expected 2"
check_served "unwritten file"
take_clipboard
wait_gone "$(pid_in "$work/unwritten.pid")" || fail "unwritten file: keeper stayed"

# A clipboard manager runs: the session hands it the picture and ends.
"$manager" "$work/managed.png" >"$work/manager.out" &
started+=($!)
for _ in $(seq 100); do
    [[ -s $work/manager.out ]] && break
    sleep 0.05
done
grep -qx ready "$work/manager.out" || fail "fake clipboard manager did not start"
run_probe 0 "$work/managed.pid" "$work/reference.png"
status=$?
[[ $status == 0 ]] || fail "managed: exit status $status, expected 0"
wait_gone "$(pid_in "$work/managed.pid")" || fail "managed: session stayed although a manager runs"
same_picture "$work/managed.png" || fail "managed: the manager did not receive the picture"

if ((failures)); then
    echo "--- last probe output" >&2
    cat "$work/probe.log" >&2
    exit 1
fi
echo "clipboard hand-off: all checks passed"
