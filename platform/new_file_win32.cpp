// The C library's "x" open mode is not there in every Windows runtime (some
// ignore it, some refuse the mode): the descriptor is created exclusively.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "platform/new_file.h"

namespace platform {

std::FILE* CreateNewFile(const std::filesystem::path& path) {
  const int fd =
      ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* file = ::_fdopen(fd, "wb");
  if (file == nullptr) ::_close(fd);
  return file;
}

}  // namespace platform
