// Events as kernel event objects, so an overlapped transfer of a real port
// can signal them and one WaitForMultipleObjects covers kernel and virtual
// ports alike. The shared lock still marks a waiting worker blocked and
// makes Set wake it in one step, which is what settling in virtual time needs.
#include <windows.h>

#include <algorithm>
#include <system_error>
#include <vector>

#include "platform/threads.h"
#include "platform/worker_state.h"

namespace platform {

using detail::Shared;
using detail::TheShared;
using detail::Worker;

struct Event::State {
  HANDLE handle;
  std::vector<Worker*> waiters;  // workers blocked in WaitAny on this event
};

Event::Event(bool manualReset, bool initiallySet) : state_(std::make_unique<State>()) {
  state_->handle = ::CreateEventW(nullptr, manualReset, initiallySet, nullptr);
  if (state_->handle == nullptr) {
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                            "CreateEvent");
  }
}

Event::~Event() { ::CloseHandle(state_->handle); }

void Event::Set() {
  Shared& s = TheShared();
  std::lock_guard lock(s.mutex);
  ::SetEvent(state_->handle);
  for (Worker* w : state_->waiters) s.SetRunnable(w, true);
  s.changed.notify_all();
}

void Event::Reset() { ::ResetEvent(state_->handle); }

bool Event::IsSet() const {
  std::lock_guard lock(TheShared().mutex);
  if (::WaitForSingleObject(state_->handle, 0) != WAIT_OBJECT_0) return false;
  // Looking must not consume an auto-reset event; for a manual one this is a no-op.
  ::SetEvent(state_->handle);
  return true;
}

void* Event::NativeHandle() const { return state_->handle; }

std::optional<std::size_t> WaitAny(std::span<Event* const> events,
                                   std::optional<std::int64_t> timeoutMs) {
  if (events.empty()) return std::nullopt;
  std::vector<HANDLE> handles;
  for (Event* e : events) handles.push_back(e->state_->handle);
  const auto count = static_cast<DWORD>(handles.size());
  const auto result = [&](DWORD code) -> std::optional<std::size_t> {
    if (code >= WAIT_OBJECT_0 && code < WAIT_OBJECT_0 + count) return code - WAIT_OBJECT_0;
    return std::nullopt;
  };

  Shared& s = TheShared();
  Worker* const me = detail::CurrentWorker();
  {
    std::lock_guard lock(s.mutex);
    if (auto ready = result(::WaitForMultipleObjects(count, handles.data(), FALSE, 0))) {
      return ready;
    }
    // Blocked from here: a Set on one of the events makes this worker
    // runnable again under the same lock, before the kernel wakes it.
    for (Event* e : events) e->state_->waiters.push_back(me);
    s.SetRunnable(me, false);
  }
  const DWORD wait = timeoutMs ? static_cast<DWORD>(std::clamp<std::int64_t>(
                                     *timeoutMs, 0, static_cast<std::int64_t>(INFINITE - 1)))
                               : INFINITE;
  const DWORD code = ::WaitForMultipleObjects(count, handles.data(), FALSE, wait);
  std::lock_guard lock(s.mutex);
  for (Event* e : events) {
    auto& waiters = e->state_->waiters;
    waiters.erase(std::find(waiters.begin(), waiters.end(), me));
  }
  s.SetRunnable(me, true);
  return result(code);
}

}  // namespace platform
