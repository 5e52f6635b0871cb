// The backend that shows the real window on this system: Qt 6 on Linux,
// Win32 on Windows. Null, after telling the user on standard error why and
// what to do instead, in a build without a window or where there is no
// display. The build links the one source that defines it.
#pragma once

#include <memory>

#include "platform/toolkit/toolkit.h"

namespace toolkit {

// Once per program; argc and argv must outlive the backend. Release it (set
// another backend) before main returns: a window system must not be torn
// down by the destructors of statics.
std::unique_ptr<Backend> MakeWindowBackend(int& argc, char** argv);

}  // namespace toolkit
