#include "platform/clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <iostream>
#include <limits>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/threads.h"

namespace platform::clock {
namespace {

Millis RealNow() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// a + b, held at the ends of the range: a time far in the future (a
// hand-edited trace's) must stay far in the future, not wrap into the past.
Millis Plus(Millis a, Millis b) {
  constexpr Millis kMax = std::numeric_limits<Millis>::max();
  constexpr Millis kMin = std::numeric_limits<Millis>::min();
  if (b > 0 && a > kMax - b) return kMax;
  if (b < 0 && a < kMin - b) return kMin;
  return a + b;
}

// The longest single wait of the clock thread. A timer further off is reached
// by waiting again; the wait's own arithmetic (in nanoseconds) cannot
// overflow, which would end every wait at once and spin.
constexpr Millis kLongestWaitMs = 60 * 60 * 1000;

// A callback must never take the clock down with it: the clock thread has
// nobody to hand the exception to, and a virtual Sleep's caller did not ask
// for the callback to run.
void RunGuarded(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const std::exception& e) {
    std::cerr << "Scheduled callback failed: " << e.what() << '\n';
  } catch (...) {
    std::cerr << "Scheduled callback failed with an unknown exception\n";
  }
}

class Scheduler {
 public:
  void Reset(bool virtualTime) {
    std::lock_guard lock(mutex_);
    timers_.clear();
    dueById_.clear();
    virtualNow_ = 0;
    virtual_ = virtualTime;
    wake_.notify_all();
  }

  bool IsVirtual() const { return virtual_; }

  Millis Now() const { return virtual_ ? virtualNow_.load() : RealNow(); }

  TimerId Add(Millis at, std::function<void()> fn) {
    std::lock_guard lock(mutex_);
    const TimerId id = ++lastId_;
    timers_.emplace(Key{at, id}, std::move(fn));
    dueById_.emplace(id, at);
    if (!virtual_ && !thread_.joinable()) thread_ = StartThread([this] { RunRealTime(); });
    wake_.notify_all();
    return id;
  }

  // Once Cancel returns, fn is neither pending nor running on another thread,
  // so its owner may go away.
  void Cancel(TimerId id) {
    std::unique_lock lock(mutex_);
    if (auto it = dueById_.find(id); it != dueById_.end()) {
      timers_.erase(Key{it->second, id});
      dueById_.erase(it);
      return;
    }
    const auto me = std::this_thread::get_id();
    finished_.wait(lock, [&] {
      return std::none_of(running_.begin(), running_.end(),
                          [&](const Running& r) { return r.id == id && r.thread != me; });
    });
  }

  // Virtual Sleep: runs everything due up to now+ms on the calling thread.
  void Advance(Millis ms) {
    std::unique_lock lock(mutex_);
    const Millis target = Plus(virtualNow_, ms);
    while (!timers_.empty() && timers_.begin()->first.at <= target) {
      const Millis at = timers_.begin()->first.at;
      if (at > virtualNow_) virtualNow_ = at;
      RunFirst(lock);
    }
    if (target > virtualNow_) virtualNow_ = target;
  }

  // At exit. A clock thread inside a callback may never come back (the
  // callback may wait for a thread that has already gone), so it is left to
  // end with the process; an idle one ends at once and is joined.
  void StopThread() {
    bool inCallback = false;
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
      wake_.notify_all();
      const std::thread::id clockThread = thread_.get_id();
      inCallback = std::any_of(running_.begin(), running_.end(),
                               [&](const Running& r) { return r.thread == clockThread; });
    }
    if (!thread_.joinable()) return;
    // Exiting from inside a callback: the clock thread cannot join itself.
    if (inCallback || thread_.get_id() == std::this_thread::get_id())
      thread_.detach();
    else
      thread_.join();
  }

 private:
  // Time first, then scheduling order.
  struct Key {
    Millis at;
    TimerId id;
    bool operator<(const Key& o) const { return at != o.at ? at < o.at : id < o.id; }
  };
  struct Running {
    TimerId id;
    std::thread::id thread;
  };

  // Takes the earliest timer and runs it without the lock held, since
  // callbacks schedule and cancel.
  void RunFirst(std::unique_lock<std::mutex>& lock) {
    auto node = timers_.extract(timers_.begin());
    const TimerId id = node.key().id;
    dueById_.erase(id);
    running_.push_back({id, std::this_thread::get_id()});
    lock.unlock();
    RunGuarded(node.mapped());
    node.mapped() = nullptr;  // release captures before Cancel may return
    lock.lock();
    running_.erase(std::find_if(running_.begin(), running_.end(),
                                [&](const Running& r) { return r.id == id; }));
    finished_.notify_all();
  }

  void RunRealTime() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
      if (virtual_ || timers_.empty()) {
        wake_.wait(lock);
        continue;
      }
      const Millis wait = Plus(timers_.begin()->first.at, -RealNow());
      if (wait > 0) {
        wake_.wait_for(lock, std::chrono::milliseconds(std::min(wait, kLongestWaitMs)));
        continue;
      }
      RunFirst(lock);
    }
  }

  mutable std::mutex mutex_;
  std::condition_variable wake_;      // the clock thread: new timer, mode change, stop
  std::condition_variable finished_;  // Cancel: a running callback returned
  std::map<Key, std::function<void()>> timers_;
  std::unordered_map<TimerId, Millis> dueById_;
  std::vector<Running> running_;
  TimerId lastId_ = 0;
  std::atomic<bool> virtual_{false};
  std::atomic<Millis> virtualNow_{0};
  bool stopping_ = false;
  std::thread thread_;
};

// The scheduler stops its thread when static objects are torn down, so no
// callback runs into objects that are gone, but is never destroyed itself: a
// clock thread left running at exit still finds it.
struct StoppedAtExit {
  Scheduler& scheduler = *new Scheduler;
  ~StoppedAtExit() { scheduler.StopThread(); }
};

Scheduler& TheScheduler() {
  static StoppedAtExit owner;
  return owner.scheduler;
}

}  // namespace

void UseVirtualTime(bool on) { TheScheduler().Reset(on); }

bool IsVirtual() { return TheScheduler().IsVirtual(); }

Millis Now() { return TheScheduler().Now(); }

void Sleep(std::uint32_t ms) {
  if (TheScheduler().IsVirtual())
    TheScheduler().Advance(ms);
  else if (ms > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  else
    std::this_thread::yield();
}

TimerId ScheduleAt(Millis at, std::function<void()> fn) {
  return TheScheduler().Add(at, std::move(fn));
}

TimerId ScheduleAfter(Millis delay, std::function<void()> fn) {
  return TheScheduler().Add(Plus(Now(), delay), std::move(fn));
}

void Cancel(TimerId id) { TheScheduler().Cancel(id); }

}  // namespace platform::clock
