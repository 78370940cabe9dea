#!/usr/bin/env bash
# Starts the desktop program under a virtual X server and saves a screenshot of each window into
# OUTDIR (default: screenshots/): startup.png (the program as it starts), main.png (a picture
# loaded and turned into sound), preview.png (the spectrogram of that sound), preview-playing.png
# (the same while it plays, through a private PulseAudio server with a null output), version.png,
# sound-options.png (the "Sound options" window with Smooth chosen), error.png (the error box),
# open.png, open-none.png and open-preview.png (the open dialog's preview pane and its tool window),
# viewer.png (the viewer on the picture made a smooth sound).
# Needs a configured build (./scripts/setup.sh); OMBRISK_BUILD_DIR names it (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${OMBRISK_BUILD_DIR:-build}
out_dir=$(realpath -m "${1:-screenshots}")
mkdir -p "$out_dir"

cmake --build "$build_dir" --target ombrisk ombrisk-screenshots
program=$(realpath "$build_dir/app/ombrisk")
shooter=$(realpath "$build_dir/app/ombrisk-screenshots")

# One X server for both runs; xvfb-run picks a free display number.
export OUT_DIR=$out_dir PROGRAM=$program SHOOTER=$shooter
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -euo pipefail
  export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$(mktemp -d)
  # A sound server of our own, so that the preview window has a device to play on.
  HOME=$XDG_RUNTIME_DIR PULSE_RUNTIME_PATH=$XDG_RUNTIME_DIR pulseaudio --daemonize=no --system=false -n \
    --exit-idle-time=-1 --use-pid-file=false --load="module-null-sink sink_name=screenshots format=s16le rate=44100 channels=1" \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$XDG_RUNTIME_DIR/native" &
  server=$!
  trap "kill $server 2>/dev/null || true" EXIT
  export PULSE_SERVER=unix:$XDG_RUNTIME_DIR/native
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  # The program itself, as a user starts it, from a scratch folder.
  work=$(mktemp -d)
  (cd "$work" && exec "$PROGRAM") &
  pid=$!
  sleep 2
  "$SHOOTER" --screen "$OUT_DIR/startup.png"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  # The same windows driven through their controls.
  "$SHOOTER" "$OUT_DIR"
'
echo "screenshots in $out_dir"
