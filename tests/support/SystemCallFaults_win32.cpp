// The thread-start fault on Windows: the test programs are linked with
// --wrap=pthread_create, so every thread start of the static C++ runtime
// comes here first.
#include <pthread.h>

#include <atomic>
#include <cerrno>

#include "tests/support/SystemCallFaults.h"

namespace testsupport {
namespace {
std::atomic<bool> failThreadStart{false};
}  // namespace

void FailNextThreadStart() { failThreadStart = true; }

}  // namespace testsupport

extern "C" int __real_pthread_create(pthread_t* thread, const pthread_attr_t* attr,
                                     void* (*start)(void*), void* arg);

extern "C" int __wrap_pthread_create(pthread_t* thread, const pthread_attr_t* attr,
                                     void* (*start)(void*), void* arg) {
  if (testsupport::failThreadStart.exchange(false)) return EAGAIN;
  return __real_pthread_create(thread, attr, start, arg);
}
