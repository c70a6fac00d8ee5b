# What the headless desktop sessions of the end-to-end tests share; sourced by
# with-sway.sh, with-kwin.sh and with-gnome.sh, whose compositors refuse to run
# as root (or should not). Their command runs as uid 65534 with a private home
# and runtime folder, on a private session bus; every process started there
# ends with it.

# Makes the checkout passable for uid 65534, then returns; `self` is the
# calling script, run again with the same arguments where needed. Everything
# under test lies in the checkout. A folder above it that lets no other user
# through (a clone in a private temporary folder, or under /root) is covered,
# in a mount namespace of this run's own, by a passable one that holds just
# the way down to the checkout; nothing outside this run sees the change, and
# it ends with the run.
reach_checkout() {
    local self=$1 checkout cover dir mode stash
    shift
    checkout=$(cd "$(dirname "$self")/../.." && pwd -P)
    if [[ -z ${VEXA_SESSION_COVER:-} ]]; then
        cover=
        dir=$(dirname "$checkout")
        while [[ $dir != / ]]; do
            mode=$(stat -c %a "$dir")
            (((8#$mode & 1) == 0)) && cover=$dir # the topmost one others may not pass
            dir=$(dirname "$dir")
        done
        if [[ -n $cover ]]; then
            VEXA_SESSION_COVER=$cover exec unshare --mount --propagation private "$self" "$@"
        fi
    elif [[ $VEXA_SESSION_COVER != covered ]]; then
        stash=$(mktemp -d)
        [[ $stash/ != "$VEXA_SESSION_COVER"/* ]] || { echo "$(basename "$self"): no place for the checkout outside $VEXA_SESSION_COVER" >&2; exit 1; }
        mount --bind "$checkout" "$stash"
        mount -t tmpfs -o mode=755 headless-session "$VEXA_SESSION_COVER"
        (umask 022 && mkdir -p "$checkout")
        mount --bind "$stash" "$checkout"
        umount "$stash"
        rmdir "$stash"
        export VEXA_SESSION_COVER=covered
    fi
}

# Runs `self --inside args...` as uid 65534 in dbus-run-session, with HOME and
# XDG_RUNTIME_DIR in the fresh folder $session_dir, and exits with its status.
# A function session_setup, when defined, runs first (as root, $session_dir
# made); session_teardown after every process of the session has ended.
run_session() {
    local self=$1 status=0
    shift
    session_dir=$(mktemp -d)
    chmod 755 "$session_dir"
    mkdir -m 700 "$session_dir/home" "$session_dir/run"
    chown 65534:65534 "$session_dir/home" "$session_dir/run"
    trap end_session EXIT
    if declare -F session_setup >/dev/null; then session_setup; fi
    setpriv --reuid=65534 --regid=65534 --clear-groups \
        env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$session_dir/home" \
        XDG_RUNTIME_DIR="$session_dir/run" LANG=C.UTF-8 \
        dbus-run-session -- "$self" --inside "$@" || status=$?
    exit "$status"
}

# The processes of the session: those whose runtime folder is its own.
session_processes() {
    grep -lzx "XDG_RUNTIME_DIR=$session_dir/run" /proc/[0-9]*/environ 2>/dev/null \
        | cut -d/ -f3 || true
}

end_session() {
    local pids alive pid
    pids=$(session_processes)
    [[ -n $pids ]] && kill -TERM $pids 2>/dev/null
    for _ in $(seq 50); do
        alive=
        for pid in $pids; do kill -0 "$pid" 2>/dev/null && alive+=" $pid"; done
        [[ -z $alive ]] && break
        sleep 0.1
    done
    [[ -n ${alive:-} ]] && kill -KILL $alive 2>/dev/null
    if declare -F session_teardown >/dev/null; then session_teardown; fi
    rm -rf "$session_dir"
}

# Waits until the screenshot portal answers on the session bus, activating it.
wait_for_portal() {
    for _ in $(seq 200); do
        dbus-send --session --print-reply --dest=org.freedesktop.portal.Desktop \
            /org/freedesktop/portal/desktop org.freedesktop.DBus.Properties.Get \
            string:org.freedesktop.portal.Screenshot string:version >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    echo "the screenshot portal did not answer" >&2
    return 1
}
