// Recording a session trace (trace_format.h) at the communications functions,
// so that it works the same for every kind of port: a real device, a
// pseudo-terminal, a virtual device.
#pragma once

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
// the port vanishing, and its device missing when the program opens it. One recorder at a time: a newer one takes over.
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

// The hooks in the communications functions, called after a call on a port
// handle. While nothing is recorded each costs one atomic load.
namespace trace_hooks {
bool Recording();
void Opened(HANDLE handle, const std::string& deviceName);
void OpenFailed(DWORD error);
void Closed(HANDLE handle);
void Sent(HANDLE handle, std::string_view bytes);
void Received(HANDLE handle, std::string_view bytes);
void Configured(HANDLE handle, const DCB& dcb);
void LinesRead(HANDLE handle, DWORD modemStatus);
void Failed(HANDLE handle, DWORD error);
}  // namespace trace_hooks

}  // namespace commapi
