// Recording a session trace (trace_format.h) at the communications functions,
// so that it works the same for every kind of port: a real device, a
// pseudo-terminal, a virtual device.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/commapi/commapi.h"
#include "platform/commapi/trace_format.h"

namespace commapi {

// While it lives, the next port opened (and every one opened after it is
// closed) is recorded into its file: the opens and closes, every byte
// written and read, the speed, DTR and RTS set, the CTS, DSR and carrier
// detect values read whenever they differ from the last ones written down,
// the port vanishing, and its device missing when the program opens it; the
// bytes read and the lines at the time the port saw them come. Also the
// program's account of itself: each run's header and the lines it logs.
// Recorders that live at once each record the same, from their own start.
class TraceRecorder {
 public:
  // The trace goes to sink a line at a time, as it happens.
  static std::unique_ptr<TraceRecorder> Start(trace::Writer::Sink sink);
  ~TraceRecorder();
  TraceRecorder(const TraceRecorder&) = delete;
  TraceRecorder& operator=(const TraceRecorder&) = delete;

  struct State;

 private:
  explicit TraceRecorder(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

// A run of a procedure, for the session traces, while it lives: a recording
// writes its header, describe(), before the run's first event (so a phone
// number confirmed at the start is the one written), and a replayed modem
// compares the lines the run logs with the recording's. describe() is asked
// on the thread that logs or writes that event: the user-interface thread.
class TracedRun {
 public:
  explicit TracedRun(std::function<trace::RunHeader()> describe);
  ~TracedRun();
  TracedRun(const TracedRun&) = delete;
  TracedRun& operator=(const TracedRun&) = delete;

 private:
  std::function<trace::RunHeader()> describe_;
};

// What a replayed modem hears of the program's runs: each line logged, with
// the run in progress (null outside one), and the end of each run.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  virtual void Logged(std::string_view line, const trace::RunHeader* run) = 0;
  virtual void RunEnded(const trace::RunHeader& run) = 0;
};

// From now on observer hears the runs; one at a time, the last one set.
void ObserveRuns(std::weak_ptr<RunObserver> observer);

// The hooks in the communications functions, called after a call on a port
// handle (while nothing is recorded each costs one atomic load), and the one
// for the log.
namespace trace_hooks {
bool Recording();
void Opened(HANDLE handle, const std::string& deviceName);
void OpenFailed(DWORD error);
void Closed(HANDLE handle);
void Sent(HANDLE handle, std::string_view bytes);
void Received(HANDLE handle, std::string_view bytes);
// A transfer left in progress, recorded once GetOverlappedResult finds it
// ended with count bytes (a purge forgets the ones it aborts). The bytes of
// a write are taken now; a read's buffer is read when it has ended.
void LeftPendingWrite(HANDLE handle, const OVERLAPPED* overlapped, std::string_view bytes);
void LeftPendingRead(HANDLE handle, const OVERLAPPED* overlapped, const void* buffer);
void Ended(HANDLE handle, const OVERLAPPED* overlapped, DWORD count);
void Purged(HANDLE handle, DWORD flags);
void Configured(HANDLE handle, const DCB& dcb);
void LinesRead(HANDLE handle, DWORD modemStatus);
void Failed(HANDLE handle, DWORD error);
// A line the program logged.
void Logged(std::string_view line);
}  // namespace trace_hooks

}  // namespace commapi
