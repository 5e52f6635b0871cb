// The Qt 6 Widgets backend: a real main window, menu bar, log control, text
// prompt, message box, error box and clipboard. Creates the QApplication.
// This header stays free of Qt so that the program's entry can include it.
#pragma once

#include <memory>

#include "platform/toolkit/toolkit.h"

namespace toolkit {

// Once per program; argc and argv must outlive the backend. Release it (set
// another backend) before main returns: Qt must not be torn down by the
// destructors of statics.
std::unique_ptr<Backend> MakeQtBackend(int& argc, char** argv);

}  // namespace toolkit
