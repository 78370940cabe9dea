#!/usr/bin/env bash
# ombrisk-cli analyze --decode writing a PNG beside sox decoding the same file and drawing the
# same-sized monochrome spectrogram of its mix: a 10-minute stereo 44.1 kHz FLAC, and the same
# sound as Ogg Vorbis. Elapsed and CPU seconds, best of N, the two runs interleaved so that a
# busy machine slows both alike; our peak memory.
#
#   TMPDIR=/dev/shm bench/recording/decode_vs_sox.sh [build/cli/ombrisk-cli] [runs] [seconds]
#
# (TMPDIR=/dev/shm leaves the disk's flush of our safe output out; sox does not flush.)
# sox's -y is one more than our height: it draws N/2 + 1 bins where we draw N/2 rows.
set -euo pipefail
cli=${1:-build/cli/ombrisk-cli}
runs=${2:-5}
seconds=${3:-600}
command -v sox >/dev/null || { echo "decode_vs_sox: sox is not installed (scripts/setup.sh installs it)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A sweep on the left, a tone on the right, pink noise under both: lines and texture.
sox -n -r 44100 -b 16 -c 2 "$work/sound.flac" synth "$seconds" sine 100-12000 sine 440 pinknoise \
  remix 1v0.3,3v0.05 2v0.3,3v0.05
files=("$work/sound.flac")
sox "$work/sound.flac" "$work/sound.ogg" && files+=("$work/sound.ogg")

timed() {
  local TIMEFORMAT='%R %U %S' line
  line=$({ time "$@" >/dev/null 2>&1; } 2>&1)
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' <<<"$line"
}

best() { sort -n -k"$1" | head -n 1 | cut -d' ' -f"$1"; }

size=1024
printf '%-8s %-16s %9s %9s %7s %9s %9s %9s\n' file picture "ours s" "sox s" ratio "ours cpu" "sox cpu" "ours MB"
for file in "${files[@]}"; do
  frames=$(soxi -s "$file")
  width=$(((frames + size - 1) / size))
  : >"$work/ours.times"
  : >"$work/sox.times"
  for ((run = 0; run < runs; ++run)); do
    timed "$cli" analyze "$file" "$work/ours.png" --decode --quiet >>"$work/ours.times"
    timed sox "$file" -n remix - spectrogram -x "$width" -y $((size / 2 + 1)) -m -r -o "$work/sox.png" \
      >>"$work/sox.times"
  done
  peak=$( { /usr/bin/time -f '%M' "$cli" analyze "$file" "$work/ours.png" --decode --quiet; } 2>&1 | tail -n 1)
  awk -v file="${file##*.}" -v picture="${width} x $((size / 2))" -v ours="$(best 1 <"$work/ours.times")" \
    -v sox="$(best 1 <"$work/sox.times")" -v oursCpu="$(best 2 <"$work/ours.times")" \
    -v soxCpu="$(best 2 <"$work/sox.times")" -v peak="$peak" 'BEGIN {
      printf "%-8s %-16s %9.3f %9.3f %7.2f %9.3f %9.3f %9.1f\n", file, picture, ours, sox, ours / sox,
             oursCpu, soxCpu, peak / 1024 }'
done
