#!/usr/bin/env bash
# Remakes the README's pictures of the window, rendered by a real X server
# (Xvfb): docs/window.png during a Rover Test against the simulated standard
# modem, at the window's default size, and docs/window-results.png at its end
# with the results pane. Usage: scripts/screenshot.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
cmake --build "$build" --target telvora_screenshot
xvfb-run -a -s "-screen 0 1600x1000x24" env QT_QPA_PLATFORM=xcb \
  "$build/telvora_screenshot" docs/window.png docs/window-results.png
echo "docs/window.png and docs/window-results.png written"
