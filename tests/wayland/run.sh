#!/bin/sh
# Runs the test programs given as arguments on a headless Weston compositor of their own, with
# a private session bus and private desktop folders. Exits 77 (CTest: skipped) saying why when
# no compositor can be started here.
set -u

if ! command -v weston >/dev/null 2>&1; then
    echo "SKIPPED: weston is not installed (scripts/setup-debian.sh installs it)"
    exit 77
fi
if ! command -v dbus-run-session >/dev/null 2>&1; then
    echo "SKIPPED: dbus-run-session is not installed (package dbus-daemon)"
    exit 77
fi

runtime=$(mktemp -d "${TMPDIR:-/tmp}/lumory-wayland-XXXXXX") || exit 1
chmod 700 "$runtime"
socket=${LUMORY_WAYLAND_SOCKET:-lumory-test-$$}
weston_pid=
cleanup() {
    [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
    rm -rf "$runtime"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --socket="$socket" \
    --width=1400 --height=900 --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston_pid=$!
tries=0
while [ ! -S "$runtime/$socket" ]; do
    if ! kill -0 "$weston_pid" 2>/dev/null; then
        echo "SKIPPED: weston exited before it was ready:"
        cat "$runtime/weston.log"
        weston_pid=
        exit 77
    fi
    tries=$((tries + 1))
    if [ "$tries" -gt 200 ]; then
        echo "SKIPPED: weston made no socket within 20 s:"
        cat "$runtime/weston.log"
        exit 77
    fi
    sleep 0.1
done

mkdir -p "$runtime/home" "$runtime/data" "$runtime/config" "$runtime/cache"
status=0
for program in "$@"; do
    echo "== $(basename "$program") on Wayland ($socket)"
    env -u DISPLAY XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland \
        HOME="$runtime/home" XDG_DATA_HOME="$runtime/data" XDG_CONFIG_HOME="$runtime/config" \
        XDG_CACHE_HOME="$runtime/cache" XDG_CURRENT_DESKTOP= \
        dbus-run-session -- "$program" || status=1
done
exit $status
