#!/usr/bin/env bash
# The main job: set up, build, and turn the bundled sample picture into a sound.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./build/cli/ombrisk-cli --version
