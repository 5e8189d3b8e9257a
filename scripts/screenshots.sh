#!/bin/sh
# Screenshots of the data window under Xvfb with the openbox window manager,
# written into build/artifacts (or the folder given).
set -eu
cd "$(dirname "$0")/.."
out="${1:-$(pwd)/build/artifacts}"
cmake --build build --target talvik-screenshots >/dev/null
display=":$((90 + $$ % 9))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $openbox $xvfb 2>/dev/null || true' EXIT
sleep 1
DISPLAY="$display" openbox >/dev/null 2>&1 &
openbox=$!
sleep 1
DISPLAY="$display" QT_QPA_PLATFORM=xcb ./build/bin/talvik-screenshots "$out"
