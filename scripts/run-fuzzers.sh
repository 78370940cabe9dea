#!/usr/bin/env bash
# Runs every fuzz target of a sanitizer build for a bounded time each, seeded from the test data.
#   scripts/run-fuzzers.sh BUILD_DIR [SECONDS_PER_TARGET]
# Crashes are written to fuzz/findings/<target>/ and fail the run.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:?build dir}
seconds=${2:-60}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seed() {  # seed TARGET FILES...
  local target=$1; shift
  mkdir -p "$work/$target"
  for file in "$@"; do [ -f "$file" ] && cp "$file" "$work/$target/"; done
  if [ -d "fuzz/regressions/$target" ]; then cp fuzz/regressions/"$target"/* "$work/$target/" 2>/dev/null || true; fi
}
seed fuzz_bmp fuzz/seeds/bmp/* tests/data/bmp/*
seed fuzz_png tests/data/pngsuite/*.png
seed fuzz_jpeg tests/data/jpeg/*.jpg
seed fuzz_wave fuzz/seeds/wave/*
mkdir -p "$work/fuzz_load_picture"
# The first byte of a LoadPicture input picks the extension: 0 bmp, 1 jpg, 3 png.
for f in fuzz/seeds/bmp/*; do [ -f "$f" ] && { printf '\x00'; cat "$f"; } > "$work/fuzz_load_picture/bmp-$(basename "$f")"; done
for f in tests/data/jpeg/testorig.jpg tests/data/jpeg/testimggray.jpg; do [ -f "$f" ] && { printf '\x01'; cat "$f"; } > "$work/fuzz_load_picture/jpg-$(basename "$f")"; done
for f in tests/data/pngsuite/basn2c08.png tests/data/pngsuite/basi3p04.png; do [ -f "$f" ] && { printf '\x03'; cat "$f"; } > "$work/fuzz_load_picture/png-$(basename "$f")"; done

status=0
for target in fuzz_bmp fuzz_png fuzz_jpeg fuzz_wave fuzz_load_picture; do
  binary="$build_dir/fuzz/$target"
  [ -x "$binary" ] || { echo "fuzz: $binary missing"; status=1; continue; }
  mkdir -p "fuzz/findings/$target"
  echo "fuzz: $target for ${seconds}s"
  if ! "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=3072 -max_len=262144 \
      -artifact_prefix="fuzz/findings/$target/" -print_final_stats=1 "$work/$target" 2> "$work/$target.log"; then
    tail -n 40 "$work/$target.log"
    status=1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$work/$target.log" | sed "s/^/fuzz: $target /" || true
  rmdir "fuzz/findings/$target" 2>/dev/null || true
done
rmdir fuzz/findings 2>/dev/null || true
exit $status
