#!/bin/sh
# Installs the Debian packages Talvik needs. Safe to run again.
#   scripts/setup.sh run   what building and running the program needs
#   scripts/setup.sh test  that, and what the test suite needs besides
#                          (the default)
#   scripts/setup.sh fuzz  what building the program needs, and clang with
#                          its sanitizer and libFuzzer run-time (scripts/fuzz.sh)
set -eu

# Building and running: the compiler and build tools, Qt with its serial port
# module, SQLite, the LHA decoder, xxHash (the archive's content digests), the
# Japanese fonts and Qt's Japanese texts, and the virtual X server that
# scripts/run.sh starts when no display is set.
RUN_PACKAGES="
build-essential cmake ninja-build pkg-config
qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libqt6serialport6 qt6-qpa-plugins
libsqlite3-dev liblhasa-dev libxxhash-dev
fonts-ipafont-gothic fonts-ipafont-mincho fontconfig qt6-translations-l10n
xvfb xauth
"

# The tests besides: GoogleTest, the X client library of the window probes,
# the independent LHA extractor and writer (the writer runs on Java), the
# window manager and X tools of the window tests, the PDF tools and the
# kerning font of the PDF tests, the D-Bus and accessibility buses with
# their Python reader for the screen-reader tests.
TEST_PACKAGES="
libgtest-dev libgmock-dev libxcb1-dev
lhasa libjlha-java default-jdk-headless
openbox x11-utils
poppler-utils qpdf fonts-urw-base35
dbus-daemon dbus-bin at-spi2-core python3-pyatspi gir1.2-atspi-2.0
"

# The fuzz harnesses besides: clang, and the run-time libraries of libFuzzer
# and of its sanitizers.
FUZZ_PACKAGES="
clang libclang-rt-dev
"

case "${1:-test}" in
    run) PACKAGES="$RUN_PACKAGES" ;;
    test) PACKAGES="$RUN_PACKAGES $TEST_PACKAGES" ;;
    fuzz) PACKAGES="$RUN_PACKAGES $FUZZ_PACKAGES" ;;
    *) echo "usage: $0 [run|test|fuzz]" >&2; exit 2 ;;
esac

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    echo "setup: all packages present"
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
else
    SUDO="sudo"
fi

echo "setup: installing$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
