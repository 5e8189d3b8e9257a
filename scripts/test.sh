#!/bin/sh
# Sets up, builds and runs the whole test suite. Extra arguments go to ctest
# (for example: scripts/test.sh -L link; -L x11 runs only the window tests'
# second runs on a real X server, -LE x11 leaves them out). Each of those
# runs starts its own Xvfb and openbox (cmake/x11run.sh), so that runs in
# parallel never share a display; TALVIK_X11_DISPLAY=:N runs them on a display
# of your own instead.
# TALVIK_SANITIZE=1 builds a Debug tree with AddressSanitizer and UBSan instead.
# Warnings are errors here (and so in CI), so the tree stays warning-free under
# -Wall -Wextra; the top-level CMakeLists.txt leaves that to the user.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh test

if [ "${TALVIK_SANITIZE:-0}" = "1" ]; then
    BUILD=build-asan
    # Leak checking is off: Qt keeps process-wide objects until exit.
    export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTALVIK_SANITIZE=ON -DTALVIK_TESTS=ON \
        -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
else
    BUILD=build
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALVIK_TESTS=ON \
        -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
fi
cmake --build "$BUILD" -j "$(nproc)"
cd "$BUILD"
ctest --output-on-failure -j "$(nproc)" "$@"
