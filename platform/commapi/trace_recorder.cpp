#include "platform/commapi/trace_recorder.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/commapi/port.h"
#include "platform/commapi/port_settings.h"
#include "platform/commapi/trace_format.h"

namespace commapi {

using trace::Event;
using trace::Kind;

struct TraceRecorder::State {
  explicit State(trace::Writer::Sink sink) : writer(std::move(sink)) {}

  // Writes event at the time at (the present by default): ms since the first
  // event of the recording, never before the last one written, as the file
  // is written as things happen. A run's header goes first.
  void Write(Event event, platform::clock::Millis at = platform::clock::Now()) {
    event.ms = Stamp(at);
    WriteHeaderIfDue(event.ms);
    writer.Write(event);
  }

  void Comment(std::string_view text) {
    WriteHeaderIfDue(Stamp(platform::clock::Now()));
    writer.Comment(text);
  }

  // Writes the lines down, as of when they took these values, when they
  // differ from what was written last.
  void NoteLines(DWORD modemStatus, platform::clock::Millis since) {
    const DWORD now = modemStatus & (MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON);
    if (linesKnown && lines == now) return;
    linesKnown = true;
    lines = now;
    Write(Event::LineStates((now & MS_CTS_ON) != 0, (now & MS_DSR_ON) != 0,
                            (now & MS_RLSD_ON) != 0),
          since);
  }

  trace::Writer writer;
  HANDLE port = nullptr;  // the open port being recorded
  bool started = false;   // origin is set
  platform::clock::Millis origin = 0;
  std::int64_t lastMs = 0;
  // The run in progress, whose header is written before its first event.
  const std::function<trace::RunHeader()>* run = nullptr;
  bool headerDue = false;
  // What was last written down for the open port.
  bool configured = false;
  Event lastSet;
  bool linesKnown = false;
  DWORD lines = 0;
  bool gone = false;
  bool absent = false;  // since the last close
  // The open port's transfers in progress, by their records.
  struct Transfer {
    bool write;
    std::string bytes;             // a write's
    const char* buffer = nullptr;  // where a read puts its bytes
  };
  std::map<const OVERLAPPED*, Transfer> pending;

 private:
  std::int64_t Stamp(platform::clock::Millis at) {
    if (!started) origin = at;
    started = true;
    lastMs = std::max(lastMs, at - origin);
    return lastMs;
  }

  void WriteHeaderIfDue(std::int64_t ms) {
    if (!headerDue || run == nullptr) return;
    headerDue = false;
    for (Event fact : trace::HeaderEvents((*run)())) {
      fact.ms = ms;
      writer.Write(fact);
    }
  }
};

namespace {

struct Recorders {
  std::atomic<bool> active{false};
  std::mutex mutex;
  // Every recorder that lives, each with its own sink and origin: the
  // window's File > Record Trace... and the record each run keeps of itself.
  std::vector<TraceRecorder::State*> current;
  const std::function<trace::RunHeader()>* run = nullptr;  // of the TracedRun that lives
  std::weak_ptr<RunObserver> observer;
};

Recorders& TheRecorders() {
  static Recorders recorders;
  return recorders;
}

// Runs record on the recorder of the port behind handle, if there is one.
// Writing the file must not disturb the error the caller is about to read.
template <typename Record>
void OnRecordedPort(HANDLE handle, Record record) {
  Recorders& recorders = TheRecorders();
  const DWORD error = GetLastError();
  {
    std::lock_guard lock(recorders.mutex);
    for (TraceRecorder::State* state : recorders.current)
      if (handle != nullptr && state->port == handle) record(*state);
  }
  SetLastError(error);
}

// A time the port behind handle tells (see Port::LastReadArrival).
template <typename Ask>
platform::clock::Millis PortTime(HANDLE handle, Ask ask) {
  auto port = FindHandleAs<Port>(handle);
  return port ? ask(*port) : platform::clock::Now();
}

}  // namespace

std::unique_ptr<TraceRecorder> TraceRecorder::Start(trace::Writer::Sink sink) {
  auto state = std::make_unique<State>(std::move(sink));
  state->writer.Comment("Telvora session trace: ms since the first event, then the event.");
  state->writer.Comment("The program's: open, close, send BYTES, set BAUD dtr= rts=.");
  state->writer.Comment(
      "The modem's: recv BYTES, lines cts= dsr= cd= (as read), gone, absent (at an open).");
  state->writer.Comment("Notes: run FACT TEXT (what was run), log TEXT (a line logged).");
  return std::unique_ptr<TraceRecorder>(new TraceRecorder(std::move(state)));
}

TraceRecorder::TraceRecorder(std::unique_ptr<State> state) : state_(std::move(state)) {
  Recorders& recorders = TheRecorders();
  std::lock_guard lock(recorders.mutex);
  recorders.current.push_back(state_.get());
  recorders.active = true;
  state_->run = recorders.run;
  state_->headerDue = recorders.run != nullptr;
}

TraceRecorder::~TraceRecorder() {
  Recorders& recorders = TheRecorders();
  std::lock_guard lock(recorders.mutex);
  std::erase(recorders.current, state_.get());
  recorders.active = !recorders.current.empty();
}

TracedRun::TracedRun(std::function<trace::RunHeader()> describe) : describe_(std::move(describe)) {
  Recorders& recorders = TheRecorders();
  std::lock_guard lock(recorders.mutex);
  recorders.run = &describe_;
  for (TraceRecorder::State* state : recorders.current) {
    state->run = &describe_;
    state->headerDue = true;
  }
}

TracedRun::~TracedRun() {
  Recorders& recorders = TheRecorders();
  std::shared_ptr<RunObserver> observer;
  {
    std::lock_guard lock(recorders.mutex);
    recorders.run = nullptr;
    for (TraceRecorder::State* state : recorders.current) state->run = nullptr;
    observer = recorders.observer.lock();
  }
  if (observer) observer->RunEnded(describe_());
}

void ObserveRuns(std::weak_ptr<RunObserver> observer) {
  Recorders& recorders = TheRecorders();
  std::lock_guard lock(recorders.mutex);
  recorders.observer = std::move(observer);
}

namespace trace_hooks {

bool Recording() { return TheRecorders().active.load(std::memory_order_relaxed); }

void Opened(HANDLE handle, const std::string& deviceName) {
  Recorders& recorders = TheRecorders();
  std::lock_guard lock(recorders.mutex);
  for (TraceRecorder::State* state : recorders.current) {
    if (state->port != nullptr) continue;  // one port at a time
    state->port = handle;
    state->configured = state->linesKnown = state->gone = state->absent = false;
    state->Comment(deviceName);
    state->Write(Event::Of(Kind::Open));
    // The lines as the port found them: a change the program is told of
    // later must not be replayed as one it is told of now.
    DWORD status = 0;
    if (auto port = FindHandleAs<Port>(handle); port && port->GetCommModemStatus(&status))
      state->NoteLines(status, platform::clock::Now());
  }
}

// A device that is not there, noted once until it is opened again.
void OpenFailed(DWORD error) {
  Recorders& recorders = TheRecorders();
  std::lock_guard lock(recorders.mutex);
  if (error != ERROR_FILE_NOT_FOUND) return;
  for (TraceRecorder::State* state : recorders.current) {
    if (state->port != nullptr || state->absent) continue;
    state->absent = true;
    state->Write(Event::Of(Kind::Absent));
  }
  SetLastError(error);
}

void Closed(HANDLE handle) {
  OnRecordedPort(handle, [](TraceRecorder::State& state) {
    state.Write(Event::Of(Kind::Close));
    state.port = nullptr;
    state.pending.clear();
  });
}

namespace {

void WriteSent(TraceRecorder::State& state, std::string_view bytes) {
  if (!bytes.empty()) state.Write(Event::Bytes(Kind::Send, bytes));
}

void WriteReceived(TraceRecorder::State& state, HANDLE handle, std::string_view bytes) {
  if (bytes.empty()) return;
  state.Write(Event::Bytes(Kind::Recv, bytes),
              PortTime(handle, [](Port& port) { return port.LastReadArrival(); }));
}

}  // namespace

void Sent(HANDLE handle, std::string_view bytes) {
  OnRecordedPort(handle, [&](TraceRecorder::State& state) { WriteSent(state, bytes); });
}

void Received(HANDLE handle, std::string_view bytes) {
  OnRecordedPort(handle, [&](TraceRecorder::State& state) { WriteReceived(state, handle, bytes); });
}

void LeftPendingWrite(HANDLE handle, const OVERLAPPED* overlapped, std::string_view bytes) {
  OnRecordedPort(handle, [&](TraceRecorder::State& state) {
    state.pending[overlapped] = {true, std::string(bytes)};
  });
}

void LeftPendingRead(HANDLE handle, const OVERLAPPED* overlapped, const void* buffer) {
  OnRecordedPort(handle, [&](TraceRecorder::State& state) {
    state.pending[overlapped] = {false, {}, static_cast<const char*>(buffer)};
  });
}

void Ended(HANDLE handle, const OVERLAPPED* overlapped, DWORD count) {
  OnRecordedPort(handle, [&](TraceRecorder::State& state) {
    const auto found = state.pending.find(overlapped);
    if (found == state.pending.end()) return;  // an event wait, or not recorded from its start
    const TraceRecorder::State::Transfer transfer = std::move(found->second);
    state.pending.erase(found);
    if (transfer.write)
      WriteSent(state, std::string_view(transfer.bytes).substr(0, count));
    else
      WriteReceived(state, handle, {transfer.buffer, count});
  });
}

// The records of aborted transfers may be used again for anything.
void Purged(HANDLE handle, DWORD flags) {
  OnRecordedPort(handle, [&](TraceRecorder::State& state) {
    std::erase_if(state.pending, [&](const auto& entry) {
      return (flags & (entry.second.write ? PURGE_TXABORT : PURGE_RXABORT)) != 0;
    });
  });
}

// Only what a modem can notice: the speed and the two output lines.
void Configured(HANDLE handle, const DCB& dcb) {
  OnRecordedPort(handle, [&](TraceRecorder::State& state) {
    const Event set = Event::Settings(dcb.BaudRate, DtrRaised(dcb), RtsRaised(dcb));
    if (state.configured && trace::SameAction(set, state.lastSet)) return;
    state.configured = true;
    state.lastSet = set;
    state.Write(set);
  });
}

void LinesRead(HANDLE handle, DWORD modemStatus) {
  OnRecordedPort(handle, [&](TraceRecorder::State& state) {
    state.NoteLines(modemStatus,
                    PortTime(handle, [&](Port& port) { return port.LinesSince(modemStatus); }));
  });
}

void Failed(HANDLE handle, DWORD error) {
  if (error != ERROR_DEVICE_NOT_CONNECTED) return;
  OnRecordedPort(handle, [](TraceRecorder::State& state) {
    if (state.gone) return;
    state.gone = true;
    state.Write(Event::Of(Kind::Gone));
  });
}

void Logged(std::string_view line) {
  Recorders& recorders = TheRecorders();
  std::shared_ptr<RunObserver> observer;
  std::optional<trace::RunHeader> run;
  {
    std::lock_guard lock(recorders.mutex);
    for (TraceRecorder::State* state : recorders.current) state->Write(Event::LogLine(line));
    observer = recorders.observer.lock();
    if (observer && recorders.run != nullptr) run = (*recorders.run)();
  }
  if (observer) observer->Logged(line, run ? &*run : nullptr);
}

}  // namespace trace_hooks

}  // namespace commapi
