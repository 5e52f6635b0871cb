// Events as kernel event objects, so an overlapped transfer of a real port
// can signal them and one WaitForMultipleObjects covers kernel and virtual
// ports alike. The shared lock still marks a waiting worker blocked and
// makes Set wake it in one step, which is what settling in virtual time needs.
// Set also wakes every waiter through a wake event of its own: the kernel
// releases only one thread for an auto-reset event, and a waiter marked
// runnable must really run, look again under the lock and, finding nothing,
// count as blocked once more.
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

namespace {

struct Waiter {
  Worker* worker;
  HANDLE wake;
};

// The calling thread's wake event (auto-reset), made on its first wait.
class WakeEvent {
 public:
  ~WakeEvent() {
    if (handle_) ::CloseHandle(handle_);
  }
  HANDLE Get() {
    if (!handle_) handle_ = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!handle_) {
      throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                              "CreateEvent");
    }
    return handle_;
  }

 private:
  HANDLE handle_ = nullptr;
};

thread_local WakeEvent wakeEvent;

}  // namespace

struct Event::State {
  HANDLE handle;
  std::vector<Waiter> waiters;  // threads blocked in WaitAny on this event
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
  for (const Waiter& w : state_->waiters) {
    s.SetRunnable(w.worker, true);
    ::SetEvent(w.wake);
  }
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
  const HANDLE wake = wakeEvent.Get();
  std::vector<HANDLE> handles;
  for (Event* e : events) handles.push_back(e->state_->handle);
  const auto count = static_cast<DWORD>(handles.size());
  handles.push_back(wake);
  const auto taken = [&](DWORD code) -> std::optional<std::size_t> {
    if (code >= WAIT_OBJECT_0 && code < WAIT_OBJECT_0 + count) return code - WAIT_OBJECT_0;
    return std::nullopt;
  };
  const ULONGLONG deadline =
      timeoutMs ? ::GetTickCount64() + static_cast<ULONGLONG>(std::max<std::int64_t>(*timeoutMs, 0))
                : 0;

  Shared& s = TheShared();
  Worker* const me = detail::CurrentWorker();
  std::unique_lock lock(s.mutex);
  std::optional<std::size_t> result = taken(::WaitForMultipleObjects(count, handles.data(), FALSE, 0));
  if (result) return result;
  ::ResetEvent(wake);
  for (Event* e : events) e->state_->waiters.push_back({me, wake});
  for (;;) {
    // Blocked from here: a Set on one of the events makes this worker
    // runnable again under the same lock, and wakes it.
    s.SetRunnable(me, false);
    DWORD wait = INFINITE;
    if (timeoutMs) {
      const ULONGLONG now = ::GetTickCount64();
      wait = now >= deadline ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, INFINITE - 1));
    }
    lock.unlock();
    const DWORD code = ::WaitForMultipleObjects(count + 1, handles.data(), FALSE, wait);
    lock.lock();
    result = taken(code);
    if (result || code == WAIT_TIMEOUT || code == WAIT_FAILED) break;
    // Woken by a Set: the event may have gone to another waiter meanwhile.
    result = taken(::WaitForMultipleObjects(count, handles.data(), FALSE, 0));
    if (result) break;
  }
  for (Event* e : events) {
    auto& waiters = e->state_->waiters;
    waiters.erase(std::find_if(waiters.begin(), waiters.end(),
                               [&](const Waiter& w) { return w.wake == wake; }));
  }
  s.SetRunnable(me, true);
  return result;
}

}  // namespace platform
