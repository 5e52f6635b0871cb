#!/usr/bin/env bash
# Remakes docs/window-windows.png: the Win32 window at the end of a Rover Test
# against the simulated standard modem, drawn by wine on Xvfb.
# Usage: scripts/screenshot-windows.sh   (needs root, as scripts/wine-run.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
make -s build/windows/build.ninja
cmake --build build/windows -j 2 --target telvora_screenshot
bmp=build/windows/window-windows.bmp
xvfb-run -a -s "-screen 0 1600x1000x24" \
  scripts/wine-run.sh build/windows/telvora_screenshot.exe "$bmp"
bmptopnm "$bmp" | pnmtopng >docs/window-windows.png
echo "docs/window-windows.png written"
