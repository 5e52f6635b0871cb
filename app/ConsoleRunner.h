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

// True when the arguments (without the program name) are for the console
// runner rather than the window: any of them is a "--" option.
bool IsConsoleCommandLine(const std::vector<std::string>& args);

// Runs the command line on the calling thread, which becomes the
// user-interface thread, and returns the exit status. Prompts read their
// answers from in; log lines, prompts and listings go to out; errors and
// usage problems to err.
int RunConsole(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
               std::ostream& err);

}  // namespace console
