#include "platform/threads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iostream>
#include <thread>
#include <utility>

#include "platform/worker_state.h"

#include "platform/interrupt.h"

namespace platform {

using detail::Shared;
using detail::SyncCall;
using detail::TheShared;
using detail::Worker;

namespace {

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

namespace detail {

// Never destroyed: a worker or clock callback may still touch it while
// static objects are torn down at exit.
Shared& TheShared() {
  static Shared& shared = *new Shared;
  return shared;
}

Worker* CurrentWorker() { return currentWorker; }

}  // namespace detail

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
