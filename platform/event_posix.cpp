// Events on a condition variable: POSIX has no waitable event object, and
// the shared lock makes setting an event and waking its waiters one step.
#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/threads.h"
#include "platform/worker_state.h"

namespace platform {

using detail::Shared;
using detail::TheShared;
using detail::Worker;

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

void* Event::NativeHandle() const { return nullptr; }

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

  Worker* const me = detail::CurrentWorker();
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

}  // namespace platform
