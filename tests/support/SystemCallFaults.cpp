#include "tests/support/SystemCallFaults.h"

#include <dlfcn.h>
#include <pthread.h>
#include <sys/ioctl.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <ctime>
#include <utility>

namespace testsupport {
namespace {

std::atomic<bool> failThreadStart{false};
std::atomic<int> modemLinesError{0};  // 0: unarmed
thread_local std::function<void()> sleepAction;

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

void FailNextThreadStart() { failThreadStart = true; }

void DuringNextSleep(std::function<void()> action) { sleepAction = std::move(action); }

BrokenModemLines::BrokenModemLines(int error) { modemLinesError = error; }
BrokenModemLines::~BrokenModemLines() { modemLinesError = 0; }

}  // namespace testsupport

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr,
                              void* (*start)(void*), void* arg) noexcept {
  using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
  static const Create next = testsupport::Next<Create>("pthread_create");
  if (testsupport::failThreadStart.exchange(false)) return EAGAIN;
  return next(thread, attr, start, arg);
}

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
  va_list args;
  va_start(args, request);
  void* argument = va_arg(args, void*);
  va_end(args);
  using Ioctl = int (*)(int, unsigned long, ...);
  static const Ioctl next = testsupport::Next<Ioctl>("ioctl");
  if (const int error = testsupport::modemLinesError.load()) {
    if (request == TIOCMGET) {
      *static_cast<int*>(argument) = 0;
      return 0;
    }
    if (request == TIOCMSET) {
      errno = error;
      return -1;
    }
  }
  return next(fd, request, argument);
}

extern "C" int nanosleep(const timespec* duration, timespec* left) noexcept {
  using Nanosleep = int (*)(const timespec*, timespec*);
  static const Nanosleep next = testsupport::Next<Nanosleep>("nanosleep");
  if (auto action = std::exchange(testsupport::sleepAction, nullptr)) action();
  return next(duration, left);
}
