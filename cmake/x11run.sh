#!/bin/sh
# x11run.sh <work folder> <program> [arguments...]
# Runs a test program on an X server of its own: Xvfb on a free display with
# the openbox window manager, both ended when the program ends. The server's
# and the window manager's files live in a folder under <work folder>, which
# is removed afterwards. With TALVIK_X11_DISPLAY set, the program runs on
# that display instead (a person watching a run).
set -u
work="$1"
shift

if [ -n "${TALVIK_X11_DISPLAY:-}" ]; then
    DISPLAY="$TALVIK_X11_DISPLAY"
    export DISPLAY
    exec "$@"
fi

for tool in Xvfb openbox xprop; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "x11run: $tool is missing (scripts/setup.sh installs it)" >&2
        exit 1
    fi
done

mkdir -p "$work" || exit 1
dir=$(mktemp -d "$work/run.XXXXXX") || exit 1
xvfb_pid=""
wm_pid=""
finish() {
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$dir"
}
trap finish EXIT
trap 'exit 130' INT TERM

# wait_for <name> <pid> <log> <command...>: up to ten seconds until the
# command succeeds; fails at once when the process has ended.
wait_for() {
    name="$1" pid="$2" log="$3"
    shift 3
    tries=0
    until "$@"; do
        tries=$((tries + 1))
        if [ "$tries" -gt 100 ] || ! kill -0 "$pid" 2>/dev/null; then
            echo "x11run: $name did not start" >&2
            cat "$log" >&2
            exit 1
        fi
        sleep 0.1
    done
}
wm_ready() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"
}

# Xvfb picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
xvfb_pid=$!
wait_for "Xvfb" "$xvfb_pid" "$dir/xvfb.log" test -s "$dir/display"
DISPLAY=":$(head -n 1 "$dir/display")"
export DISPLAY

# openbox keeps its settings and caches in the run's folder.
XDG_CONFIG_HOME="$dir/config" XDG_CACHE_HOME="$dir/cache" XDG_DATA_HOME="$dir/data" \
    openbox --sm-disable >"$dir/openbox.log" 2>&1 &
wm_pid=$!
# The window manager is ready once it announces itself on the root window.
wait_for "openbox" "$wm_pid" "$dir/openbox.log" wm_ready

"$@"
rc=$?
exit "$rc"
