#!/bin/sh
# x11run.sh [--atspi] <work folder> <program> [arguments...]
# Runs a test program on an X server of its own: Xvfb on a free display with
# the openbox window manager, both ended when the program ends. The server's
# and the window manager's files live in a folder under <work folder>, which
# is removed afterwards. With TALVIK_X11_DISPLAY set, the program runs on
# that display instead (a person watching a run).
#
# With --atspi the program also gets a D-Bus session bus of its own and the
# accessibility bus beside it (at-spi-bus-launcher, which starts the AT-SPI
# registry), and Qt keeps its accessibility bridge on, so that the test can
# read its windows as a screen reader does. TALVIK_ATSPI=1 tells the program
# that the bus is there and must answer.
set -u
atspi=0
if [ "${1:-}" = "--atspi" ]; then
    atspi=1
    shift
fi
work="$1"
shift

if [ -n "${TALVIK_X11_DISPLAY:-}" ]; then
    DISPLAY="$TALVIK_X11_DISPLAY"
    export DISPLAY
    exec "$@"
fi

tools="Xvfb openbox xprop"
[ "$atspi" = 1 ] && tools="$tools dbus-daemon dbus-send"
for tool in $tools; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "x11run: $tool is missing (scripts/setup.sh installs it)" >&2
        exit 1
    fi
done

mkdir -p "$work" || exit 1
dir=$(mktemp -d "$work/run.XXXXXX") || exit 1
xvfb_pid=""
wm_pid=""
bus_pid=""
a11y_pid=""
finish() {
    [ -n "$a11y_pid" ] && kill "$a11y_pid" 2>/dev/null && wait "$a11y_pid" 2>/dev/null
    [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null && wait "$bus_pid" 2>/dev/null
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

if [ "$atspi" = 1 ]; then
    launcher=/usr/libexec/at-spi-bus-launcher
    if [ ! -x "$launcher" ]; then
        echo "x11run: $launcher is missing (scripts/setup.sh installs at-spi2-core)" >&2
        exit 1
    fi
    # The buses' sockets live in the run's folder, not in /tmp.
    XDG_RUNTIME_DIR="$dir/runtime"
    export XDG_RUNTIME_DIR
    mkdir -m 700 "$XDG_RUNTIME_DIR" || exit 1
    dbus-daemon --session --nofork --nopidfile --address="unix:path=$dir/session-bus" \
        --print-address=3 3>"$dir/bus-address" >"$dir/dbus.log" 2>&1 &
    bus_pid=$!
    wait_for "dbus-daemon" "$bus_pid" "$dir/dbus.log" test -s "$dir/bus-address"
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$dir/bus-address")
    export DBUS_SESSION_BUS_ADDRESS
    # The launcher owns org.a11y.Bus on the session bus and starts the
    # accessibility bus, whose configuration starts the registry.
    "$launcher" --launch-immediately --a11y=1 >"$dir/a11y.log" 2>&1 &
    a11y_pid=$!
    a11y_ready() {
        dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
            2>/dev/null | grep -q 'unix:'
    }
    wait_for "at-spi-bus-launcher" "$a11y_pid" "$dir/a11y.log" a11y_ready
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
    TALVIK_ATSPI=1
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON TALVIK_ATSPI
fi

"$@"
rc=$?
exit "$rc"
