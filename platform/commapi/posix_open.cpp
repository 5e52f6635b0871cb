// Opening a native device exclusively, and what the user is told when that
// fails. Exclusive means what serial programs here agree on: the UUCP lock
// file, flock, the terminal's exclusive mode, and no other process holding
// the device open. Everything is checked before the device is set up.
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <vector>

#include "platform/commapi/device_names.h"
#include "platform/commapi/errors.h"
#include "platform/commapi/native_port.h"
#include "platform/commapi/open_failure.h"
#include "platform/commapi/posix_holders.h"
#include "platform/commapi/posix_lock_file.h"
#include "platform/commapi/posix_port.h"
#include "platform/commapi/termios_settings.h"
#include "platform/commapi/virtual_device.h"

namespace commapi {

namespace {

bool InGroup(gid_t group) {
  if (::getegid() == group) return true;
  const int count = ::getgroups(0, nullptr);
  std::vector<gid_t> groups(static_cast<std::size_t>(std::max(count, 0)));
  const int got = ::getgroups(count, groups.data());
  for (int i = 0; i < got; ++i)
    if (groups[static_cast<std::size_t>(i)] == group) return true;
  return false;
}

// Permission denied: the group that may use the device, when we are not in it.
std::string GroupLine(const std::string& path) {
  struct stat device {};
  if (::stat(path.c_str(), &device) != 0 || InGroup(device.st_gid)) return {};
  std::vector<char> buffer(4096);
  group entry{};
  group* found = nullptr;
  if (::getgrgid_r(device.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
    return {};
  return path + " belongs to group " + found->gr_name + ", which you are not in";
}

// Exclusive mode that nobody visibly holds: on a pseudo-terminal, left by a
// program that ended and kept by the far end, which keeps the terminal.
std::string LeftExclusiveLine(std::optional<int> ptyIndex) {
  const std::optional<Holder> farEnd = ptyIndex ? FindFarEnd(*ptyIndex) : std::nullopt;
  if (!farEnd) return "In exclusive mode, set by a program that cannot be seen from here";
  return "Left in exclusive mode by a program that ended; restarting " + Named(*farEnd) +
         " at the far end clears it";
}

// Who holds the device at path, when it can be found out. exclusive: it is in
// exclusive mode, which tells of a holder even when none is seen.
std::string HolderLine(const std::string& path, std::optional<int> ptyIndex, bool exclusive) {
  struct stat device {};
  if (::stat(path.c_str(), &device) != 0 || !S_ISCHR(device.st_mode)) return {};
  if (const std::optional<Holder> holder = FindOtherHolder(device.st_rdev, ptyIndex))
    return InUseLine(*holder);
  return exclusive ? LeftExclusiveLine(ptyIndex) : std::string();
}

// Records what went wrong for DescribeOpenFailure and sets the last error.
std::shared_ptr<Port> Refuse(const std::string& deviceName, const std::string& path,
                             DWORD error, std::string line) {
  RecordOpenFailure(deviceName, path, std::move(line));
  SetLastError(error);
  return nullptr;
}

std::shared_ptr<Port> RefuseForErrno(const std::string& deviceName, const std::string& path,
                                     int error) {
  std::string line;
  if (error == ENOENT || error == ENOTDIR) line = MappingLine(deviceName, path, "does not exist");
  if (error == EACCES || error == EPERM) line = GroupLine(path);
  if (error == EBUSY) line = HolderLine(path, PtyIndex(path), true);  // exclusive mode
  return Refuse(deviceName, path, ErrorFromErrno(error), std::move(line));
}

}  // namespace

std::shared_ptr<Port> OpenNativePort(const std::string& deviceName, const std::string& path) {
  const OpenTurn turn(path);
  // A lock is looked at before the device is touched.
  auto lockFile = std::make_unique<LockFile>(path);
  if (const std::optional<pid_t> owner = lockFile->HeldBy()) {
    return Refuse(deviceName, path, ERROR_ACCESS_DENIED,
                  LockedLine(HolderOf(*owner), lockFile->Path()));
  }
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.Valid()) return RefuseForErrno(deviceName, path, errno);
  if (!::isatty(fd.Get())) {
    return Refuse(deviceName, path, ERROR_FILE_NOT_FOUND,
                  MappingLine(deviceName, path, "is not a serial device"));
  }
  const std::optional<int> ptyIndex = PtyIndex(path);
  // Programs that take the device without any of the marks here still have
  // it open, and so show up in /proc.
  if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
    return Refuse(deviceName, path, ERROR_ACCESS_DENIED, HolderLine(path, ptyIndex, false));
  struct stat device {};
  if (::fstat(fd.Get(), &device) != 0) return RefuseForErrno(deviceName, path, errno);
  if (const std::optional<Holder> holder = FindOtherHolder(device.st_rdev, ptyIndex))
    return Refuse(deviceName, path, ERROR_ACCESS_DENIED, InUseLine(*holder));
  // Nobody else holds it and no live lock names it, yet it is in exclusive
  // mode: on a pseudo-terminal, which outlives a program while its far end
  // stays, left so by a program that ended. Only root gets this far, and
  // takes it over. A serial port's mode ends with its last holder: there,
  // the holder is one not seen from here.
  int exclusiveLeft = 0;
  std::string note;
  if (::ioctl(fd.Get(), TIOCGEXCL, &exclusiveLeft) == 0 && exclusiveLeft != 0) {
    if (!ptyIndex)
      return Refuse(deviceName, path, ERROR_ACCESS_DENIED, LeftExclusiveLine(ptyIndex));
    note = path + " was left in exclusive mode by a program that ended; taken over";
  }

  termios settings{};
  if (::tcgetattr(fd.Get(), &settings) != 0) return RefuseForErrno(deviceName, path, errno);
  MakeRawTermios(settings);
  if (::tcsetattr(fd.Get(), TCSANOW, &settings) != 0)
    return RefuseForErrno(deviceName, path, errno);
  // Keeps out later openers that look at nothing else (root is not bound by it).
  const bool exclusive = ::ioctl(fd.Get(), TIOCEXCL) == 0;
  int lines = 0;
  const bool hasModemLines = ::ioctl(fd.Get(), TIOCMGET, &lines) == 0;
  RecordOpenNote(deviceName, path, std::move(note));
  return std::make_shared<PosixPort>(std::move(fd), hasModemLines, std::move(lockFile), exclusive);
}

}  // namespace commapi
