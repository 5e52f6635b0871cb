// The bookkeeping behind platform/threads.h that the thread code and the
// event backend of each system share: which workers are runnable, the
// synchronised-call queue, and the one lock that guards them together.
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>

namespace platform::detail {

// What SettleWorkers needs to know of a worker thread.
struct Worker {
  bool runnable = false;
};

struct SyncCall {
  const std::function<void()>* fn;
  Worker* worker;  // null when the caller is not a platform::Thread
  std::exception_ptr error;
  bool done = false;
};

// One lock for all thread bookkeeping: events, the synchronised-call queue
// and the runnable count change together, which is what makes settling exact.
struct Shared {
  std::mutex mutex;
  std::condition_variable changed;  // any event set, call done, worker state change
  std::deque<SyncCall*> queue;
  int runnable = 0;
  std::function<void()> wakeup;
  std::function<void(std::exception_ptr)> unhandled;

  void SetRunnable(Worker* w, bool on) {
    if (w == nullptr || w->runnable == on) return;
    w->runnable = on;
    runnable += on ? 1 : -1;
    changed.notify_all();
  }
};

Shared& TheShared();

// The platform::Thread the caller runs in, or null.
Worker* CurrentWorker();

}  // namespace platform::detail
