#include "platform/threads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <iostream>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/interrupt.h"

namespace platform {
namespace {

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

// Never destroyed: a worker or clock callback may still touch it while
// static objects are torn down at exit.
Shared& TheShared() {
  static Shared& shared = *new Shared;
  return shared;
}

// Initialised during static start-up, which runs on the process's first
// thread: a sensible user-interface thread until SetMainThread says otherwise.
std::atomic<std::thread::id> mainThread{std::this_thread::get_id()};

thread_local Worker* currentWorker = nullptr;

void ReportToStderr(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    std::cerr << "Unhandled exception in thread: " << e.what() << '\n';
  } catch (...) {
    std::cerr << "Unhandled exception in thread\n";
  }
}

void ReportUnhandled(std::exception_ptr error) {
  std::function<void(std::exception_ptr)> handler;
  {
    std::lock_guard lock(TheShared().mutex);
    handler = TheShared().unhandled;
  }
  try {
    if (handler)
      handler(error);
    else
      ReportToStderr(error);
  } catch (...) {
    ReportToStderr(std::current_exception());
  }
}

constexpr auto kSettleLimit = std::chrono::seconds(5);

}  // namespace

void SetMainThread() { mainThread = std::this_thread::get_id(); }

bool IsMainThread() { return mainThread.load() == std::this_thread::get_id(); }

std::thread StartThread(std::function<void()> body) {
  const interrupt::ShieldedScope shielded;  // the new thread inherits it
  return std::thread(std::move(body));
}

void Synchronize(const std::function<void()>& fn) {
  if (IsMainThread()) {
    fn();
    return;
  }
  Shared& s = TheShared();
  SyncCall call{&fn, currentWorker, nullptr, false};
  std::function<void()> wakeup;
  {
    std::lock_guard lock(s.mutex);
    s.queue.push_back(&call);
    s.SetRunnable(call.worker, false);
    s.changed.notify_all();  // a WaitFor on the user-interface thread serves it
    wakeup = s.wakeup;
  }
  if (wakeup) wakeup();
  {
    std::unique_lock lock(s.mutex);
    s.changed.wait(lock, [&] { return call.done; });
  }
  if (call.error) std::rethrow_exception(call.error);
}

bool CheckSynchronize() {
  if (!IsMainThread()) return false;
  Shared& s = TheShared();
  bool ran = false;
  std::unique_lock lock(s.mutex);
  while (!s.queue.empty()) {
    SyncCall* call = s.queue.front();
    s.queue.pop_front();
    lock.unlock();
    try {
      (*call->fn)();
    } catch (...) {
      call->error = std::current_exception();
    }
    lock.lock();
    call->done = true;
    s.SetRunnable(call->worker, true);
    s.changed.notify_all();
    ran = true;
  }
  return ran;
}

void SetSynchronizeWakeup(std::function<void()> wakeup) {
  std::lock_guard lock(TheShared().mutex);
  TheShared().wakeup = std::move(wakeup);
}

void SetUnhandledExceptionHandler(std::function<void(std::exception_ptr)> handler) {
  std::lock_guard lock(TheShared().mutex);
  TheShared().unhandled = std::move(handler);
}

void SettleWorkers() {
  Shared& s = TheShared();
  std::unique_lock lock(s.mutex);
  if (!s.changed.wait_for(lock, kSettleLimit, [&] { return s.runnable == 0; }))
    std::cerr << "Worker threads did not settle; going on without them\n";
}

// ---------------------------------------------------------------- Event

struct Event::State {
  bool manualReset;
  bool set;
  std::vector<Worker*> waiters;  // workers blocked in WaitAny on this event
};

Event::Event(bool manualReset, bool initiallySet)
    : state_(std::make_unique<State>(State{manualReset, initiallySet, {}})) {}

Event::~Event() = default;

void Event::Set() {
  Shared& s = TheShared();
  std::lock_guard lock(s.mutex);
  state_->set = true;
  for (Worker* w : state_->waiters) s.SetRunnable(w, true);
  s.changed.notify_all();
}

void Event::Reset() {
  std::lock_guard lock(TheShared().mutex);
  state_->set = false;
}

bool Event::IsSet() const {
  std::lock_guard lock(TheShared().mutex);
  return state_->set;
}

std::optional<std::size_t> WaitAny(std::span<Event* const> events,
                                   std::optional<std::int64_t> timeoutMs) {
  Shared& s = TheShared();
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs.value_or(0));
  std::unique_lock lock(s.mutex);

  const auto take = [&]() -> std::optional<std::size_t> {
    for (std::size_t i = 0; i < events.size(); ++i) {
      Event::State& e = *events[i]->state_;
      if (!e.set) continue;
      if (!e.manualReset) e.set = false;
      return i;
    }
    return std::nullopt;
  };

  std::optional<std::size_t> result = take();
  if (result || events.empty()) return result;

  Worker* const me = currentWorker;
  for (Event* e : events) e->state_->waiters.push_back(me);
  while (!(result = take())) {
    // Blocked; a Set on one of the events makes this worker runnable again.
    s.SetRunnable(me, false);
    if (!timeoutMs) {
      s.changed.wait(lock);
    } else if (s.changed.wait_until(lock, deadline) == std::cv_status::timeout) {
      result = take();
      break;
    }
  }
  for (Event* e : events) {
    auto& waiters = e->state_->waiters;
    waiters.erase(std::find(waiters.begin(), waiters.end(), me));
  }
  s.SetRunnable(me, true);
  return result;
}

// ---------------------------------------------------------------- Thread

struct Thread::State {
  Worker worker;
  bool resumed = false;
  bool finished = false;
  std::mutex joinMutex;  // WaitFor may be called from more than one thread
  std::thread thread;
};

Thread::Thread() : state_(std::make_shared<State>()) {}

Thread::~Thread() {
  WaitFor();
  // Only a thread destroying itself gets here still joinable.
  std::lock_guard join(state_->joinMutex);
  if (state_->thread.joinable()) state_->thread.detach();
}

void Thread::Resume() {
  Shared& s = TheShared();
  {
    std::lock_guard lock(s.mutex);
    if (state_->resumed) return;
    state_->resumed = true;
    // Runnable from here, so a settle right after Resume waits for the start.
    s.SetRunnable(&state_->worker, true);
  }
  std::lock_guard join(state_->joinMutex);
  try {
    state_->thread = StartThread([this, state = state_] {
      currentWorker = &state->worker;
      try {
        Execute();
      } catch (...) {
        ReportUnhandled(std::current_exception());
      }
      Shared& shared = TheShared();
      std::lock_guard lock(shared.mutex);
      state->finished = true;
      shared.SetRunnable(&state->worker, false);
      shared.changed.notify_all();
    });
  } catch (...) {
    std::lock_guard lock(s.mutex);
    state_->resumed = false;
    s.SetRunnable(&state_->worker, false);
    throw;
  }
}

void Thread::WaitFor() {
  Shared& s = TheShared();
  {
    std::unique_lock lock(s.mutex);
    // A thread cannot wait for its own end.
    if (!state_->resumed || currentWorker == &state_->worker) return;
    const bool serve = IsMainThread();
    while (!state_->finished) {
      if (serve && !s.queue.empty()) {
        lock.unlock();
        CheckSynchronize();
        lock.lock();
        continue;
      }
      s.changed.wait(lock);
    }
  }
  std::lock_guard join(state_->joinMutex);
  if (state_->thread.joinable()) state_->thread.join();
}

bool Thread::Finished() const {
  std::lock_guard lock(TheShared().mutex);
  return state_->finished;
}

}  // namespace platform
