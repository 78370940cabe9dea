#!/usr/bin/env bash
# The whole test suite, as CI runs it: set up with warnings as errors, build, run every test.
set -euo pipefail
cd "$(dirname "$0")/.."
OMBRISK_CMAKE_ARGS="-DOMBRISK_WERROR=ON ${OMBRISK_CMAKE_ARGS:-}" ./scripts/setup.sh
ctest --test-dir build --output-on-failure -j "$(nproc)"
