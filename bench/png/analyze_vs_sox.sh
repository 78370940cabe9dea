#!/usr/bin/env bash
# ombrisk-cli analyze writing a PNG beside sox drawing the same-sized monochrome spectrogram of
# the same generated wave: elapsed and CPU seconds (best of N, the two runs interleaved so that a
# busy machine slows both alike) and the file sizes.
#
#   bench/png/analyze_vs_sox.sh [build/cli/ombrisk-cli] [runs]
#
# sox's -y is one more than our height: it draws N/2 + 1 bins where we draw N/2 rows.
set -euo pipefail
cli=${1:-build/cli/ombrisk-cli}
runs=${2:-3}
command -v sox >/dev/null || { echo "analyze_vs_sox: sox is not installed (scripts/setup.sh installs it)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A sweep, a steady tone and a pink-noise floor, as a recording's spectrogram has lines and texture.
make_wave() {
  sox -n -r 44100 -b 16 -c 1 "$2" synth "$1" sine 100-12000 sine 440 pinknoise remix 1v0.3,2v0.3,3v0.05
}

# Seconds elapsed and of CPU (user + system) of one run, as "elapsed cpu".
timed() {
  local TIMEFORMAT='%R %U %S' line
  line=$({ time "$@" >/dev/null 2>&1; } 2>&1)
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' <<<"$line"
}

best() { sort -n -k"$1" | head -n 1 | cut -d' ' -f"$1"; }

printf '%-22s %-14s %9s %9s %9s %9s %9s %9s %7s\n' picture wave "ours s" "sox s" ratio "ours cpu" "sox cpu" "ours MB" "sox MB"
for sizes in "360 1024" "60 512"; do
  read -r seconds size <<<"$sizes"
  wave=$work/wave-$seconds.wav
  make_wave "$seconds" "$wave"
  samples=$((seconds * 44100))
  width=$(((samples + size - 1) / size))
  height=$((size / 2))
  : >"$work/ours.times"
  : >"$work/sox.times"
  for ((run = 0; run < runs; ++run)); do
    timed "$cli" analyze "$wave" "$work/ours.png" --size "$size" --quiet >>"$work/ours.times"
    timed sox "$wave" -n spectrogram -x "$width" -y $((height + 1)) -m -r -o "$work/sox.png" >>"$work/sox.times"
  done
  awk -v picture="${width} x ${height}" -v wave="${seconds} s" -v ours="$(best 1 <"$work/ours.times")" \
    -v sox="$(best 1 <"$work/sox.times")" -v oursCpu="$(best 2 <"$work/ours.times")" \
    -v soxCpu="$(best 2 <"$work/sox.times")" -v oursBytes="$(stat -c %s "$work/ours.png")" \
    -v soxBytes="$(stat -c %s "$work/sox.png")" 'BEGIN {
      printf "%-22s %-14s %9.3f %9.3f %9.2f %9.3f %9.3f %9.2f %7.2f\n", picture, wave, ours, sox, ours / sox,
             oursCpu, soxCpu, oursBytes / 1e6, soxBytes / 1e6 }'
done
