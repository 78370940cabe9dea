#!/usr/bin/env bash
# The fuzz targets of a sanitizer build (-DOMBRISK_SANITIZE=ON -DOMBRISK_FUZZ=ON, clang).
#
#   scripts/run-fuzzers.sh BUILD_DIR [SECONDS_PER_TARGET]
#       As CI runs them: every kept input (fuzz/corpus/<target>/) and every regression input
#       (fuzz/regressions/<target>/) once, then each target for a bounded time from those inputs;
#       as many targets at once as there are processors.
#   scripts/run-fuzzers.sh --campaign BUILD_DIR SECONDS TARGET...
#       Grows the kept corpus of each target: fuzzes it for SECONDS from the kept corpus and the
#       seeds (starting again after a finding), then minimises the result with -merge=1 into
#       fuzz/corpus/<target>/. Meant to run under nice; findings go to fuzz/findings/<target>/.
#
# Crashes, hangs and leaks are written to fuzz/findings/<target>/ and fail the run.
set -euo pipefail
cd "$(dirname "$0")/.."
campaign=false
if [ "${1:-}" = --campaign ]; then campaign=true; shift; fi
build_dir=${1:?build dir}
seconds=${2:-20}
targets=(fuzz_bmp fuzz_png fuzz_jpeg fuzz_wave fuzz_load_picture fuzz_png_encoder fuzz_recording)
# Targets that start threads of their own run by themselves: beside another target, their helper
# threads share its processor and every handover between them waits for the scheduler (a third
# of fuzz_recording's rate lost). Listed last, they take the round an odd count leaves half empty.
declare -A runs_alone=([fuzz_recording]=1)
if $campaign; then shift 2; targets=("$@"); fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
options=(-timeout=10 -rss_limit_mb=3072 -max_len=262144)
# While fuzzing, a freed block waits in AddressSanitizer's quarantine until 32 MB more are freed
# (256 MB by default): every use after free within an input is still caught, and new blocks come
# from memory already touched instead of fresh pages.
fuzz_asan_options="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=32"
# libFuzzer scans the heap for leaks after every input that ends with fewer frees than allocations,
# as fuzz_recording's inputs that start threads do: an eighth of its time. Its leaks are looked for
# once, at the end of the run, which fails it as any other finding does (the replay of the kept
# inputs still checks each input).
declare -A fuzz_flags=([fuzz_recording]=-detect_leaks=0)

# seeds TARGET DIR: the hand-made and test-data inputs a corpus starts from.
seeds() {
  local target=$1 dir=$2 f
  mkdir -p "$dir"
  case $target in
    fuzz_bmp) cp fuzz/seeds/bmp/* "$dir/" ;;
    fuzz_png) cp tests/data/pngsuite/*.png "$dir/" ;;
    fuzz_jpeg) cp fuzz/seeds/jpeg/* tests/data/jpeg/testorig12.jpg "$dir/" ;;
    fuzz_wave) cp fuzz/seeds/wave/* "$dir/" ;;
    fuzz_recording) cp fuzz/seeds/recording/* "$dir/" ;;
    fuzz_load_picture)
      # The first byte of a LoadPicture input picks the extension: 0 bmp, 1 jpg, 3 png.
      for f in fuzz/seeds/bmp/*; do { printf '\x00'; cat "$f"; } > "$dir/bmp-$(basename "$f")"; done
      for f in fuzz/seeds/jpeg/baseline.jpg fuzz/seeds/jpeg/grey.jpg; do
        { printf '\x01'; cat "$f"; } > "$dir/jpg-$(basename "$f")"
      done
      for f in tests/data/pngsuite/basn2c08.png tests/data/pngsuite/basi3p04.png; do
        { printf '\x03'; cat "$f"; } > "$dir/png-$(basename "$f")"
      done
      ;;
    fuzz_png_encoder) printf '\0' > "$dir/empty-settings" ;;
  esac
}

# kept TARGET: the folders of kept and regression inputs that exist.
kept() {
  local dir
  for dir in "fuzz/corpus/$1" "fuzz/regressions/$1"; do [ -d "$dir" ] && echo "$dir"; done
  return 0
}

run() {  # run TARGET LOG ARGS...: one libFuzzer run; prints its log's tail when it fails
  local target=$1 log=$2; shift 2
  mkdir -p "fuzz/findings/$target"
  if "$build_dir/fuzz/$target" "${options[@]}" -artifact_prefix="fuzz/findings/$target/" "$@" > "$log" 2>&1; then
    return 0
  fi
  tail -n 40 "$log"
  return 1
}

# fuzz_one TARGET: as CI runs it (the kept inputs once, then fuzzing for SECONDS); 1 on a finding.
fuzz_one() {
  local target=$1 dir failed=0
  local dirs
  mapfile -t dirs < <(kept "$target")
  echo "fuzz: $target replays ${dirs[*]:-nothing}, then fuzzes for ${seconds}s"
  if ((${#dirs[@]})); then
    run "$target" "$work/$target-replay.log" -runs=0 "${dirs[@]}" || failed=1
  fi
  # Fuzzing starts from a copy, so that the kept folders stay as they are.
  mkdir -p "$work/$target"
  for dir in "${dirs[@]}"; do cp "$dir"/* "$work/$target/"; done
  ((${#dirs[@]})) || seeds "$target" "$work/$target"
  ASAN_OPTIONS=$fuzz_asan_options run "$target" "$work/$target.log" -max_total_time="$seconds" -print_final_stats=1 \
    ${fuzz_flags[$target]:-} "$work/$target" || failed=1
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$work/$target.log" |
    sed "s/^/fuzz: $target /" || true
  return $failed
}

status=0
if ! $campaign; then
  # One target per processor at a time: each still fuzzes for its SECONDS, the whole run takes
  # a fraction of their sum. Each target's lines are printed together when it ends.
  parallel=$(nproc)
  for target in "${targets[@]}"; do
    [ -x "$build_dir/fuzz/$target" ] || { echo "fuzz: $build_dir/fuzz/$target missing"; status=1; continue; }
    if [[ -n ${runs_alone[$target]:-} ]]; then
      wait
    else
      while (($(jobs -rp | wc -l) >= parallel)); do wait -n || true; done
    fi
    { fuzz_one "$target" > "$work/$target.out" 2>&1 && echo 0 > "$work/$target.status" || echo 1 > "$work/$target.status"; } &
    [[ -z ${runs_alone[$target]:-} ]] || wait
  done
  wait
  for target in "${targets[@]}"; do
    [ -f "$work/$target.status" ] || continue
    cat "$work/$target.out"
    [ "$(cat "$work/$target.status")" = 0 ] || status=1
    rmdir "fuzz/findings/$target" 2>/dev/null || true
  done
  rmdir fuzz/findings 2>/dev/null || true
  exit $status
fi

for target in "${targets[@]}"; do
  [ -x "$build_dir/fuzz/$target" ] || { echo "fuzz: $build_dir/fuzz/$target missing"; status=1; continue; }
  mapfile -t dirs < <(kept "$target")
  grown="$work/$target-grown"
  mkdir -p "$grown"
  seeds "$target" "$work/$target-seeds"
  end=$(($(date +%s) + seconds))
  round=0
  while [ "$(date +%s)" -lt "$end" ]; do
    round=$((round + 1))
    echo "fuzz: $target campaign round $round, $((end - $(date +%s)))s left"
    run "$target" "$work/$target-$round.log" -max_total_time=$((end - $(date +%s))) -print_final_stats=1 \
      "$grown" "${dirs[@]}" "$work/$target-seeds" || status=1
    grep -E '^stat::number_of_executed_units' "$work/$target-$round.log" | sed "s/^/fuzz: $target /" || true
  done
  merged="$work/$target-merged"
  # A new target has no kept corpus yet, and -merge=1 refuses a folder that is not there.
  mkdir -p "$merged" "fuzz/corpus/$target"
  run "$target" "$work/$target-merge.log" -merge=1 "$merged" "$grown" "fuzz/corpus/$target" \
    "$work/$target-seeds" || status=1
  rm -rf "fuzz/corpus/$target"
  mkdir -p "fuzz/corpus/$target"
  cp "$merged"/* "fuzz/corpus/$target/"
  echo "fuzz: $target corpus $(find "fuzz/corpus/$target" -type f | wc -l) inputs, $(du -sh "fuzz/corpus/$target" | cut -f1)"
  rmdir "fuzz/findings/$target" 2>/dev/null || true
done
rmdir fuzz/findings 2>/dev/null || true
exit $status
