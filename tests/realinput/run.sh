#!/bin/sh
# Runs the test programs given as arguments on a private X server: Xvfb, driven by xdotool, with
# a private home, so that settings, Trash and clipboard are the run's own. Offscreen Qt cannot
# stand in here: it fakes the modifier state, ends drags at once and keeps the clipboard inside
# the process. A private session bus keeps D-Bus clients (the accessibility bridge among them)
# from the user's bus, and from X11 autolaunching, which can block a start for minutes where no
# bus address is set. Exits 77 (CTest: skipped) saying why when no X server can be started here.
# LMR_XVFB_DISPLAY picks the display; otherwise Xvfb takes the first free one.
set -u

for tool in Xvfb xdotool dbus-run-session; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIPPED: $tool is not installed (scripts/setup-debian.sh installs it)"
        exit 77
    fi
done

scratch=$(mktemp -d "${TMPDIR:-/tmp}/lumory-x-XXXXXX") || exit 1
xvfb=
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

if [ -n "${LMR_XVFB_DISPLAY:-}" ]; then
    Xvfb "$LMR_XVFB_DISPLAY" -screen 0 1600x1000x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
    xvfb=$!
    display=$LMR_XVFB_DISPLAY
else
    # Xvfb writes the number it took once it accepts clients.
    mkfifo "$scratch/displayfd"
    Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$scratch/displayfd" >"$scratch/xvfb.log" 2>&1 &
    xvfb=$!
    number=$(timeout 20 head -n 1 "$scratch/displayfd")
    display=${number:+:$number}
fi
tries=0
until [ -n "$display" ] && DISPLAY=$display xdotool getmouselocation >/dev/null 2>&1; do
    tries=$((tries + 1))
    if [ $tries -gt 100 ] || ! kill -0 "$xvfb" 2>/dev/null; then
        echo "SKIPPED: no X server could be started: $(tail -n 3 "$scratch/xvfb.log" | tr '\n' ' ')"
        exit 77
    fi
    sleep 0.1
done

mkdir -p "$scratch/home/run" && chmod 700 "$scratch/home/run"
status=0
for program in "$@"; do
    echo "== $(basename "$program") on Xvfb ($display)"
    env -u WAYLAND_DISPLAY DISPLAY="$display" QT_QPA_PLATFORM=xcb HOME="$scratch/home" \
        XDG_CONFIG_HOME="$scratch/home/.config" XDG_DATA_HOME="$scratch/home/.local/share" \
        XDG_CACHE_HOME="$scratch/home/.cache" XDG_RUNTIME_DIR="$scratch/home/run" XDG_CURRENT_DESKTOP= \
        dbus-run-session -- "$program" || status=1
done
exit $status
