// Session traces: what a program did on a serial port and what it saw there,
// as plain text a person can read and annotate. One event a line:
//
//   <ms> open | close | send BYTES | set BAUD dtr=0|1 rts=0|1     the program
//   <ms> recv BYTES | lines cts=0|1 dsr=0|1 cd=0|1 | gone | absent  the modem
//
// gone: the open port's device went away; absent: the device was not there
// when the program tried to open it (until the next open).
// ms counts from the first open. BYTES is printable text; \r \n \t \\ and
// \xNN stand for the rest (and for a blank at either end, which editors
// lose). Lines starting with '#' and empty lines are comments.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/commapi/commapi.h"

namespace commapi::trace {

enum class Kind { Open, Close, Send, Set, Recv, Lines, Gone, Absent };

// What the program sets that a modem can notice.
struct PortOutputs {
  DWORD baud = 0;
  bool dtr = false, rts = false;
  bool operator==(const PortOutputs&) const = default;
};

// The modem's outputs as the port reads them.
struct ModemLines {
  bool cts = false, dsr = false, cd = false;
};

struct Event {
  std::int64_t ms = 0;
  Kind kind = Kind::Open;
  std::string bytes;     // send, recv
  PortOutputs settings;  // set
  ModemLines lines;      // lines
  int line = 0;          // where a read event stands in its file

  static Event Of(Kind kind);  // open, close, gone, absent
  static Event Bytes(Kind kind, std::string_view bytes);
  static Event Settings(DWORD baud, bool dtr, bool rts);
  static Event LineStates(bool cts, bool dsr, bool cd);
};

// Open, close, send and set are the program's; the rest is the modem's answer.
bool IsProgramAction(Kind kind);
bool SameAction(const Event& a, const Event& b);

// The event without its time ("send AT\r\n"), as the file shows it.
std::string Describe(const Event& event);

// Every event of a trace, or the first problem found ("line 7: ...").
struct ReadResult {
  std::vector<Event> events;
  std::string error;
};
ReadResult Read(std::istream& in);

// Writes a trace line by line, each handed to the sink whole and at once, so
// that a crash loses at most the line being written. Where the lines go, and
// what a failure to write them means, is the sink's business.
class Writer {
 public:
  using Sink = std::function<void(std::string_view line)>;
  explicit Writer(Sink sink) : sink_(std::move(sink)) {}
  void Write(const Event& event);
  void Comment(std::string_view text);

 private:
  Sink sink_;
};

}  // namespace commapi::trace
