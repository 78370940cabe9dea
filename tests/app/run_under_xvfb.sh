#!/usr/bin/env bash
# Runs a window test under a virtual X server on Qt's xcb platform: run_under_xvfb.sh PROGRAM [ARGS].
# Exits 77 (ctest's skip) with a message when the server or xdotool is missing or the server does
# not start. (Qt's xcb platform comes with Qt's GUI library itself.)
set -uo pipefail
for tool in xvfb-run Xvfb xauth xdotool; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (scripts/setup.sh installs it)"
    exit 77
  fi
done
if ! xvfb-run -a -s "-screen 0 1024x768x24" true; then
  echo "skipped: the virtual X server does not start"
  exit 77
fi
export QT_QPA_PLATFORM=xcb
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
xvfb-run -a -s "-screen 0 1024x768x24" "$@"
