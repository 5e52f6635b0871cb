// The Win32 window's picture for the README, as tools/window_screenshot.cpp
// makes the Qt one: a Rover Test against the simulated standard modem in
// virtual time, then the window as drawn, saved as a 24-bit BMP.
// Usage: telvora_screenshot.exe FILE.bmp (scripts/screenshot-windows.sh runs
// it under wine on Xvfb and makes the PNG).
#include <cstdio>

#include "app/TelvoraMain.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/threads.h"
#include "platform/toolkit/window_backend.h"
#include "sim/SimulatedModem.h"
#include "tools/window_bitmap_win32.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: telvora_screenshot FILE.bmp\n", stderr);
    return 64;
  }
  platform::ScopedVariable port("TELVORA_COM1", "sim:standard");
  platform::SetMainThread();
  platform::clock::UseVirtualTime(true);
  sim::RegisterSimScheme();
  toolkit::Application& app = toolkit::Application::Instance();
  app.SetBackend(toolkit::MakeWindowBackend(argc, argv));
  bool saved = false;
  {
    TMain_Form form;
    form.PhoneNumberSet = true;  // the default number, no prompt
    app.GetBackend().Show(form);
    form.Test1->Click();
    app.ProcessMessages();
    app.GetBackend().PumpEvents();
    saved = SaveMainWindowBitmap(argv[1]);
  }
  app.SetBackend(nullptr);
  if (!saved) std::fprintf(stderr, "telvora_screenshot: could not save %s\n", argv[1]);
  return saved ? 0 : 1;
}
