// The Win32 window's picture for the README, as tools/window_screenshot.cpp
// makes the Qt one, saved as a 24-bit BMP.
// Usage: telvora_screenshot.exe FILE.bmp (scripts/screenshot-windows.sh runs
// it under wine on Xvfb and makes the PNG).
#include <cstdio>

#include "platform/toolkit/window_backend.h"
#include "tools/rover_test_shown.h"
#include "tools/window_bitmap_win32.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: telvora_screenshot FILE.bmp\n", stderr);
    return 64;
  }
  const bool saved = ShowRoverTest([&] { return toolkit::MakeWindowBackend(argc, argv); },
                                   [&] { return SaveMainWindowBitmap(argv[1]); });
  if (!saved) std::fprintf(stderr, "telvora_screenshot: could not save %s\n", argv[1]);
  return saved ? 0 : 1;
}
