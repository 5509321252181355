#!/bin/sh
# Installs the Debian packages Mox-Tal needs (only those missing), then configures and builds.
# Usage: scripts/setup.sh [--packages-only] [BUILD_DIR [extra cmake arguments...]]
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)

# Build and run: compiler, Qt, PCRE2, the interface fonts, the icon theme, SVG icons, Qt's Wayland
# plugin (QT_QPA_PLATFORM=wayland), ICU (the collation keys of names, as QCollator makes them).
# Tests: GoogleTest, a real display (Xvfb, xclip, ImageMagick for screenshots; openbox, xdotool,
# wmctrl and xwininfo to drive windows under a window manager), and the checks of
# the desktop files, man pages and the Debian package (lintian). The benchmark: libfuse3 and
# fuse3 for its slow file server, gnuplot for its plot. Translations: lupdate and lrelease.
PACKAGES="cmake g++ make pkg-config libgtest-dev qt6-base-dev libpcre2-dev libgl-dev \
libxkbcommon-dev fonts-vlgothic adwaita-icon-theme libqt6svg6 qt6-wayland xvfb xclip imagemagick \
desktop-file-utils appstream man-db groff-base dpkg-dev file lintian locales openbox xdotool wmctrl x11-utils \
libfuse3-dev fuse3 gnuplot-nox qt6-l10n-tools qt6-tools-dev clang-format-14 libicu-dev"

# The fuzz build needs clang and its libFuzzer runtime.
case " $* " in *" -DMOXTAL_FUZZ=ON "*) PACKAGES="$PACKAGES clang libclang-rt-14-dev" ;; esac

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -n "$missing" ]; then
    echo "setup: installing$missing"
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -q
    # shellcheck disable=SC2086
    $SUDO apt-get install -y -q --no-install-recommends $missing
fi

# The benchmark and the locale tests run in real UTF-8 locales too: generate them when missing.
for loc in en_US ja_JP; do
    if ! locale -a 2>/dev/null | grep -qi "^$loc\.utf-\?8$"; then
        echo "setup: generating the locale $loc.UTF-8"
        SUDO=""
        if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
        $SUDO localedef -i "$loc" -c -f UTF-8 "$loc.UTF-8" || echo "setup: could not generate $loc.UTF-8"
    fi
done

if [ "${1:-}" = "--packages-only" ]; then exit 0; fi

BUILD_DIR=${1:-"$ROOT/build"}
[ $# -gt 0 ] && shift
cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
