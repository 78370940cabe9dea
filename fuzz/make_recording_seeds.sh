#!/usr/bin/env bash
# The seeds of fuzz_recording: a twentieth of a second of tone in each format libsndfile reads,
# made by sox (and lame for the MP3) into fuzz/seeds/recording/.
set -euo pipefail
cd "$(dirname "$0")/seeds/recording"
sox -n -r 8000 -b 16 -c 1 tone16.wav synth 0.05 sine 440
sox -n -r 8000 -b 24 -c 2 stereo24.wav synth 0.05 sine 440 sine 880
sox -n -r 8000 -e floating-point -b 32 -c 1 float.wav synth 0.05 sine 440
sox -n -r 8000 -b 16 -c 1 tone.aiff synth 0.05 sine 440
sox -n -r 8000 -b 16 -c 2 tone.flac synth 0.05 sine 440
sox -n -r 8000 -c 1 tone.ogg synth 0.1 sine 440
sox -n -r 8000 -b 16 -c 1 -t wav - synth 0.1 sine 440 | lame --quiet -b 8 - tone.mp3
