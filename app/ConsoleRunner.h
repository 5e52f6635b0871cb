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
constexpr int kOutputError = 74;  // --save-log or --clipboard could not be written

// True when the arguments (without the program name) are for the console
// runner rather than the window: any of them is a "--" option, or the first
// is no option at all.
bool IsConsoleCommandLine(const std::vector<std::string>& args);

// Runs the command line on the calling thread, which becomes the
// user-interface thread, and returns the exit status. Prompts read their
// answers from in; log lines, prompts and listings go to out; errors and
// usage problems to err. When out is a terminal, control characters of the
// log are shown as escapes.
int RunConsole(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
               std::ostream& err, bool outputIsTerminal = false);

}  // namespace console
