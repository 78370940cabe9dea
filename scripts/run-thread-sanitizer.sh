#!/usr/bin/env bash
# The second threads of the synthesis and the analysis under ThreadSanitizer. Builds with clang
# only what runs them (the hand-over counter's, the synthesis', the analysis', the recordings' and
# the playback's tests, and ombrisk-cli) into build-tsan/ (or $1), runs those tests, then the CLI
# over a few pictures, the waves it makes and a decoded recording, each also on one processor,
# where it must write the same bytes with one thread. Any report of the sanitizer fails the run.
#   usage: scripts/run-thread-sanitizer.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-tsan}

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DOMBRISK_TSAN=ON \
  "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -gline-tables-only -DNDEBUG" \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -gline-tables-only -DNDEBUG" \
  -DOMBRISK_GUI=OFF -DOMBRISK_BENCH=OFF -DOMBRISK_FUZZ=OFF -DOMBRISK_TEST_OPTIMIZATION=-O0 "${launcher[@]}"
cmake --build "$build_dir" -j "$(nproc)" \
  --target toolkit_test synthesis_test spectrogram_test recording_test playback_test ombrisk-cli

export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1"
# toolkit_test: its tests with a second thread (the hand-over's, and any suite named *Threads).
"$build_dir/tests/toolkit/toolkit_test" --gtest_brief=1 --gtest_filter='Spins/HandoffSpins.*:*Threads.*'
"$build_dir/tests/synthesis/synthesis_test" --gtest_brief=1
"$build_dir/tests/spectrogram/spectrogram_test" --gtest_brief=1
"$build_dir/tests/recording/recording_test" --gtest_brief=1
"$build_dir/tests/playback/playback_test" --gtest_brief=1
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" -R '^(synth_cli_.*|analyze_cli_test)$'

cli=$build_dir/cli/ombrisk-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# same_on_one_processor OUTPUT COMMAND INPUT [OPTION...]: the command twice, the second time kept
# to one processor; both outputs must match.
same_on_one_processor() {
  local output=$1 command=$2 input=$3
  shift 3
  "$cli" "$command" "$input" "$work/$output" --quiet "$@"
  taskset -c 0 "$cli" "$command" "$input" "$work/one-$output" --quiet "$@"
  cmp "$work/$output" "$work/one-$output"
}
for picture in assets/ombrisk-demo.bmp tests/data/jpeg/testorig.jpg tests/data/pngsuite/basn2c16.png; do
  name=$(basename "$picture")
  same_on_one_processor "$name.wav" synth "$picture"
  same_on_one_processor "$name-log.wav" synth "$picture" --mirror-x --log-frequency --log-amplitude
  same_on_one_processor "$name-smooth.wav" synth "$picture" --smooth
  same_on_one_processor "$name-shaped.wav" synth "$picture" --seconds 3.3 --rate 48000 --log-frequency --low-hz 90
  # Bitmaps: a PNG carries the time it was written.
  same_on_one_processor "$name-128.bmp" analyze "$work/$name.wav" --size 128 --window hanning
  same_on_one_processor "$name-2048.bmp" analyze "$work/$name-log.wav" --size 2048 --log-voltage --invert
done
# A recording decoded ahead on a thread of its own while the columns are drawn on another.
sox -n -r 48000 -c 2 -b 24 "$work/recording.flac" synth 8 sine 200-9000 pinknoise vol 0.5
same_on_one_processor recording.bmp analyze "$work/recording.flac" --decode --size 512 --window blackman
same_on_one_processor recording-2.bmp analyze "$work/recording.flac" --decode --channel 2 --log-voltage
# The resynthesis shares its transforms between two threads.
"$cli" analyze "$work/recording.flac" "$work/editable.png" --decode --editable --hop 1024
same_on_one_processor resynth.wav resynth "$work/editable.png" --iterations 2
echo "thread-sanitizer: no reports"
