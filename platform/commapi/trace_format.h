// Session traces: what a program did on a serial port and what it saw there,
// as plain text a person can read and annotate. One event a line:
//
//   <ms> open | close | send BYTES | set BAUD dtr=0|1 rts=0|1     the program
//   <ms> recv BYTES | lines cts=0|1 dsr=0|1 cd=0|1 | gone | absent  the modem
//   <ms> run FACT TEXT | log TEXT                                   notes
//
// gone: the open port's device went away; absent: the device was not there
// when the program tried to open it (until the next open). recv and lines
// carry the time the bytes reached the port or the lines took the values
// read, where the port can tell; otherwise the time the program read them.
// Notes are the program's account of itself, which the modem never sees: a
// run begins with its header, one run line per fact (what was run, see
// RunHeader), and each line it logs is a log line.
// ms counts from the first event. BYTES and TEXT are printable text; \r \n
// \t \\ and \xNN stand for the rest (and for a blank at either end, which
// editors lose). Lines starting with '#' and empty lines are comments.
//
// Traces come from the field by mail: reading is bounded (kMax*) and refuses,
// with the line, anything a recording cannot hold.
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

constexpr std::size_t kMaxLineBytes = 256 * 1024;
constexpr std::size_t kMaxTraceBytes = 16 * 1024 * 1024;
constexpr std::size_t kMaxEvents = 200000;
constexpr std::int64_t kMaxMs = 24 * 60 * 60 * 1000;  // a day
constexpr DWORD kMaxBaud = 4000000;

enum class Kind { Open, Close, Send, Set, Recv, Lines, Gone, Absent, Run, Log };

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
  std::string bytes;     // send, recv; the text of run and log
  std::string fact;      // run: which fact of the run
  PortOutputs settings;  // set
  ModemLines lines;      // lines
  int line = 0;          // where a read event stands in its file

  static Event Of(Kind kind);  // open, close, gone, absent
  static Event Bytes(Kind kind, std::string_view bytes);
  static Event Settings(DWORD baud, bool dtr, bool rts);
  static Event LineStates(bool cts, bool dsr, bool cd);
  static Event RunFact(std::string_view fact, std::string_view text);
  static Event LogLine(std::string_view text);
};

// Open, close, send and set are the program's; recv, lines, gone and absent
// the modem's answer; run and log are notes.
bool IsProgramAction(Kind kind);
bool IsNote(Kind kind);
bool SameAction(const Event& a, const Event& b);

// The event without its time ("send AT\r\n"), as the file shows it.
std::string Describe(const Event& event);

// What a run was, as its header in the trace holds it: enough to run it
// again, and to say when and where it ran.
struct RunHeader {
  std::string procedure;  // as the console's --run names it: "rover-test"
  std::string phone;      // the number the run dials
  bool nextel = false;    // "Nextel Phone" checked
  std::string level;      // as --level names it: "debug"
  std::string version;    // the program's
  std::string started;    // local date and time: "2024-05-01 14:03:27 +0200"
  std::string port;       // "COM1"
  std::string device;     // what the port mapped to: "/dev/ttyUSB0", "sim:standard"
  bool operator==(const RunHeader&) const = default;
};

// The header's events, in the order they are written.
std::vector<Event> HeaderEvents(const RunHeader& header);

// A run in a trace: its header, where it starts (the index of its first
// header event) and the lines it logged (log events).
struct RecordedRun {
  RunHeader header;
  std::size_t start = 0;
  std::vector<Event> log;
};

// Every run of a trace, in order; none for a trace without headers (made
// before they were written, or by hand). Facts this version does not know
// are passed over.
std::vector<RecordedRun> Runs(const std::vector<Event>& events);

// Every event of a trace, or the first problem found ("line 7: ...").
struct ReadResult {
  std::vector<Event> events;
  std::string error;
};
ReadResult Read(std::istream& in);

// The trace in a file, refused unless it is a regular file; the problem
// starts with the path.
ReadResult Load(const std::string& path);

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
