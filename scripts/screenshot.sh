#!/usr/bin/env bash
# Remakes docs/window.png: the window at the end of a Rover Test against the
# simulated standard modem, rendered by a real X server (Xvfb), as the README
# shows it. Usage: scripts/screenshot.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
cmake --build "$build" --target telvora_screenshot
xvfb-run -a -s "-screen 0 1600x1000x24" env QT_QPA_PLATFORM=xcb \
  "$build/telvora_screenshot" docs/window.png
echo "docs/window.png written"
