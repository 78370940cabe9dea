#!/usr/bin/env bash
# The main job: set up, build, turn the bundled sample picture into a sound, and draw that sound's
# spectrogram so the picture comes back.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh --programs
cli=./build/cli/ombrisk-cli
"$cli" synth assets/ombrisk-demo.bmp ombrisk-demo.wav
# 512 samples per column: one column per frame of a 256-row picture, so it comes back at its own size.
"$cli" analyze ombrisk-demo.wav ombrisk-demo.png --size 512
echo "The sound:       $PWD/ombrisk-demo.wav"
echo "Its spectrogram: $PWD/ombrisk-demo.png"
