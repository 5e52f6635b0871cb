#include "platform/commapi/posix_lock_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>

namespace commapi {

namespace {

std::mutex directoryMutex;
std::string lockDirectory = "/var/lock";

// A lock being written in place by another program reads empty or cut short
// for a moment; it is read again a few times before it is judged.
constexpr int kRereads = 5;
constexpr int kRereadWaitMs = 10;
// Each open holds the turn for a few milliseconds.
constexpr int kTurnStepMs = 5;
constexpr int kTurnLimitMs = 1000;

// Real time: these waits are on other processes, whatever clock the
// procedures run on.
void Wait(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The device behind symlinks such as /dev/serial/by-id/..., or the path as
// given when it cannot be resolved.
std::filesystem::path ResolvedDevice(const std::string& devicePath) {
  std::error_code error;
  std::filesystem::path device = std::filesystem::canonical(devicePath, error);
  return error ? std::filesystem::path(devicePath) : device;
}

// LCK..ttyUSB0, LCK..pts_0: the path below /dev with '/' as '_', so that no
// two devices share a lock.
std::string LockNameOf(const std::filesystem::path& device) {
  std::string name = device.string();
  constexpr std::string_view kDev = "/dev/";
  name.erase(0, name.starts_with(kDev) ? kDev.size() : name.find_first_not_of('/'));
  std::replace(name.begin(), name.end(), '/', '_');
  return "LCK.." + name;
}

bool Alive(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

// What is at a lock's name.
struct Found {
  bool exists = false;
  std::optional<pid_t> pid;
  bool complete = false;  // nothing more will be written to it
  dev_t fileSystem = 0;
  ino_t inode = 0;
};

// The PID, written as ten characters and a newline by most programs; a text
// without its newline may still be being written.
void Parse(std::string_view text, Found& found) {
  found.complete = text.find('\n') != std::string_view::npos;
  text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
  long pid = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), pid);
  if (error == std::errc() && pid > 0 && pid == static_cast<pid_t>(pid))
    found.pid = static_cast<pid_t>(pid);
}

Found Read(const std::string& path) {
  Found found;
  // Non-blocking: a FIFO planted at the name must not stop us.
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat file {};
  if (fd.Valid() ? ::fstat(fd.Get(), &file) != 0 : ::lstat(path.c_str(), &file) != 0) return found;
  found = {true, std::nullopt, true, file.st_dev, file.st_ino};
  // A symlink, a FIFO, a file we may not read: no lock to wait for.
  if (!fd.Valid() || !S_ISREG(file.st_mode)) return found;
  char text[32];
  const ssize_t length = ::read(fd.Get(), text, sizeof text);
  Parse(std::string_view(text, static_cast<std::size_t>(std::max<ssize_t>(length, 0))), found);
  return found;
}

Found ReadSettled(const std::string& path) {
  Found found = Read(path);
  for (int i = 0; i < kRereads && found.exists && !found.complete; ++i) {
    Wait(kRereadWaitMs);
    found = Read(path);
  }
  return found;
}

// Removes the file at path if it is still the one judged; false when it is
// there and may not be removed.
bool RemoveIfSame(const std::string& path, dev_t fileSystem, ino_t inode) {
  struct stat now {};
  if (::lstat(path.c_str(), &now) != 0) return true;
  if (now.st_dev != fileSystem || now.st_ino != inode) return true;  // another's by now
  return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

enum class Made { kMade, kTaken, kCannot };

// Writes our PID to a file of its own under a name nobody can guess, then
// links it in place: a reader never sees a lock half written, and nothing
// planted in the directory is written through.
Made Create(const std::string& directory, const std::string& path, dev_t& fileSystem,
            ino_t& inode) {
  std::string temporary = directory + "/LTMP.XXXXXX";
  UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC | O_NOFOLLOW));
  if (!fd.Valid()) return Made::kCannot;  // no such directory, or not ours to write in
  char text[16];
  const int length = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
  struct stat file {};
  const bool written = ::fchmod(fd.Get(), 0644) == 0 && ::fstat(fd.Get(), &file) == 0 &&
                       ::write(fd.Get(), text, static_cast<std::size_t>(length)) == length;
  fd.Reset();
  const bool linked = written && ::link(temporary.c_str(), path.c_str()) == 0;
  const int linkError = errno;
  ::unlink(temporary.c_str());
  fileSystem = file.st_dev;
  inode = file.st_ino;
  if (linked) return Made::kMade;
  return written && linkError == EEXIST ? Made::kTaken : Made::kCannot;
}

}  // namespace

void SetLockDirectory(std::string directory) {
  std::lock_guard lock(directoryMutex);
  lockDirectory = std::move(directory);
}

LockFile::LockFile(const std::string& devicePath) {
  struct stat device {};
  if (::stat(devicePath.c_str(), &device) != 0 || !S_ISCHR(device.st_mode)) return;
  std::string directory;
  {
    std::lock_guard lock(directoryMutex);
    directory = lockDirectory;
  }
  path_ = directory + "/" + LockNameOf(ResolvedDevice(devicePath));
  // A few rounds: the next follows the removal of a stale lock, or a lock
  // that went while we looked.
  for (int round = 0; round < 3; ++round) {
    const Made made = Create(directory, path_, fileSystem_, inode_);
    if (made == Made::kMade) {
      ours_ = true;
      return;
    }
    const Found found = ReadSettled(path_);
    if (found.exists && found.pid && Alive(*found.pid)) {
      heldBy_ = found.pid;
      return;
    }
    if (made == Made::kCannot) return;  // nothing of ours can take its place
    if (found.exists && !RemoveIfSame(path_, found.fileSystem, found.inode)) return;
  }
}

LockFile::~LockFile() {
  if (ours_) RemoveIfSame(path_, fileSystem_, inode_);
}

OpenTurn::OpenTurn(const std::string& devicePath)
    : directory_(::open(ResolvedDevice(devicePath).parent_path().c_str(),
                        O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  for (int waited = 0; directory_.Valid(); waited += kTurnStepMs) {
    if (::flock(directory_.Get(), LOCK_EX | LOCK_NB) == 0) return;
    if (waited >= kTurnLimitMs) {
      directory_.Reset();
      return;
    }
    Wait(kTurnStepMs);
  }
}

}  // namespace commapi
