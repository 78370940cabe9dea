#!/usr/bin/env bash
# Installs the Debian packages the build needs when they are missing, then configures and builds
# into build/ (or $OMBRISK_BUILD_DIR). Extra CMake arguments come from $OMBRISK_CMAKE_ARGS.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libjpeg62-turbo-dev zlib1g-dev libgtest-dev libbenchmark-dev fonts-noto-cjk
  # decoding of recordings (WAV, AIFF, FLAC, Ogg Vorbis, Opus, MP3)
  libsndfile1-dev
  # playback in the preview window (QAudioSink; Qt's PulseAudio backend needs no media framework)
  qt6-multimedia-dev
  # test and benchmark references only, never linked into the product
  libpng-dev libfftw3-dev libjpeg-turbo-progs python3
  # Pillow reads the CLI's PNG export in the tests; sox draws the spectrogram the benchmark compares
  python3-pil sox
  # the MP3 the decoding tests read (sox writes the other formats)
  lame
  # a private sound server with a null output, recorded by parec, for the playback test
  pulseaudio pulseaudio-utils
  # fuzzing and sanitizer runs
  clang libclang-rt-14-dev
  # the desktop program under a virtual X server: screenshots, and keys typed through the server
  # by xdotool in the window tests
  xvfb xauth xdotool
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

build_dir=${OMBRISK_BUILD_DIR:-build}
# shellcheck disable=SC2086
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release ${OMBRISK_CMAKE_ARGS:-}
cmake --build "$build_dir" -j "$(nproc)"
