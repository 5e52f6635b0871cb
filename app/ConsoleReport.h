// The console's session reports: --report writes the page of the run, and
// --report-from TRACE makes the page of a recorded run by running it again
// against the modem of its trace, in virtual time.
#pragma once

#include <optional>
#include <string>

#include "app/CommandLine.h"

namespace console {

// A recorded run, to be replayed for its report.
struct ReplayedSession {
  CommandLine line;  // its procedure and settings, the trace's modem, the page to write
  std::string text;  // its part of the trace: up to the next run's header
};

// The first run of the trace, as its header describes it, its page to go to
// report or, by default, beside the trace (field.trace: field.html).
// nullopt, with why, for a trace that cannot be read or has no header.
std::optional<ReplayedSession> ReplayedSessionOf(const std::string& trace,
                                         const std::optional<std::string>& report,
                                         std::string& why);

// The page's line on how it was made: at the end of the run, or, when
// recorded is set, by replaying the trace.
std::string MadeFrom(const CommandLine& line, const ReplayedSession* recorded);

}  // namespace console
