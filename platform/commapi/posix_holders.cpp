#include "platform/commapi/posix_holders.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string_view>

namespace commapi {

namespace {

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

std::optional<long> Number(std::string_view text) {
  long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// True when fd `fd` of process `pid` is the master of pseudo-terminal
// `index`: a /dev/ptmx descriptor whose fdinfo names that index.
bool IsMasterOf(const std::string& processDir, const char* fd, int index) {
  char target[64] = {};
  const std::string link = processDir + "/fd/" + fd;
  if (::readlink(link.c_str(), target, sizeof target - 1) <= 0) return false;
  if (!std::string_view(target).ends_with("ptmx")) return false;
  std::ifstream info(processDir + "/fdinfo/" + fd);
  std::string key;
  long value = 0;
  while (info >> key) {
    if (key == "tty-index:" && info >> value) return value == index;
  }
  return false;
}

// What one process holds of a terminal device (none: only the master is
// looked for) and of the master of pseudo-terminal ptyIndex.
struct Held {
  bool device = false;
  bool master = false;
};

Held WhatIsHeld(const std::string& processDir, std::optional<dev_t> device,
                std::optional<int> ptyIndex) {
  Held held;
  const Dir fds(::opendir((processDir + "/fd").c_str()));
  if (!fds) return held;  // gone, or not ours to look at
  while (const dirent* fd = ::readdir(fds.get())) {
    if (fd->d_name[0] == '.') continue;
    struct stat target {};
    const std::string path = processDir + "/fd/" + fd->d_name;
    if (device && ::stat(path.c_str(), &target) == 0 && S_ISCHR(target.st_mode) &&
        target.st_rdev == *device) {
      held.device = true;
    } else if (ptyIndex && IsMasterOf(processDir, fd->d_name, *ptyIndex)) {
      held.master = true;
    }
  }
  return held;
}

// The first process for which wanted(its pid, its /proc directory) is true.
template <typename Wanted>
std::optional<Holder> FindProcess(Wanted wanted) {
  const Dir proc(::opendir("/proc"));
  if (!proc) return std::nullopt;
  while (const dirent* process = ::readdir(proc.get())) {
    const std::optional<long> pid = Number(process->d_name);
    if (pid && wanted(static_cast<pid_t>(*pid), std::string("/proc/") + process->d_name))
      return HolderOf(static_cast<pid_t>(*pid));
  }
  return std::nullopt;
}

}  // namespace

std::optional<Holder> FindOtherHolder(dev_t device, std::optional<int> ptyIndex) {
  const pid_t self = ::getpid();
  return FindProcess([&](pid_t pid, const std::string& processDir) {
    if (pid == self) return false;
    const Held held = WhatIsHeld(processDir, device, ptyIndex);
    return held.device && !held.master;
  });
}

std::optional<Holder> FindFarEnd(int ptyIndex) {
  // This very process may be the far end.
  return FindProcess([&](pid_t, const std::string& processDir) {
    return WhatIsHeld(processDir, std::nullopt, ptyIndex).master;
  });
}

Holder HolderOf(pid_t pid) {
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return {pid, name};
}

std::string Named(const Holder& holder) {
  const std::string who = holder.name.empty() ? "another program" : holder.name;
  return who + " (pid " + std::to_string(holder.pid) + ")";
}

std::string InUseLine(const Holder& holder) { return "In use by " + Named(holder); }

std::string LockedLine(const Holder& holder, const std::string& lockPath) {
  return "Locked by " + Named(holder) + " in " + lockPath;
}

std::optional<int> PtyIndex(const std::string& devicePath) {
  std::error_code error;
  const std::string path = std::filesystem::canonical(devicePath, error).string();
  constexpr std::string_view kSlaves = "/dev/pts/";
  if (error || !path.starts_with(kSlaves)) return std::nullopt;
  const std::optional<long> index = Number(std::string_view(path).substr(kSlaves.size()));
  if (!index) return std::nullopt;
  return static_cast<int>(*index);
}

}  // namespace commapi
