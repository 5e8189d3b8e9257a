#!/bin/sh
# Installs every Debian package Talvik needs to build, run and test. Safe to run again.
set -eu

PACKAGES="
build-essential cmake ninja-build pkg-config
qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libqt6serialport6 qt6-qpa-plugins
libsqlite3-dev liblhasa-dev
libgtest-dev libgmock-dev
fonts-ipafont-gothic fonts-ipafont-mincho fonts-urw-base35 fontconfig
lhasa libjlha-java default-jdk-headless
xvfb xauth openbox x11-utils libxcb1-dev poppler-utils qpdf qt6-translations-l10n
dbus-daemon dbus-bin at-spi2-core python3-pyatspi gir1.2-atspi-2.0
"

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
