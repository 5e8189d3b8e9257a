#!/bin/sh
# Sets up, builds and starts Talvik with a stand-in device on a pseudo-terminal,
# so that the program can be seen working without hardware.
# TALVIK_DEMO_MODEL picks the device (RDX-9, T4KA-1.0, T4KA, T4KB, T6KA).
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
./scripts/setup.sh run
# The test programs are not built here (they need the packages of
# scripts/setup.sh test); a build folder that scripts/test.sh configured keeps
# them, so the two scripts can share it.
if [ -f build/CMakeCache.txt ] && grep -q '^TALVIK_TESTS:BOOL=ON' build/CMakeCache.txt; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
else
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALVIK_TESTS=OFF >/dev/null
fi
cmake --build build -j "$(nproc)" --target talvik talvik-devicesim portwick pickwell lumafold zobase7 \
    talvik-designer bench_store

BIN="$ROOT/build/bin"
DEMO="$ROOT/build/demo"
HOME_DIR="$DEMO/home"
LINK="$DEMO/ttyDEMAND0"
mkdir -p "$HOME_DIR"

# A writable program folder with the default INI files the build installs.
for f in system2.ini Serial.ini; do
    [ -f "$HOME_DIR/$f" ] || cp "$BIN/$f" "$HOME_DIR/$f"
done
cp -f "$BIN"/libportwick.so "$HOME_DIR/" 2>/dev/null || true

MODEL="${TALVIK_DEMO_MODEL:-RDX-9}"
"$BIN/talvik-devicesim" --model "$MODEL" --link "$LINK" --customers 3 --days 21 --seed 1 \
    2>"$DEMO/devicesim.log" &
SIM=$!
trap 'kill $SIM 2>/dev/null || true; wait $SIM 2>/dev/null || true' EXIT INT TERM

export TALVIK_HOME="$HOME_DIR"
export TALVIK_SERIAL_ADAPTERS="$LINK"
export TALVIK_REGISTRY="$DEMO/registry.ini"
echo "stand-in device $MODEL on $LINK (frames logged to $DEMO/devicesim.log)"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "no display found: starting under a virtual X server (xvfb-run)"
    xvfb-run -a "$BIN/talvik"
else
    "$BIN/talvik"
fi
