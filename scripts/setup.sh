#!/usr/bin/env bash
# Installs the Debian packages the build needs when they are missing, then configures and builds
# into build/ (or $OMBRISK_BUILD_DIR). Extra CMake arguments come from $OMBRISK_CMAKE_ARGS.
#
#   scripts/setup.sh             everything: the programs, the tests, the benchmarks (the test command)
#   scripts/setup.sh --programs  what building and running the two programs needs, and the programs only
#                                (the main job)
set -euo pipefail
cd "$(dirname "$0")/.."

mode=all
case "${1:-}" in
  "") ;;
  --programs) mode=programs ;;
  *) echo "usage: scripts/setup.sh [--programs]" >&2; exit 2 ;;
esac

# Building and running the programs (g++ rather than build-essential, whose dpkg-dev and Perl the
# programs do not need).
packages=(
  g++ cmake ninja-build pkg-config libjpeg62-turbo-dev zlib1g-dev
  # decoding recordings, and the text in the figures (DejaVu Sans, read at run time)
  libsndfile1-dev libfreetype-dev fonts-dejavu-core
  qt6-base-dev
  # playback in the preview window (QAudioSink; Qt's PulseAudio backend needs no media framework)
  qt6-multimedia-dev
)
if [[ $mode == all ]]; then
  packages+=(
    libgtest-dev libbenchmark-dev
    # the Japanese texts of the windows, drawn in the window tests and the screenshots
    fonts-noto-cjk
    # test and benchmark references only, never linked into the product
    libpng-dev libfftw3-dev libjpeg-turbo-progs python3
    # Pillow reads the CLI's PNG export in the tests; sox draws the spectrogram the benchmark compares
    python3-pil sox
    # numpy measures the smooth synthesis from outside and times the same method beside it
    python3-numpy
    # the MP3 the decoding tests read (sox writes the other formats)
    lame
    # a private sound server with a null output, recorded by parec, for the playback test
    pulseaudio pulseaudio-utils
    # fuzzing and sanitizer runs; llvm-14 brings the symbolizer that names the frames of a report
    clang libclang-rt-14-dev llvm-14
    # the desktop program under a virtual X server: screenshots, and keys typed through the server
    # by xdotool in the window tests
    xvfb xauth xdotool
    # the Debian package (scripts/make-package.sh): CPack picks the programs out with file(1) and
    # hands them to dpkg-shlibdeps (dpkg-dev); then its checks
    file dpkg-dev lintian appstream desktop-file-utils
  )
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  apt-get update
  # Unsafe I/O: dpkg leaves out its flush after each file, the most of its time on a fresh machine;
  # a crash halfway is mended by running this again.
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    -o Dpkg::Options::=--force-unsafe-io "${missing[@]}"
fi

# Every tool the test command runs, so that none is missing only where a package brought it by
# chance (a test that finds no tool skips itself, which would hide it).
if [[ $mode == all ]]; then
  absent=()
  for tool in cmake ninja ctest g++ clang clang++ /usr/lib/llvm-14/bin/llvm-symbolizer python3 /usr/bin/python3 \
      sox lame pulseaudio parec xvfb-run Xvfb xauth xdotool taskset file dpkg-shlibdeps lintian appstreamcli \
      desktop-file-validate groff djpeg; do
    command -v "$tool" >/dev/null || absent+=("$tool")
  done
  /usr/bin/python3 -c 'import PIL, numpy' 2>/dev/null || absent+=("python3's PIL and numpy")
  if ((${#absent[@]})); then
    echo "setup: missing after the install: ${absent[*]}" >&2
    exit 1
  fi
fi

build_dir=${OMBRISK_BUILD_DIR:-build}
# Both modes name the options they differ in, so one build folder can go from one to the other.
if [[ $mode == all ]]; then
  selection=(-DBUILD_TESTING=ON -DOMBRISK_BENCH=ON)
else
  selection=(-DBUILD_TESTING=OFF -DOMBRISK_BENCH=OFF -DOMBRISK_FUZZ=OFF)
fi
# Warnings are errors in both, as in CI: the test command after the main job then finds the
# programs' objects built with its own flags instead of building them all again.
# shellcheck disable=SC2086
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOMBRISK_WERROR=ON "${selection[@]}" \
  ${OMBRISK_CMAKE_ARGS:-}
cmake --build "$build_dir" -j "$(nproc)"
