// Threads as the port's monitoring thread needs them: created suspended and
// resumed, a synchronised call onto the user-interface thread, events with a
// wait for any of them, and a wait for a thread's end that keeps serving the
// synchronised calls the thread may be blocked in.
//
// Virtual time also needs to know when the worker threads have "settled":
// every worker is blocked in one of the waits below (an event wait that has
// nothing signalled, or a synchronised call not yet run) or has ended.
// SettleWorkers() waits for that; the toolkit calls it before it looks for
// queued synchronised calls, so a run in virtual time is deterministic.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <thread>

namespace platform {

// Declares the calling thread to be the user-interface thread. Until then it
// is the thread the process started on.
void SetMainThread();
bool IsMainThread();

// Starts body on a new thread that Ctrl+C never reaches, so a console run
// always takes it on the user-interface thread (platform/interrupt.h). Every
// thread the program starts goes through here.
std::thread StartThread(std::function<void()> body);

// Runs fn on the user-interface thread and blocks until it has run. An
// exception thrown by fn is rethrown here. Called on the user-interface
// thread itself, fn simply runs.
void Synchronize(const std::function<void()>& fn);

// On the user-interface thread: runs every queued synchronised call (also
// those queued meanwhile). Returns true when it ran at least one. On any
// other thread it does nothing and returns false.
bool CheckSynchronize();

// Called (from the worker) whenever a synchronised call is queued, so a
// toolkit can wake its event loop. Empty by default.
void SetSynchronizeWakeup(std::function<void()> wakeup);

// Called on a worker thread with an exception that escaped its Execute.
// By default the exception is written to standard error.
void SetUnhandledExceptionHandler(std::function<void(std::exception_ptr)> handler);

// Waits until every worker thread is blocked in a platform wait or has ended.
// Gives up with a warning on standard error after a few real seconds, so a
// worker stuck elsewhere cannot hang the program.
void SettleWorkers();

// A manual-reset or auto-reset event.
class Event {
 public:
  Event(bool manualReset, bool initiallySet);
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  bool IsSet() const;
  // The system's own waitable object behind the event (a kernel event on
  // Windows, which a kernel transfer can signal), or null where there is none.
  void* NativeHandle() const;

 private:
  friend std::optional<std::size_t> WaitAny(std::span<Event* const>, std::optional<std::int64_t>);
  struct State;
  std::unique_ptr<State> state_;
};

// Waits until one of the events is set; returns the index of the first one
// set (lowest index wins), or nullopt when timeoutMs (real milliseconds)
// passed (at once for an empty list). An auto-reset event is reset by the
// wait that reports it.
std::optional<std::size_t> WaitAny(std::span<Event* const> events,
                                   std::optional<std::int64_t> timeoutMs = std::nullopt);

// A thread created suspended; Resume starts Execute. An exception escaping
// Execute is caught and handed to the unhandled-exception handler; it never
// reaches std::terminate.
class Thread {
 public:
  Thread();
  virtual ~Thread();  // derived classes must WaitFor() before their members go
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  void Resume();
  // Waits for Execute to end. On the user-interface thread it keeps running
  // queued synchronised calls while it waits. Does nothing when never resumed
  // or when called from the thread itself.
  void WaitFor();
  bool Finished() const;

 protected:
  virtual void Execute() = 0;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace platform
