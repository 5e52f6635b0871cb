#!/usr/bin/env bash
# Remakes docs/window-windows.png: the Win32 window at the end of a Rover Test
# against the simulated standard modem, drawn by wine on Xvfb. With a DPI
# other than 96 (192 is 200 % scaling), docs/window-windows-<DPI>dpi.png,
# drawn in a wine prefix of its own set to that DPI.
# Usage: scripts/screenshot-windows.sh [DPI]   (needs root, as scripts/wine-run.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
dpi=${1:-96}
make -s build/windows/build.ninja
cmake --build build/windows -j 2 --target telvora_screenshot
png=docs/window-windows.png
if [ "$dpi" != 96 ]; then
  png=docs/window-windows-${dpi}dpi.png
  export WINEPREFIX=$PWD/build/windows/wineprefix-${dpi}dpi TELVORA_WINE_DPI=$dpi
fi
bmp=build/windows/window-windows.bmp
xvfb-run -a -s "-screen 0 $((1600 * dpi / 96))x$((1000 * dpi / 96))x24" \
  scripts/wine-run.sh build/windows/telvora_screenshot.exe "$bmp"
bmptopnm "$bmp" | pnmtopng >"$png"
echo "$png written"
