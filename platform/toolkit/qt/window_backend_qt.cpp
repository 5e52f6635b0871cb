#include "platform/toolkit/qt/qt_backend.h"
#include "platform/toolkit/window_backend.h"

namespace toolkit {

std::unique_ptr<Backend> MakeWindowBackend(int& argc, char** argv) {
  return MakeQtBackend(argc, argv);
}

}  // namespace toolkit
