// The console runner: the main window's procedures without a window.
// telvora --run PROCEDURE [options]; see UsageText() in CommandLine.h.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace console {

// Exit statuses.
constexpr int kNormalEnd = 0;
constexpr int kEndedEarly = 1;
constexpr int kPortError = 2;
constexpr int kBadCommandLine = 64;
constexpr int kOutputError = 74;  // an output file (--save-log, --trace, ...) could not be written

// The last line of a log the user ended (Ctrl+C, a stop signal): what the
// waits that ended at once logged is no finding.
constexpr const char* kStoppedByUser = "Stopped by user, results incomplete";

// Which standard streams are terminals: what goes to one is shown as
// TerminalSafeText, and prompts are asked on one.
struct Terminals {
  bool output = false;
  bool error = false;
};

// True when the arguments (without the program name) are for the console
// runner rather than the window: any of them is a "--" option, or the first
// is no option at all.
bool IsConsoleCommandLine(const std::vector<std::string>& args);

// Runs the command line on the calling thread, which becomes the
// user-interface thread, and returns the exit status. Prompts read their
// answers from in and are asked on out when it is a terminal, else on err
// (never into a piped log); log lines and listings go to out; errors and
// usage problems to err.
int RunConsole(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
               std::ostream& err, Terminals terminals = {});

}  // namespace console
