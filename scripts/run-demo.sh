#!/usr/bin/env bash
# The main job: set up, build, turn the bundled sample picture into a sound, and draw that sound's
# spectrogram so the picture comes back.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cli=./build/cli/ombrisk-cli
"$cli" synth assets/ombrisk-demo.bmp ombrisk-demo.wav
"$cli" analyze ombrisk-demo.wav ombrisk-demo.png
echo "The sound:       $PWD/ombrisk-demo.wav"
echo "Its spectrogram: $PWD/ombrisk-demo.png"
