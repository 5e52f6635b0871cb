// Other processes that hold a terminal device open: found through /proc.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace commapi {

struct Holder {
  pid_t pid;
  std::string name;  // its command name, or empty when unreadable
};

// A process other than this one with the character device `device` open.
// For the slave of a pseudo-terminal (ptyIndex set), the process that holds
// its master is the far end of the line, not a competitor, and is skipped.
// Processes this one may not look into are not seen.
std::optional<Holder> FindOtherHolder(dev_t device, std::optional<int> ptyIndex);

// The process that holds the master of pseudo-terminal ptyIndex.
std::optional<Holder> FindFarEnd(int ptyIndex);

// The holder process `pid`, named from /proc.
Holder HolderOf(pid_t pid);

// "In use by ModemManager (pid 812)".
std::string InUseLine(const Holder& holder);

// "Locked by minicom (pid 812) in /var/lock/LCK..ttyUSB0".
std::string LockedLine(const Holder& holder, const std::string& lockPath);

// "ModemManager (pid 812)".
std::string Named(const Holder& holder);

// The index of the pseudo-terminal slave at devicePath (symlinks followed),
// if it is one.
std::optional<int> PtyIndex(const std::string& devicePath);

}  // namespace commapi
