#include "tests/support/pty.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "platform/commapi/posix_lock_file.h"

namespace testsupport {

namespace {

[[noreturn]] void Throw(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
  char name[256] = {};
  if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) Throw("openpty");
  slavePath_ = name;
  termios raw{};
  if (::tcgetattr(slave_, &raw) != 0) Throw("tcgetattr");
  ::cfmakeraw(&raw);
  if (::tcsetattr(slave_, TCSANOW, &raw) != 0) Throw("tcsetattr");
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  ::fcntl(master_, F_SETFD, FD_CLOEXEC);
  ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
}

PseudoTerminal::~PseudoTerminal() {
  CloseMaster();
  ::close(slave_);
}

void PseudoTerminal::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(master_, bytes.data(), bytes.size());
    if (written > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(written));
    } else if (errno == EAGAIN || errno == EINTR) {
      pollfd target{master_, POLLOUT, 0};
      ::poll(&target, 1, 100);
    } else {
      Throw("write to the pseudo-terminal");
    }
  }
}

std::string PseudoTerminal::Read(std::size_t count, int timeoutMs) {
  std::string received;
  const std::int64_t deadline = NowMs() + timeoutMs;
  while (received.size() < count) {
    char buffer[4096];
    const std::size_t wanted = std::min(sizeof buffer, count - received.size());
    const ssize_t got = ::read(master_, buffer, wanted);
    if (got > 0) {
      received.append(buffer, static_cast<std::size_t>(got));
      continue;
    }
    const std::int64_t left = deadline - NowMs();
    if (left <= 0) break;
    pollfd target{master_, POLLIN, 0};
    ::poll(&target, 1, static_cast<int>(std::min<std::int64_t>(left, 50)));
  }
  return received;
}

std::string PseudoTerminal::ReadUntil(std::string_view text, int timeoutMs) {
  std::string received;
  const std::int64_t deadline = NowMs() + timeoutMs;
  while (received.find(text) == std::string::npos) {
    const std::int64_t left = deadline - NowMs();
    if (left <= 0) break;
    received += Read(1, static_cast<int>(left));
  }
  return received;
}

termios PseudoTerminal::SlaveSettings() const {
  termios settings{};
  if (::tcgetattr(slave_, &settings) != 0) Throw("tcgetattr");
  return settings;
}

bool PseudoTerminal::Exclusive() const {
  int exclusive = 0;
  if (::ioctl(slave_, TIOCGEXCL, &exclusive) != 0) Throw("TIOCGEXCL");
  return exclusive != 0;
}

void PseudoTerminal::CloseMaster() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

HoldingProcess::HoldingProcess(const PseudoTerminal& pty, bool withMaster, const char* name,
                               bool exclusive) {
  int ready[2];
  if (::pipe(ready) != 0) Throw("pipe");
  const char* const slave = pty.SlavePath().c_str();
  pid_ = ::fork();
  if (pid_ < 0) Throw("fork");
  if (pid_ == 0) {
    // Only system calls from here on: the test program has other threads.
    const int master = withMaster ? pty.MasterFd() : -1;
    for (int fd = 3; fd < 1024; ++fd)
      if (fd != ready[1] && fd != master) ::close(fd);
    const int fd = ::open(slave, O_RDWR | O_NOCTTY);
    const bool held = fd >= 0 && (!exclusive || ::ioctl(fd, TIOCEXCL) == 0);
    ::prctl(PR_SET_NAME, name);
    if (::write(ready[1], held ? "y" : "n", 1) != 1) ::_exit(1);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char answer = 'n';
  const bool told = ::read(ready[0], &answer, 1) == 1;
  ::close(ready[0]);
  if (!told || answer != 'y') {
    errno = EIO;
    Throw("holding the pseudo-terminal in another process");
  }
}

HoldingProcess::~HoldingProcess() {
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
}

PtyPort::PtyPort(int comNumber)
    : deviceName_("\\\\.\\COM" + std::to_string(comNumber)),
      binding_("TELVORA_COM" + std::to_string(comNumber), pty_.SlavePath()) {
  commapi::SetLockDirectory(std::filesystem::temp_directory_path());
}

}  // namespace testsupport
