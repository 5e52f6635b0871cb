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

// The holder process `pid`, named from /proc.
Holder HolderOf(pid_t pid);

// "In use by ModemManager (pid 812)".
std::string InUseLine(const Holder& holder);

// The index of the pseudo-terminal slave open on fd, if it is one.
std::optional<int> PtyIndex(int fd);

}  // namespace commapi
