# Sourced by the with-<desktop>.sh scripts, which run a command on a fresh
# headless desktop of its own. Desktops refuse root or want a user of their
# own, so the desktop and the command run as uid 65534 with a private home and
# runtime folder, on a private session bus; every process started with that
# runtime folder ends with the run, and its files go with it.
#
# In such a script, run as root:
#     self=$(readlink -f "$0")
#     source "$(dirname "$self")/unprivileged-session.sh"
#     [[ ${1:-} == --inside ]] || run_unprivileged_session "$self" "$@"
#     shift
#     ... start the desktop, then "$@"
# A function session_cleanup, when the script defines one, runs before the
# session and after it ends.

# Everything under test lies in the checkout, which uid 65534 must reach. A folder above it that
# lets no other user through (a clone in a private temporary folder, or under /root) is covered,
# in a mount namespace of this run's own, by a passable one that holds just the way down to the
# checkout; nothing outside this run sees the change, and it ends with the run.
make_checkout_reachable() {
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
        [[ $stash/ != "$VEXA_SESSION_COVER"/* ]] || {
            echo "$(basename "$self"): no place for the checkout outside $VEXA_SESSION_COVER" >&2
            exit 1
        }
        mount --bind "$checkout" "$stash"
        mount -t tmpfs -o mode=755 unprivileged-session "$VEXA_SESSION_COVER"
        (umask 022 && mkdir -p "$checkout")
        mount --bind "$stash" "$checkout"
        umount "$stash"
        rmdir "$stash"
        export VEXA_SESSION_COVER=covered
    fi
}

# Runs "$self --inside args..." as uid 65534 under dbus-run-session and exits with its status.
run_unprivileged_session() {
    local self=$1
    make_checkout_reachable "$@"
    shift
    session_workdir=$(mktemp -d)
    chmod 755 "$session_workdir"
    mkdir -m 700 "$session_workdir/home" "$session_workdir/run"
    chown 65534:65534 "$session_workdir/home" "$session_workdir/run"
    if declare -F session_cleanup >/dev/null; then session_cleanup; fi
    trap end_unprivileged_session EXIT
    local status=0
    setpriv --reuid=65534 --regid=65534 --clear-groups \
        env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$session_workdir/home" \
        XDG_RUNTIME_DIR="$session_workdir/run" LANG=C.UTF-8 \
        dbus-run-session -- "$self" --inside "$@" || status=$?
    exit "$status"
}

# The processes of this run: those started with its runtime folder.
session_processes() {
    grep -lzx "XDG_RUNTIME_DIR=$session_workdir/run" /proc/[0-9]*/environ 2>/dev/null \
        | cut -d/ -f3 || true
}

end_unprivileged_session() {
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
    if declare -F session_cleanup >/dev/null; then session_cleanup; fi
    rm -rf "$session_workdir"
}
