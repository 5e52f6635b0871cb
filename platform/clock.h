// Time as a service: Sleep and a monotonic "now", in real or virtual time.
//
// Real time: Sleep really sleeps; scheduled callbacks run on the clock's own
// thread when they fall due.
// Virtual time: the clock starts at 0 and only moves inside Sleep. Sleep(ms)
// runs every callback scheduled up to now+ms in time order (the clock stands
// at each callback's time while it runs; callbacks may schedule more), then
// leaves the clock at now+ms. Nothing ever really waits.
#pragma once

#include <cstdint>
#include <functional>

namespace platform::clock {

using Millis = std::int64_t;
using TimerId = std::uint64_t;

// Switches between real and virtual time. Cancels everything scheduled and
// starts virtual time at 0. Call it only while nothing else uses the clock.
void UseVirtualTime(bool on);
bool IsVirtual();

// Milliseconds on a monotonic clock.
Millis Now();

// Waits ms milliseconds without processing anything else (in virtual time:
// advances the clock and runs what falls due on the calling thread).
void Sleep(std::uint32_t ms);

// Runs fn once at the given time on the clock (at once in the next Sleep if
// the time has passed); callbacks due at the same time run in the order they
// were scheduled. Any time may be asked for: one beyond the clock's range is
// held at its end and never comes. Thread-safe, also from inside a callback.
// An exception escaping fn is written to standard error. Returns an id for
// Cancel.
TimerId ScheduleAt(Millis at, std::function<void()> fn);
TimerId ScheduleAfter(Millis delay, std::function<void()> fn);

// Cancels a scheduled callback that has not run yet; unknown ids are ignored.
// If the callback is running on another thread, waits until it has returned,
// so its owner may go away afterwards (do not hold a lock the callback takes).
void Cancel(TimerId id);

}  // namespace platform::clock
