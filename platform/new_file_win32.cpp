// The C library's "x" open mode is not there in every Windows runtime (some
// ignore it, some refuse the mode): the descriptor is created exclusively.
// Windows itself keeps a file that is open from being deleted, which is all
// a partial file needs to tell its live writer from a killed one.
#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "platform/new_file.h"

namespace platform {

// The permissions of a Windows file are not its name's business: a new file
// gets the directory's, whatever file it is like.
std::FILE* CreateNewFile(const std::filesystem::path& path, const std::filesystem::path*) {
  const int fd =
      ::_wopen(path.c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* file = ::_fdopen(fd, "w+b");
  if (file == nullptr) {
    ::_close(fd);
    ::_wunlink(path.c_str());
  }
  return file;
}

std::FILE* OpenExistingFile(const std::filesystem::path& path) {
  const int fd = ::_wopen(path.c_str(), _O_WRONLY | _O_APPEND | _O_BINARY);
  if (fd < 0) return nullptr;
  std::FILE* file = ::_fdopen(fd, "ab");
  if (file == nullptr) ::_close(fd);
  return file;
}

void RemoveIfAbandoned(const std::filesystem::path& path) {
  std::error_code inUse;
  if (std::filesystem::is_regular_file(std::filesystem::symlink_status(path, inUse)))
    std::filesystem::remove(path, inUse);
}

int WriteAccess(const std::filesystem::path& path) {
  return ::_waccess(path.c_str(), 2) == 0 ? 0 : errno;
}

bool NamesOpenFile(const std::filesystem::path&) { return false; }

}  // namespace platform
