#include "platform/commapi/trace_recorder.h"

#include <atomic>
#include <mutex>

#include "platform/clock.h"
#include "platform/commapi/port.h"
#include "platform/commapi/port_settings.h"
#include "platform/commapi/trace_format.h"

namespace commapi {

using trace::Event;
using trace::Kind;

struct TraceRecorder::State {
  explicit State(trace::Writer::Sink sink) : writer(std::move(sink)) {}

  // Times count from the first event of the recording.
  void StartClock() {
    if (!started) origin = platform::clock::Now();
    started = true;
  }

  void Write(Event event) {
    event.ms = platform::clock::Now() - origin;
    writer.Write(event);
  }

  // Writes the lines down when they differ from what was written last.
  void NoteLines(DWORD modemStatus) {
    const DWORD now = modemStatus & (MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON);
    if (linesKnown && lines == now) return;
    linesKnown = true;
    lines = now;
    Write(
        Event::LineStates((now & MS_CTS_ON) != 0, (now & MS_DSR_ON) != 0, (now & MS_RLSD_ON) != 0));
  }

  trace::Writer writer;
  HANDLE port = nullptr;  // the open port being recorded
  bool started = false;   // origin is set
  platform::clock::Millis origin = 0;
  // What was last written down for the open port.
  bool configured = false;
  Event lastSet;
  bool linesKnown = false;
  DWORD lines = 0;
  bool gone = false;
  bool absent = false;  // since the last close
};

namespace {

struct Recorders {
  std::atomic<bool> active{false};
  std::mutex mutex;
  TraceRecorder::State* current = nullptr;
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
    if (recorders.current != nullptr && handle != nullptr && recorders.current->port == handle)
      record(*recorders.current);
  }
  SetLastError(error);
}

}  // namespace

std::unique_ptr<TraceRecorder> TraceRecorder::Start(trace::Writer::Sink sink) {
  auto state = std::make_unique<State>(std::move(sink));
  state->writer.Comment("Telvora session trace: ms since the port first opened, then the event.");
  state->writer.Comment("The program's: open, close, send BYTES, set BAUD dtr= rts=.");
  state->writer.Comment(
      "The modem's: recv BYTES, lines cts= dsr= cd= (as read), gone, absent (at an open).");
  return std::unique_ptr<TraceRecorder>(new TraceRecorder(std::move(state)));
}

TraceRecorder::TraceRecorder(std::unique_ptr<State> state) : state_(std::move(state)) {
  Recorders& recorders = TheRecorders();
  std::lock_guard lock(recorders.mutex);
  recorders.current = state_.get();
  recorders.active = true;
}

TraceRecorder::~TraceRecorder() {
  Recorders& recorders = TheRecorders();
  std::lock_guard lock(recorders.mutex);
  if (recorders.current != state_.get()) return;
  recorders.current = nullptr;
  recorders.active = false;
}

namespace trace_hooks {

bool Recording() { return TheRecorders().active.load(std::memory_order_relaxed); }

void Opened(HANDLE handle, const std::string& deviceName) {
  Recorders& recorders = TheRecorders();
  std::lock_guard lock(recorders.mutex);
  TraceRecorder::State* state = recorders.current;
  if (state == nullptr || state->port != nullptr) return;  // one port at a time
  state->port = handle;
  state->StartClock();
  state->configured = state->linesKnown = state->gone = state->absent = false;
  state->writer.Comment(deviceName);
  state->Write(Event::Of(Kind::Open));
  // The lines as the port found them: a change the program is told of
  // later must not be replayed as one it is told of now.
  DWORD status = 0;
  if (auto port = FindHandleAs<Port>(handle); port && port->GetCommModemStatus(&status))
    state->NoteLines(status);
}

// A device that is not there, noted once until it is opened again.
void OpenFailed(DWORD error) {
  Recorders& recorders = TheRecorders();
  std::lock_guard lock(recorders.mutex);
  TraceRecorder::State* state = recorders.current;
  if (state == nullptr || state->port != nullptr || error != ERROR_FILE_NOT_FOUND || state->absent)
    return;
  state->StartClock();
  state->absent = true;
  state->Write(Event::Of(Kind::Absent));
  SetLastError(error);
}

void Closed(HANDLE handle) {
  OnRecordedPort(handle, [](TraceRecorder::State& state) {
    state.Write(Event::Of(Kind::Close));
    state.port = nullptr;
  });
}

void Sent(HANDLE handle, std::string_view bytes) {
  if (bytes.empty()) return;
  OnRecordedPort(
      handle, [&](TraceRecorder::State& state) { state.Write(Event::Bytes(Kind::Send, bytes)); });
}

void Received(HANDLE handle, std::string_view bytes) {
  if (bytes.empty()) return;
  OnRecordedPort(
      handle, [&](TraceRecorder::State& state) { state.Write(Event::Bytes(Kind::Recv, bytes)); });
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
  OnRecordedPort(handle, [&](TraceRecorder::State& state) { state.NoteLines(modemStatus); });
}

void Failed(HANDLE handle, DWORD error) {
  if (error != ERROR_DEVICE_NOT_CONNECTED) return;
  OnRecordedPort(handle, [](TraceRecorder::State& state) {
    if (state.gone) return;
    state.gone = true;
    state.Write(Event::Of(Kind::Gone));
  });
}

}  // namespace trace_hooks

}  // namespace commapi
