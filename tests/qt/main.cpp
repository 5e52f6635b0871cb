// The Qt tests share one application object, made before any test runs.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/threads.h"
#include "platform/toolkit/qt/qt_backend.h"

// Qt is not built for the thread sanitizer: the handovers inside its own
// thread pool are invisible to it and would show up as races within Qt.
extern "C" const char* __tsan_default_suppressions() {
  return "race:libQt6Core.so\n"
         "race:libQt6Gui.so\n"
         "race:libQt6Widgets.so\n";
}

int main(int argc, char** argv) {
  // Test discovery runs this binary without the test environment, and the
  // build machines have no display.
  setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
  testing::InitGoogleTest(&argc, argv);
  platform::SetMainThread();
  toolkit::Application& app = toolkit::Application::Instance();
  app.SetBackend(toolkit::MakeQtBackend(argc, argv));
  const int result = RUN_ALL_TESTS();
  app.SetBackend(nullptr);
  return result;
}
