// Session traces as they come by mail: any bytes are read within the bounds
// or refused, what is read is written back as the same events, and the
// modem it holds plays to its end for a program that does what the trace
// says, in virtual time, whatever the times and events.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/commapi/trace_format.h"
#include "platform/commapi/virtual_device.h"
#include "sim/ReplayDevice.h"

namespace {

using commapi::trace::Event;
using commapi::trace::Kind;

// The port the replayed modem answers on; it only takes what comes.
class Line : public commapi::VirtualLine {
 public:
  void Receive(std::string_view) override {}
  void SetModemStatus(bool, bool, bool, bool) override {}
  void Vanish() override {}
};

// Each event written as a line reads back as the same event.
void CheckWrittenReadsBack(const std::vector<Event>& events) {
  std::string text;
  for (const Event& event : events)
    text += std::to_string(event.ms) + " " + commapi::trace::Describe(event) + "\n";
  std::istringstream in(text);
  const commapi::trace::ReadResult again = commapi::trace::Read(in);
  if (!again.error.empty() || again.events.size() != events.size()) std::abort();
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (again.events[i].ms != events[i].ms ||
        commapi::trace::Describe(again.events[i]) != commapi::trace::Describe(events[i]))
      std::abort();
  }
}

// The program's side: each action at its recorded time, each line logged
// under the run it was logged in.
void Replay(const std::vector<Event>& events) {
  platform::clock::UseVirtualTime(true);
  auto device = sim::ReplayDevice::Create("fuzz.trace", events, [](const std::string&) {});
  Line line;
  bool open = false;
  commapi::trace::RunHeader run;
  for (const Event& event : events) {
    if (event.ms > platform::clock::Now())
      platform::clock::Sleep(static_cast<std::uint32_t>(event.ms - platform::clock::Now()));
    switch (event.kind) {
      case Kind::Open:
        if (!open) device->Attach(line);
        open = true;
        break;
      case Kind::Close:
        if (open) device->Detach();
        open = false;
        break;
      case Kind::Send:
        device->Transmit(event.bytes);
        break;
      case Kind::Set: {
        commapi::DCB dcb{};
        dcb.BaudRate = event.settings.baud;
        device->Configure(dcb, event.settings.dtr, event.settings.rts);
        break;
      }
      case Kind::Run:
        run.procedure = event.fact == "procedure" ? event.bytes : run.procedure;
        run.level = event.fact == "level" ? event.bytes : run.level;
        break;
      case Kind::Log:
        device->Logged(event.bytes, &run);
        break;
      default:
        device->LineChangesPending();
        break;
    }
  }
  device->RunEnded(run);
  if (open) device->Detach();
  platform::clock::Sleep(static_cast<std::uint32_t>(commapi::trace::kMaxMs));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  const commapi::trace::ReadResult read = commapi::trace::Read(in);
  if (read.error.empty() == read.events.empty()) std::abort();  // events, or why not
  if (!read.error.empty()) return 0;
  CheckWrittenReadsBack(read.events);
  commapi::trace::Runs(read.events);
  Replay(read.events);
  return 0;
}
