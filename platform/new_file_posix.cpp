#include <fcntl.h>
#include <unistd.h>

#include "platform/new_file.h"

namespace platform {

std::FILE* CreateNewFile(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "wb");
  if (file == nullptr) ::close(fd);
  return file;
}

}  // namespace platform
