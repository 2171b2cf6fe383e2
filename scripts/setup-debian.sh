#!/usr/bin/env bash
# Installs every package Lumory needs to build, run, test and benchmark on Debian 12 or Ubuntu.
# Runs apt-get through sudo unless already root; does nothing when all packages are present.
set -euo pipefail

packages=(
    # build
    cmake ninja-build pkg-config g++
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-multimedia-dev qt6-tools-dev qt6-tools-dev-tools
    qt6-l10n-tools libgl-dev
    libpoppler-qt6-dev libexiv2-dev libheif-dev libjxl-dev libraw-dev
    libavformat-dev libavcodec-dev libswscale-dev libavutil-dev libglib2.0-dev libtiff-dev libjpeg-dev libicu-dev
    liblcms2-dev libxcb1-dev libpng-dev libgstreamer1.0-dev libdeflate-dev
    # run: image-format plugins, the Wayland platform, and what Qt Multimedia needs to play MP4 and MOV
    qt6-image-formats-plugins libqt6svg6 qt6-wayland
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
    shared-mime-info desktop-file-utils hicolor-icon-theme
    # headless tests and screenshots; ffmpeg makes the tests' video clips; gio checks that the
    # desktop accepts the thumbnails Lumory writes; a headless Wayland compositor; the metadata
    # validator of the install check; xdotool plays real mouse and key input on Xvfb
    xvfb xauth xdotool dbus-daemon ffmpeg libglib2.0-bin weston appstream
    # scripts/fuzz.sh: the decoders' libFuzzer targets
    clang-14 libfuzzer-14-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "== installing: ${missing[*]}"
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
