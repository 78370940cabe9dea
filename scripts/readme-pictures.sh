#!/usr/bin/env bash
# Redraws the README's two pictures with Ombrisk itself: the bundled sample as the program sees
# it, and the spectrogram of the sound made from it.
#   OMBRISK_BUILD_DIR=build ./scripts/readme-pictures.sh
set -euo pipefail
cd "$(dirname "$0")/.."
cli="${OMBRISK_BUILD_DIR:-build}/cli/ombrisk-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cli" grey assets/ombrisk-demo.bmp docs/ombrisk-demo.png
"$cli" synth assets/ombrisk-demo.bmp "$work/demo.wav" --quiet
"$cli" analyze "$work/demo.wav" docs/ombrisk-demo-spectrogram.png --size 512 --brightness 100 --quiet
echo "docs/ombrisk-demo.png and docs/ombrisk-demo-spectrogram.png redrawn"
