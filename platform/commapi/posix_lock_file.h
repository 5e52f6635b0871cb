// UUCP-style lock files (LCK..ttyUSB0 holding the owner's PID), the way
// serial programs on this system tell each other that a device is taken, and
// the turns this program's own opens take. The lock directory is writable by
// everyone: what is found there is never trusted, and no symlink in it is
// followed.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "platform/commapi/unique_fd.h"

namespace commapi {

// Where lock files go: /var/lock unless a test points elsewhere.
void SetLockDirectory(std::string directory);

class LockFile {
 public:
  // Takes the lock for the device at path (nothing for a path that is no
  // device). A lock left by a dead process is taken over; a lock directory
  // that is missing or not writable means no lock file of ours, which is no
  // reason to refuse the device, though a live lock found there still is.
  explicit LockFile(const std::string& devicePath);
  ~LockFile();
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;

  // The live process whose lock was found instead, if any.
  std::optional<pid_t> HeldBy() const { return heldBy_; }
  // The lock's name: /var/lock/LCK..ttyUSB0, or LCK..pts_0 for /dev/pts/0.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  bool ours_ = false;  // path_ is the lock we made, removed when we go
  dev_t fileSystem_ = 0;
  ino_t inode_ = 0;  // which file that is, so that only it is removed
  std::optional<pid_t> heldBy_;
};

// Opens of devices by this program take turns: an flock on the device's
// directory, held from the look at the lock file until the device is ours or
// refused. Two starts at once then never take each other's descriptor, open
// for a moment, for a holder. Other programs know nothing of it; one that
// keeps the turn too long (a second) is waited for no longer.
class OpenTurn {
 public:
  explicit OpenTurn(const std::string& devicePath);

 private:
  UniqueFd directory_;  // closing it ends the turn
};

}  // namespace commapi
