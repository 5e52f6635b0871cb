#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/toolkit/qt/qt_backend.h"
#include "platform/toolkit/window_backend.h"

namespace toolkit {

namespace {

// Whether Qt has a display to show the window on: an X or Wayland one, or a
// platform the user chose (QT_QPA_PLATFORM, "-platform NAME"). Without one
// Qt aborts, which tells a user nothing of what to do instead.
bool DisplayFound(int argc, char** argv) {
  for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return true;
  }
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "-platform") return true;
  }
  return false;
}

}  // namespace

std::unique_ptr<Backend> MakeWindowBackend(int& argc, char** argv) {
  if (!DisplayFound(argc, argv)) {
    std::fputs(
        "telvora: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not set).\n"
        "  Under a virtual X server:  xvfb-run -a telvora\n"
        "  From the source tree:      make window (on Qt's offscreen platform: nothing shows)\n"
        "  Without a window:          telvora --run rover-test --simulate --fast\n"
        "                             (telvora --help tells the console runner's options)\n",
        stderr);
    return nullptr;
  }
  return MakeQtBackend(argc, argv);
}

}  // namespace toolkit
