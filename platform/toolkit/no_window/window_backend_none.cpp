#include <cstdio>

#include "platform/toolkit/window_backend.h"

namespace toolkit {

std::unique_ptr<Backend> MakeWindowBackend(int&, char**) {
  std::fputs(
      "telvora: built without the window; the console runner works: telvora --run PROCEDURE\n"
      "(telvora --help tells its options)\n",
      stderr);
  return nullptr;
}

}  // namespace toolkit
