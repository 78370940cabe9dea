#!/usr/bin/env bash
# The viewer on a 30-minute stereo 48 kHz FLAC against decoding it once with sox: the whole view
# at 1200 x 600 (target at most 0.6 x sox's time), a 30 s zoom (at most 0.1 x), zoom and pan steps
# from what the source holds (median within 50 ms), and the CLI's peak memory for the whole view
# (at most 300 MB). The file is made in $TMPDIR (default /dev/shm), never in the repository.
#
#   bench/spectrogram/view_long_file.sh [build] [runs] [seconds]
set -euo pipefail
build=${1:-build}
runs=${2:-3}
seconds=${3:-1800}
command -v sox >/dev/null || { echo "view_long_file: sox is not installed (scripts/setup.sh installs it)" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/dev/shm}/ombrisk-view-XXXXXX")
trap 'rm -rf "$work"' EXIT
file=$work/long.flac
# A sweep and a tone on the left, pink noise on the right: lines and texture.
sox -n -r 48000 -b 16 -c 2 "$file" synth "$seconds" sine 200-8000 sine 1000 pinknoise \
  remix 1v0.3,2v0.1 3v0.1
echo "load: $(uptime)"
for _ in $(seq "$runs"); do
  /usr/bin/time -f "sox decode: %e s elapsed, %U s user" sox "$file" -t raw /dev/null
done
"$build/bench/spectrogram/view_source_bench" "$file" "$runs"
/usr/bin/time -f "ombrisk-cli view, whole file: %e s elapsed, %M KB peak" \
  "$build/cli/ombrisk-cli" view "$file" "$work/whole.png" --quiet
/usr/bin/time -f "ombrisk-cli view, 30 s zoom: %e s elapsed, %M KB peak" \
  "$build/cli/ombrisk-cli" view "$file" "$work/zoom.png" --from $((seconds / 2)) --to $((seconds / 2 + 30)) --quiet
echo "load: $(uptime)"
