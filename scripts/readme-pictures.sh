#!/usr/bin/env bash
# Redraws the README's pictures with Ombrisk itself: the bundled sample as the program sees it,
# the spectrogram of the sound made from it, and a photograph's two sounds (as drawn and smooth)
# seen through a Hann window two columns long.
#   OMBRISK_BUILD_DIR=build ./scripts/readme-pictures.sh
set -euo pipefail
cd "$(dirname "$0")/.."
cli="${OMBRISK_BUILD_DIR:-build}/cli/ombrisk-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cli" grey assets/ombrisk-demo.bmp docs/ombrisk-demo.png
"$cli" synth assets/ombrisk-demo.bmp "$work/demo.wav" --quiet
"$cli" analyze "$work/demo.wav" docs/ombrisk-demo-spectrogram.png --size 512 --brightness 100 --quiet
photo=tests/data/photos/rocket.jpg
"$cli" synth "$photo" "$work/drawn.wav" --quiet
"$cli" synth "$photo" "$work/smooth.wav" --smooth --quiet
"$cli" analyze "$work/drawn.wav" docs/rocket-as-drawn-spectrogram.png --size 2048 --window hanning --quiet
"$cli" analyze "$work/smooth.wav" docs/rocket-smooth-spectrogram.png --size 2048 --window hanning --quiet
echo "docs/ombrisk-demo.png, docs/ombrisk-demo-spectrogram.png and docs/rocket-*-spectrogram.png redrawn"
