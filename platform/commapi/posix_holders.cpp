#include "platform/commapi/posix_holders.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstring>
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

}  // namespace

std::optional<Holder> FindOtherHolder(dev_t device, std::optional<int> ptyIndex) {
  const Dir proc(::opendir("/proc"));
  if (!proc) return std::nullopt;
  const pid_t self = ::getpid();
  while (const dirent* process = ::readdir(proc.get())) {
    const std::optional<long> pid = Number(process->d_name);
    if (!pid || *pid == self) continue;
    const std::string processDir = std::string("/proc/") + process->d_name;
    const Dir fds(::opendir((processDir + "/fd").c_str()));
    if (!fds) continue;  // gone, or not ours to look at
    bool holdsDevice = false, holdsMaster = false;
    while (const dirent* fd = ::readdir(fds.get())) {
      if (fd->d_name[0] == '.') continue;
      struct stat target {};
      const std::string path = processDir + "/fd/" + fd->d_name;
      if (::stat(path.c_str(), &target) == 0 && S_ISCHR(target.st_mode) &&
          target.st_rdev == device) {
        holdsDevice = true;
      } else if (ptyIndex && IsMasterOf(processDir, fd->d_name, *ptyIndex)) {
        holdsMaster = true;
      }
    }
    if (holdsDevice && !holdsMaster) return HolderOf(static_cast<pid_t>(*pid));
  }
  return std::nullopt;
}

Holder HolderOf(pid_t pid) {
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return {pid, name};
}

std::string InUseLine(const Holder& holder) {
  const std::string who = holder.name.empty() ? "another program" : holder.name;
  return "In use by " + who + " (pid " + std::to_string(holder.pid) + ")";
}

std::optional<int> PtyIndex(int fd) {
  char name[64] = {};
  if (::ttyname_r(fd, name, sizeof name) != 0) return std::nullopt;
  std::string_view path = name;
  constexpr std::string_view kSlaves = "/dev/pts/";
  if (!path.starts_with(kSlaves)) return std::nullopt;
  const std::optional<long> index = Number(path.substr(kSlaves.size()));
  if (!index) return std::nullopt;
  return static_cast<int>(*index);
}

}  // namespace commapi
