#!/usr/bin/env bash
# Installs the Debian packages the build, the app and the tests need.
# Only missing packages are installed, so a second run is quick.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-format
    qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev
    libsndfile1-dev libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
    libsoxr-dev portaudio19-dev libasound2-dev libasound2-plugins libjack-jackd2-dev libpulse-dev
    libutf8proc-dev librubberband-dev locales
    libgtest-dev libgmock-dev libbenchmark-dev
    ffmpeg sox libsox-fmt-all fluidsynth aubio-tools
    xvfb xauth xdotool x11-utils pulseaudio pulseaudio-utils fonts-dejavu-core
    dpkg-dev desktop-file-utils appstream file
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
