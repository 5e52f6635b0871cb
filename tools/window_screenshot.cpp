// Runs a Rover Test in the window against the simulated standard modem, in
// virtual time, at the window's default size, and saves two pictures of it:
// one during the run (the status bar busy), one at its end with the results
// pane open.
// Usage: telvora_screenshot DURING.png AFTER.png (scripts/screenshot.sh runs
// it under Xvfb).
#include <QApplication>
#include <QPixmap>
#include <QWidget>
#include <cstdio>

#include "platform/toolkit/qt/qt_backend.h"
#include "tools/rover_test_shown.h"

namespace {

bool SaveWindow(const char* path) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() != "Main_Form") continue;
    // Mid-run the main loop is not turning: lay out what changed first.
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QApplication::processEvents();
    if (widget->grab().save(QString::fromLocal8Bit(path), "PNG")) return true;
  }
  std::fprintf(stderr, "telvora_screenshot: could not save %s\n", path);
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: telvora_screenshot DURING.png AFTER.png\n", stderr);
    return 64;
  }
  const char* during = argv[1];
  const char* after = argv[2];
  const bool saved = ShowRoverTest([&] { return toolkit::MakeQtBackend(argc, argv); },
                                   [&] { return SaveWindow(after); },
                                   [&] { return SaveWindow(during); });
  return saved ? 0 : 1;
}
