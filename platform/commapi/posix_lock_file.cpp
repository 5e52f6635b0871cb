#include "platform/commapi/posix_lock_file.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <utility>

namespace commapi {

namespace {

std::mutex directoryMutex;
std::string lockDirectory = "/var/lock";

std::string LockPathFor(const std::string& devicePath) {
  std::error_code error;
  std::filesystem::path device = std::filesystem::canonical(devicePath, error);
  if (error) device = devicePath;
  std::lock_guard lock(directoryMutex);
  return lockDirectory + "/LCK.." + device.filename().string();
}

// The PID in a lock file, written as ten characters and a newline; nullopt
// when it cannot be read as one.
std::optional<pid_t> ReadOwner(const std::string& path) {
  std::ifstream file(path);
  long pid = 0;
  if (!(file >> pid) || pid <= 0) return std::nullopt;
  return static_cast<pid_t>(pid);
}

bool Alive(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

// Writes our PID to a file of its own, then links it in place: a reader
// never sees a lock half written. False when the name is taken.
bool CreateLock(const std::string& path, bool& noLocking) {
  const std::string temporary = path + "." + std::to_string(::getpid());
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    noLocking = true;  // no such directory, or not ours to write in
    return false;
  }
  char text[16];
  const int length = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
  const bool written = ::write(fd, text, static_cast<std::size_t>(length)) == length;
  ::close(fd);
  const bool linked = written && ::link(temporary.c_str(), path.c_str()) == 0;
  const int linkError = errno;
  ::unlink(temporary.c_str());
  if (!linked && (!written || linkError != EEXIST)) noLocking = true;
  return linked;
}

}  // namespace

void SetLockDirectory(std::string directory) {
  std::lock_guard lock(directoryMutex);
  lockDirectory = std::move(directory);
}

LockFile::LockFile(const std::string& devicePath) {
  const std::string path = LockPathFor(devicePath);
  // Two rounds: the second follows the removal of a stale lock.
  for (int round = 0; round < 2; ++round) {
    bool noLocking = false;
    if (CreateLock(path, noLocking)) {
      path_ = path;
      return;
    }
    if (noLocking) return;
    const std::optional<pid_t> owner = ReadOwner(path);
    if (owner && Alive(*owner)) {
      heldBy_ = owner;
      return;
    }
    ::unlink(path.c_str());  // its owner is gone
  }
}

LockFile::~LockFile() {
  if (!path_.empty()) ::unlink(path_.c_str());
}

LockFile::LockFile(LockFile&& other) noexcept
    : path_(std::exchange(other.path_, {})), heldBy_(other.heldBy_) {}

}  // namespace commapi
