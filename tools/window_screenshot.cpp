// Runs a Rover Test in the window against the simulated standard modem, in
// virtual time, and saves a picture of the window at its end: the results
// pane open, the lamps and the progress bar in the status bar.
// Usage: telvora_screenshot FILE.png (scripts/screenshot.sh runs it under Xvfb).
#include <QApplication>
#include <QPixmap>
#include <QWidget>
#include <cstdio>

#include "platform/toolkit/qt/qt_backend.h"
#include "tools/rover_test_shown.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: telvora_screenshot FILE.png\n", stderr);
    return 64;
  }
  const QString file = QString::fromLocal8Bit(argv[1]);
  const bool saved = ShowRoverTest([&] { return toolkit::MakeQtBackend(argc, argv); }, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->objectName() != "Main_Form") continue;
      QApplication::processEvents();
      return widget->grab().save(file, "PNG");
    }
    return false;
  });
  if (!saved) std::fprintf(stderr, "telvora_screenshot: could not save %s\n", argv[1]);
  return saved ? 0 : 1;
}
