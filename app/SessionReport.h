// The session report: one self-contained HTML page that shows what happened
// in a run, for a support engineer to read when a verdict is surprising.
// From top to bottom: what ran, the answer (the results pane's content, or
// how the run ended), a timeline of the serial line, the full log, and the
// session trace itself (folded away, to be copied out and replayed).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/commapi/trace_format.h"
#include "platform/toolkit/toolkit.h"

namespace report {

// What ran, as the page's header says it. Texts are UTF-8.
struct Header {
  std::string version;    // Telvora's
  std::string procedure;  // "Rover Test"
  std::string startedAt;  // the date and time the run began
  std::string port;       // "COM1 → /dev/ttyUSB0"
  std::string speed;      // "19200 baud"
  std::string phoneNumber;
  bool nextelPhone = false;
  std::string messageLevel;  // "Normal"
  std::string madeFrom;      // how the page was made: from a run, or by replaying a trace
};

// How the run ended and what it found.
struct Answer {
  // The status bar's last word on the run: "Rover Test finished", "Rover Test
  // ended early (phase 3 of 12, dial test)".
  std::string ending;
  // The error box's text, when an error ended the run.
  std::string error;
  // What the results pane showed, when the run showed it.
  std::optional<toolkit::TResults> results;
  // The modem's identity lines, where the run read them.
  std::vector<std::string> identity;
};

// A phase of the test (the progress bar's), from the ms it began, counted as
// the session trace counts.
struct Phase {
  std::string name;
  std::int64_t ms = 0;
};

struct Session {
  Header header;
  Answer answer;
  std::vector<std::string> log;  // exactly the log's lines
  std::vector<commapi::trace::Event> events;
  std::vector<Phase> phases;
  // The session trace's text, line by line; none when it was not to be shown.
  std::vector<std::string> trace;
};

// The page, as UTF-8 text.
std::string RenderPage(const Session& session);

}  // namespace report
