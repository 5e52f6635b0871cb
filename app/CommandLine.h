// The console runner's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace console {

enum class Procedure { Detect9600, Detect19200, Detect38400, RoverTest, SavingSettingsTest };
enum class Action { Run, Help, Version, ListProfiles, ListPorts };

struct CommandLine {
  Action action = Action::Run;
  Procedure procedure = Procedure::Detect9600;
  int port = 1;            // COMn
  // --port PATH: the device COM1 stands for in this run.
  std::optional<std::string> device;
  std::uint8_t level = 2;  // 0 Summary ... 4 Debug
  std::optional<std::string> phone;
  bool nextel = false;
  std::optional<std::string> simulate;  // the profile, or "replay:FILE"
  bool fast = false;
  bool lines = false;  // the modem lines on standard error
  std::optional<std::string> saveLog;
  std::optional<std::string> clipboard;
  std::optional<std::string> trace;  // the session trace to record
  std::optional<std::string> report;  // the session report to write
};

// The names --run and --level take: "rover-test", "debug".
std::string ProcedureName(Procedure procedure);
std::string LevelName(std::uint8_t level);

// The files a run writes, each named by its option. The parser checks them
// all and the runner opens and commits them all by this one table: a new
// output is a member above and a line here.
struct OutputOption {
  const char* option;
  std::optional<std::string> CommandLine::*path;
};
inline constexpr OutputOption kOutputOptions[] = {
    {"--save-log", &CommandLine::saveLog},
    {"--clipboard", &CommandLine::clipboard},
    {"--trace", &CommandLine::trace},
    {"--report", &CommandLine::report},
};

// The trace file of a "--simulate=replay:FILE", else nullopt.
std::optional<std::string> ReplayedTrace(const std::string& simulate);

// The parsed command line, or the reason it is not one (the first problem).
struct ParseResult {
  std::optional<CommandLine> commandLine;
  std::string error;
};

// args without the program name.
ParseResult ParseCommandLine(const std::vector<std::string>& args);

// The usage text, ending with a line break.
std::string UsageText();

}  // namespace console
