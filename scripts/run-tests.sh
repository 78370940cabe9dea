#!/usr/bin/env bash
# The whole test suite, as CI runs it:
#  1. set up and build with warnings as errors, run every test (among them the Debian package,
#     packed from that build and checked: tests/package/); then the second threads under
#     ThreadSanitizer (scripts/run-thread-sanitizer.sh);
#  2. build again with clang under AddressSanitizer and UndefinedBehaviorSanitizer, run every test there;
#  3. replay every kept and regression fuzz input, then run each fuzz target of that build for a
#     bounded time ($OMBRISK_FUZZ_SECONDS, default 20).
set -euo pipefail
cd "$(dirname "$0")/.."
OMBRISK_CMAKE_ARGS="-DOMBRISK_WERROR=ON ${OMBRISK_CMAKE_ARGS:-}" ./scripts/setup.sh
ctest --test-dir build --output-on-failure -j "$(nproc)"

# The second threads under ThreadSanitizer (its own clang build of what runs them, in build-tsan/).
./scripts/run-thread-sanitizer.sh build-tsan

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan-suppressions.txt
# The symbolizer the set-up script installs, by its path: Debian names only llvm-symbolizer-14 on PATH.
export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer
# Line tables are all a report needs (functions, files, lines), at a fraction of full debug
# information's compile and link time. The tests' own code unoptimised: under the sanitizers it
# compiles in half the time of -O1, and the code under test still runs as it is built to. Each
# test program one CTest test: the release build above has reported every case. The product in
# batches of sixteen files, not one file a target: so built, fuzz_recording ran 2,270-2,390
# inputs/s against 1,880-1,950.
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -gline-tables-only -DNDEBUG" \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -gline-tables-only -DNDEBUG" \
  -DOMBRISK_SANITIZE=ON -DOMBRISK_FUZZ=ON -DOMBRISK_BENCH=OFF -DOMBRISK_CTEST_PER_CASE=OFF -DOMBRISK_TEST_OPTIMIZATION=-O0 \
  -DOMBRISK_UNITY_BATCH_SIZE=16
cmake --build build-sanitize -j "$(nproc)"
ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)"
./scripts/run-fuzzers.sh build-sanitize "${OMBRISK_FUZZ_SECONDS:-20}"
