#!/usr/bin/env bash
# Redraws the README's pictures with Ombrisk itself: the bundled sample as the program sees it,
# the spectrogram of the sound made from it, a photograph's two sounds (as drawn and smooth) seen
# through a Hann window two columns long, and the framed heat spectrogram of a recording (eight
# seconds of plucked arpeggios and a chord, 48 kHz stereo FLAC, made here by sox), and a colour
# picture with its stereo sound's two channels.
#   OMBRISK_BUILD_DIR=build ./scripts/readme-pictures.sh
set -euo pipefail
cd "$(dirname "$0")/.."
cli="${OMBRISK_BUILD_DIR:-build}/cli/ombrisk-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cli" grey assets/ombrisk-demo.bmp docs/ombrisk-demo.png
"$cli" synth assets/ombrisk-demo.bmp "$work/demo.wav" --quiet
"$cli" analyze "$work/demo.wav" docs/ombrisk-demo-spectrogram.png --size 512 --brightness 100 --quiet

notes=()
for note in C4 E4 G4 C5 E5 G5 E5 C5 A3 C4 E4 A4 C5 E5 C5 A4 F3 A3 C4 F4 A4 C5 A4 F4 G3 B3 D4 G4 B4 D5 B4 G4; do
  notes+=("$work/note${#notes[@]}.wav")
  sox -n -r 48000 -b 24 "${notes[-1]}" synth 0.2 pluck "$note" gain -4 fade 0 0.2 0.03
done
sox -n -r 48000 -b 24 "$work/chord.wav" synth 1.6 pluck C3 pluck C4 pluck E4 pluck G4 pluck C5 remix - gain -10 fade 0 1.6 0.8
sox "${notes[@]}" "$work/chord.wav" -c 2 "$work/arpeggios.flac" reverb 30 50 80 channels 2
"$cli" analyze "$work/arpeggios.flac" docs/ombrisk-recording.png --decode --axes --colours heat --window hanning \
    --brightness 100 --quiet

photo=tests/data/photos/rocket.jpg
"$cli" synth "$photo" "$work/drawn.wav" --quiet
"$cli" synth "$photo" "$work/smooth.wav" --smooth --quiet
"$cli" analyze "$work/drawn.wav" docs/rocket-as-drawn-spectrogram.png --size 2048 --window hanning --quiet
"$cli" analyze "$work/smooth.wav" docs/rocket-smooth-spectrogram.png --size 2048 --window hanning --quiet
python3 assets/make_colour_picture.py assets/ombrisk-colour.png
"$cli" synth assets/ombrisk-colour.png "$work/stereo.wav" --stereo --seconds 3 --high-hz 22050 --quiet
for channel in 1 2; do
  "$cli" analyze "$work/stereo.wav" "docs/ombrisk-colour-channel$channel.png" --decode --channel "$channel" \
      --size 512 --window hanning --brightness 100 --quiet
done

# A sound edited as a picture: three tones with a burst of white noise, the hiss above the tones
# erased from the editable spectrogram (by Pillow here, as an editor would) and made into sound again.
sox -n -r 22050 -b 16 "$work/tones.wav" synth 3 sine 330 sine 495 sine 660 remix - gain -12
sox -n -r 22050 -b 16 "$work/noise.wav" synth 0.5 whitenoise gain -3 pad 1.2
sox -m "$work/tones.wav" "$work/noise.wav" "$work/tune.wav"
"$cli" analyze "$work/tune.wav" "$work/tune-edit.png" --decode --editable
/usr/bin/python3 - "$work/tune-edit.png" <<'PYTHON'
import sys
from PIL import Image, ImageDraw, PngImagePlugin
path = sys.argv[1]
image = Image.open(path)
keep = PngImagePlugin.PngInfo()
for key, value in image.text.items():
    keep.add_text(key, value)
hop, rate, rows = 256, 22050, image.height
top_hz = 800  # everything above the tones
ImageDraw.Draw(image).rectangle([int(1.15 * rate / hop), 0, int(1.75 * rate / hop), int(rows * (1 - top_hz / (rate / 2)))],
                                fill=65535)
image.save(path, pnginfo=keep)
PYTHON
"$cli" resynth "$work/tune-edit.png" "$work/tune-again.wav"
for name in tune tune-again; do
  "$cli" analyze "$work/$name.wav" "docs/editable-$name.png" --decode --axes --colours heat --window hanning --size 256 \
      --log-voltage --brightness 100 --quiet
done

echo "docs/editable-tune*.png, assets/ombrisk-colour.png, docs/ombrisk-colour-channel*.png, docs/ombrisk-demo-spectrogram.png, docs/rocket-*-spectrogram.png and docs/ombrisk-recording.png redrawn"
