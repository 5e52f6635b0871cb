#!/usr/bin/env bash
# The Win32 window follows the display scaling: after a Rover Test it is
# twice as wide and as high at 192 DPI (200 %) as at 96 DPI, within 5 % (the
# frame and the menu bar are the system's). A font, a status bar part or the
# results pane left at its 100 % size shows as a smaller ratio.
#   window_dpi.sh WINE_RUN TELVORA_SCREENSHOT.exe
set -euo pipefail
wine_run=$1 screenshot=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

picture() {  # DPI: the window after a Rover Test, drawn at that DPI
  # A prefix for each, made alike but for the DPI, and kept between runs as
  # the build's own one is.
  local dpi=$1 prefix
  prefix=$(cd "$(dirname "$screenshot")" && pwd)/wineprefix-${dpi}dpi
  if ! WINEPREFIX=$prefix TELVORA_WINE_DPI=$dpi xvfb-run -a -s "-screen 0 3200x2000x24" \
       "$wine_run" "$screenshot" "$work/$dpi.bmp" >"$work/log" 2>&1; then
    cat "$work/log" >&2
    fail "no picture at $dpi DPI"
  fi
}
size() { od -An -t d4 -j 18 -N 8 "$work/$1.bmp" | xargs; }  # the BMP header's width and height
picture 96
picture 192
read -r width height <<<"$(size 96)"
read -r width2 height2 <<<"$(size 192)"
echo "96 DPI: ${width}x$height, 192 DPI: ${width2}x$height2"
for pair in "$width $width2" "$height $height2"; do
  read -r one two <<<"$pair"
  [ $((two * 100)) -ge $((one * 190)) ] && [ $((two * 100)) -le $((one * 210)) ] ||
    fail "not twice the size at 192 DPI"
done
