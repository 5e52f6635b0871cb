// UUCP-style lock files (LCK..ttyUSB0 holding the owner's PID), the way
// serial programs on this system tell each other that a device is taken.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace commapi {

// Where lock files go: /var/lock unless a test points elsewhere.
void SetLockDirectory(std::string directory);

class LockFile {
 public:
  // Takes the lock for the device at path. A lock left by a dead process is
  // taken over; a lock directory that is missing or not writable means no
  // lock file, which is no reason to refuse the device.
  explicit LockFile(const std::string& devicePath);
  ~LockFile();
  LockFile(LockFile&& other) noexcept;
  LockFile& operator=(LockFile&&) = delete;
  LockFile(const LockFile&) = delete;

  // The live process whose lock was found instead, if any.
  std::optional<pid_t> HeldBy() const { return heldBy_; }

 private:
  std::string path_;  // the lock file we created; empty when none
  std::optional<pid_t> heldBy_;
};

}  // namespace commapi
