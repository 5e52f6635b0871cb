// Ctrl+C on POSIX: SIGINT, and SIGTERM and SIGHUP with it, caught on the
// user-interface thread alone; SIGPIPE ignored while caught.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <iterator>

#include "platform/interrupt.h"

namespace platform::interrupt {

namespace {

constexpr int kServeMs = 10;

std::atomic<int> caught{0};
std::atomic<void (*)()> target{nullptr};
// The handler writes a byte here, so a prompt waiting in poll() wakes even
// when the signal lands between its check and its wait.
std::atomic<int> wakeWrite{-1};
int wakeRead = -1;
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous[std::size(kStopSignals)] {};
struct sigaction previousPipe {};

extern "C" void OnStopSignal(int) {
  const int savedErrno = errno;
  caught.fetch_add(1);
  if (void (*fn)() = target.load()) fn();
  const char byte = 1;
  if (const int fd = wakeWrite.load(); fd >= 0 && ::write(fd, &byte, 1) < 0) {
    // Full: a wake-up is pending already.
  }
  errno = savedErrno;
}

}  // namespace

Catcher::Catcher(void (*onInterrupt)()) {
  int wake[2];
  if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) == 0) {
    wakeRead = wake[0];
    wakeWrite.store(wake[1]);
  }
  caught.store(0);
  target.store(onInterrupt);
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  // Other blocking calls simply go on; the prompt's poll() ends regardless.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
    ::sigaction(kStopSignals[i], &action, &previous[i]);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &previousPipe);
}

Catcher::~Catcher() {
  ::sigaction(SIGPIPE, &previousPipe, nullptr);
  for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
    ::sigaction(kStopSignals[i], &previous[i], nullptr);
  target.store(nullptr);
  caught.store(0);
  if (const int fd = wakeWrite.exchange(-1); fd >= 0) ::close(fd);
  if (wakeRead >= 0) ::close(wakeRead);
  wakeRead = -1;
}

int Caught() { return caught.load(); }

struct ShieldedScope::Saved {
  sigset_t mask;
};

ShieldedScope::ShieldedScope() : saved_(std::make_unique<Saved>()) {
  sigset_t stop;
  sigemptyset(&stop);
  for (const int number : kStopSignals) sigaddset(&stop, number);
  pthread_sigmask(SIG_BLOCK, &stop, &saved_->mask);
}

ShieldedScope::~ShieldedScope() { pthread_sigmask(SIG_SETMASK, &saved_->mask, nullptr); }

std::optional<std::string> ReadStandardInputLine(const std::function<void()>& serve) {
  std::string line;
  for (;;) {
    if (Caught() > 0) return std::nullopt;
    serve();
    // A negative descriptor (no Catcher) is skipped by poll().
    pollfd targets[2] = {{STDIN_FILENO, POLLIN, 0}, {wakeRead, POLLIN, 0}};
    if (::poll(targets, 2, kServeMs) <= 0 || targets[0].revents == 0) continue;
    char byte = 0;
    const ssize_t got = ::read(STDIN_FILENO, &byte, 1);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) return line.empty() ? std::nullopt : std::optional(line);
    if (byte != '\n') {
      if (line.size() == kLongestLine) return std::nullopt;
      line += byte;
      continue;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }
}

bool StandardOutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace platform::interrupt
