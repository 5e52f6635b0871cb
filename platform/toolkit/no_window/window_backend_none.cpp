#include "platform/toolkit/window_backend.h"

namespace toolkit {

std::unique_ptr<Backend> MakeWindowBackend(int&, char**) { return nullptr; }

}  // namespace toolkit
