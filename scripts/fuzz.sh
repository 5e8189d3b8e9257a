#!/bin/sh
# Builds the libFuzzer harnesses (fuzz/ and Controls/fuzz) with clang in a
# tree of their own (build-fuzz) and runs each once over its seeds and its
# regression inputs: a check that they compile, link and still pass on what
# once broke them, not a fuzzing run (fuzz/README.md says how to fuzz).
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh fuzz

BUILD=build-fuzz
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTALVIK_FUZZ=ON -DTALVIK_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target fuzz_all fuzz_streams

export QT_QPA_PLATFORM=offscreen
# Leak checking is off: Qt keeps process-wide objects until exit.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for seeds in fuzz/corpus/*/; do
    name=$(basename "$seeds")
    set -- "$seeds"*
    for r in fuzz/regressions/"$name"-*; do
        [ -e "$r" ] && set -- "$@" "$r"
    done
    # Given files, libFuzzer runs each of them once and stops.
    if ! "$BUILD/bin/fuzz_$name" "$@" >"$scratch/$name.log" 2>&1; then
        cat "$scratch/$name.log" >&2
        echo "fuzz: fuzz_$name failed" >&2
        exit 1
    fi
    echo "fuzz: fuzz_$name ran $# inputs clean"
done
# The stream harness keeps no seeds: a short run from nothing, fixed seed.
mkdir -p "$scratch/streams"
if ! "$BUILD/bin/fuzz_streams" -seed=1 -runs=2000 -max_len=4096 "$scratch/streams" >"$scratch/streams.log" 2>&1; then
    cat "$scratch/streams.log" >&2
    echo "fuzz: fuzz_streams failed" >&2
    exit 1
fi
echo "fuzz: fuzz_streams ran 2000 inputs clean"
