// Runs a Rover Test in the window against the simulated standard modem, in
// virtual time, and saves a picture of the window at its end: the results
// pane open, the lamps and the progress bar in the status bar.
// Usage: telvora_screenshot FILE.png (scripts/screenshot.sh runs it under Xvfb).
#include <QApplication>
#include <QMainWindow>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>

#include "app/TelvoraMain.h"
#include "platform/clock.h"
#include "platform/threads.h"
#include "platform/toolkit/qt/qt_backend.h"
#include "sim/SimulatedModem.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: telvora_screenshot FILE.png\n", stderr);
    return 64;
  }
  const QString file = QString::fromLocal8Bit(argv[1]);
  setenv("TELVORA_COM1", "sim:standard", 1);
  platform::SetMainThread();
  platform::clock::UseVirtualTime(true);
  sim::RegisterSimScheme();
  toolkit::Application& app = toolkit::Application::Instance();
  app.SetBackend(toolkit::MakeQtBackend(argc, argv));
  bool saved = false;
  {
    TMain_Form form;
    form.PhoneNumberSet = true;  // the default number, no prompt
    app.GetBackend().Show(form);
    form.Test1->Click();
    app.ProcessMessages();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->objectName() != "Main_Form") continue;
      QApplication::processEvents();
      saved = widget->grab().save(file, "PNG");
    }
  }
  app.SetBackend(nullptr);
  if (!saved) std::fprintf(stderr, "telvora_screenshot: could not save %s\n", argv[1]);
  return saved ? 0 : 1;
}
