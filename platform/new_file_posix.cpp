#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/new_file.h"

namespace platform {

// The writer holds an flock on its partial file while it has it open; the
// kernel drops it when the writer ends, however it ends.
std::FILE* CreateNewFile(const std::filesystem::path& path, const std::filesystem::path* like) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  ::flock(fd, LOCK_EX | LOCK_NB);  // a fresh name nobody else holds
  struct stat old {};
  if (like != nullptr && ::stat(like->c_str(), &old) == 0) {
    // A user who is not the owner may still give the file the old group.
    if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, -1, old.st_gid) != 0) {
      // The new file stays the user's own.
    }
    ::fchmod(fd, old.st_mode & 07777);  // after the owner: chown clears set-id bits
  }
  std::FILE* file = ::fdopen(fd, "w+b");
  if (file == nullptr) {
    const int error = errno;
    ::close(fd);
    ::unlink(path.c_str());
    errno = error;
  }
  return file;
}

std::FILE* OpenExistingFile(const std::filesystem::path& path) {
  // Not the terminal's controlling process for having written to it.
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "ab");
  if (file == nullptr) ::close(fd);
  return file;
}

void RemoveIfAbandoned(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat opened {}, named {};
  // The lock is free only once its writer has gone; the name must still be
  // the file that was checked, not one made since.
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 &&
      ::lstat(path.c_str(), &named) == 0 && S_ISREG(opened.st_mode) &&
      opened.st_dev == named.st_dev && opened.st_ino == named.st_ino)
    ::unlink(path.c_str());
  ::close(fd);
}

int WriteAccess(const std::filesystem::path& path) {
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
}

// /proc/PID/fd/N (and /proc/self/fd/N, which the canonical directory turns
// into the former): Linux's names for open descriptors, which look like
// symbolic links to the file behind them.
bool NamesOpenFile(const std::filesystem::path& path) {
  const std::string text = path.string();
  return text.rfind("/proc/", 0) == 0 && path.parent_path().filename() == "fd";
}

}  // namespace platform
