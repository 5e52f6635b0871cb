#include "app/ConsoleReport.h"

#include <filesystem>
#include <fstream>

#include "platform/commapi/trace_format.h"
#include "platform/file_name.h"

namespace console {

namespace {

// The text of the trace's lines before line number `end` (1 for the first).
std::string LinesBefore(const std::string& text, int end) {
  std::size_t at = 0;
  for (int line = 1; line < end && at != std::string::npos; ++line) {
    at = text.find('\n', at);
    if (at != std::string::npos) ++at;
  }
  return at == std::string::npos ? text : text.substr(0, at);
}

}  // namespace

std::optional<ReplayedSession> ReplayedSessionOf(const std::string& trace,
                                         const std::optional<std::string>& report,
                                         std::string& why) {
  // Load refuses what is no trace (a device, a file too large) before the
  // text is read.
  const commapi::trace::ReadResult read = commapi::trace::Load(trace);
  if (!read.error.empty()) {
    why = read.error;
    return std::nullopt;
  }
  const std::vector<commapi::trace::RecordedRun> runs = commapi::trace::Runs(read.events);
  if (runs.empty()) {
    why = trace +
          " says nothing of the run it recorded (no \"run\" lines); replay it with --run "
          "PROCEDURE --simulate=replay:" +
          trace + " --fast --report FILE";
    return std::nullopt;
  }
  const commapi::trace::RunHeader& header = runs.front().header;
  std::vector<std::string> args = {"--run=" + header.procedure, "--port=" + header.port,
                                   "--level=" + header.level,   "--phone=" + header.phone,
                                   "--simulate=replay:" + trace, "--fast"};
  if (header.nextel) args.push_back("--nextel");
  const std::u8string page = platform::FilePath(trace).replace_extension(".html").u8string();
  args.push_back("--report=" + report.value_or(std::string(page.begin(), page.end())));
  ParseResult parsed = ParseCommandLine(args);
  if (!parsed.commandLine) {
    why = "the run recorded in " + trace + ": " + parsed.error;
    return std::nullopt;
  }

  // Read as it was loaded, and no more than a trace may hold.
  std::ifstream file(platform::FilePath(trace), std::ios::binary);
  std::string text;
  char chunk[65536];
  while (text.size() < commapi::trace::kMaxTraceBytes &&
         file.read(chunk, sizeof chunk).gcount() > 0)
    text.append(chunk, static_cast<std::size_t>(file.gcount()));
  if (runs.size() > 1) text = LinesBefore(text, read.events[runs[1].start].line);
  return ReplayedSession{std::move(*parsed.commandLine), std::move(text)};
}

std::string MadeFrom(const CommandLine& line, const ReplayedSession* recorded) {
  if (!recorded) return "Made in the console at the end of the run.";
  return "Made by replaying the session trace " + *ReplayedTrace(*line.simulate) +
         " in virtual time.";
}

}  // namespace console
