// The console runner's command line.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace console {

enum class Procedure { Detect9600, Detect19200, Detect38400, RoverTest, SavingSettingsTest };
enum class Action { Run, ReportFrom, Help, Version, ListProfiles, ListPorts };

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
  bool modemLines = false;  // --lines: the modem lines on standard error
  std::optional<std::string> saveLog;
  std::optional<std::string> clipboard;
  std::optional<std::string> trace;  // the session trace to record
  std::optional<std::string> report;  // the session report to write
  // --report-from: the session trace whose recorded run is replayed for its
  // report (the action is then ReportFrom).
  std::optional<std::string> reportFrom;
};

// The names --run and --level take: "rover-test", "debug".
std::string ProcedureName(Procedure procedure);
std::string LevelName(std::uint8_t level);

// How the parser reads an option.
enum class Read : std::uint8_t {
  Alone,      // it is the whole command line: an action other than a run
  Flag,       // on when given
  Text,       // a value, kept as given
  File,       // a file the run writes: checked, opened and put in place by the runner
  Procedure,  // --run's value, a procedure's name
  Port,       // COMn, a device path, sim:PROFILE or replay:FILE
  Level,      // a message level's name
  Modem,      // no value, or "=PROFILE" or "=replay:FILE"
  Recorded,   // instead of --run: a session trace, whose header says what to run
};

// One row per option: the parser, --help and the runner's output files all
// read this table. A new option is a row here, a member of CommandLine when
// it keeps something, and its use in the runner.
struct Option {
  const char* name;
  // Its value as --help shows it after the name ("PORT", "[=PROFILE]").
  const char* value = nullptr;
  Read read;
  const char* help;  // wrapped by --help
  Action action = Action::Run;                              // Read::Alone
  bool CommandLine::*flag = nullptr;                        // Read::Flag
  std::optional<std::string> CommandLine::*text = nullptr;  // Read::Text and Read::File
};

inline constexpr Option kOptions[] = {
    {.name = "--run",
     .value = "PROCEDURE",
     .read = Read::Procedure,
     .help = "detect-9600, detect-19200, detect-38400, rover-test or saving-settings-test"},
    {.name = "--port",
     .value = "PORT",
     .read = Read::Port,
     .help = "COM1 ... COM10 as the Port menu would choose it (default COM1), a device path "
             "such as /dev/ttyUSB0, sim:PROFILE for a simulated modem or replay:FILE for one "
             "recorded with --trace"},
    {.name = "--level",
     .value = "LEVEL",
     .read = Read::Level,
     .help = "summary, minimal, normal (default), verbose or debug"},
    {.name = "--phone",
     .value = "NUMBER",
     .read = Read::Text,
     .help = "the number to dial, as File > Phone Number sets it",
     .text = &CommandLine::phone},
    {.name = "--nextel",
     .read = Read::Flag,
     .help = "check \"Nextel Phone\" (the modem is reset with AT Z0)",
     .flag = &CommandLine::nextel},
    {.name = "--simulate",
     .value = "[=PROFILE]",
     .read = Read::Modem,
     .help = "a simulated modem on the port (default: standard); --simulate=replay:FILE is the "
             "modem recorded in a session trace (see --trace)"},
    {.name = "--fast",
     .read = Read::Flag,
     .help = "virtual time: a whole test in moments (needs a simulated modem: --simulate, "
             "--port sim:PROFILE or a port that TELVORA_COMn maps to sim:PROFILE)",
     .flag = &CommandLine::fast},
    {.name = "--lines",
     .read = Read::Flag,
     .help = "the modem lines on standard error, one line with the time at each change",
     .flag = &CommandLine::modemLines},
    {.name = "--save-log",
     .value = "FILE",
     .read = Read::File,
     .help = "write the final log to FILE",
     .text = &CommandLine::saveLog},
    {.name = "--clipboard",
     .value = "FILE",
     .read = Read::File,
     .help = "write what the procedure copied to the clipboard to FILE (left empty when "
             "nothing was copied)",
     .text = &CommandLine::clipboard},
    {.name = "--trace",
     .value = "FILE",
     .read = Read::File,
     .help = "record the session on the port into FILE, as it happens",
     .text = &CommandLine::trace},
    {.name = "--report",
     .value = "FILE",
     .read = Read::File,
     .help = "write the session report of the run to FILE at its end: one HTML page with "
             "what ran, the answer, a timeline of the serial line, the log and the trace",
     .text = &CommandLine::report},
    {.name = "--report-from",
     .value = "TRACE",
     .read = Read::Recorded,
     .help = "instead of --run: replay the run recorded in the session trace TRACE (its "
             "procedure, phone number, level and port from the trace), in virtual time, and "
             "write its session report to --report FILE (default: TRACE's name with .html)",
     .text = &CommandLine::reportFrom},
    {.name = "--list-ports",
     .read = Read::Alone,
     .help = "COM1 ... COM10 with their devices, and the serial devices found, each with the "
             "line that maps it",
     .action = Action::ListPorts},
    {.name = "--list-profiles",
     .read = Read::Alone,
     .help = "list the simulated modem's profiles",
     .action = Action::ListProfiles},
    {.name = "--help", .read = Read::Alone, .help = "show this text", .action = Action::Help},
    {.name = "--version",
     .read = Read::Alone,
     .help = "show the version",
     .action = Action::Version},
};

// The files a run writes (the rows read as Read::File), in the table's order.
inline constexpr auto kOutputOptions = [] {
  constexpr auto isFile = [](const Option& option) { return option.read == Read::File; };
  std::array<const Option*, std::ranges::count_if(kOptions, isFile)> outputs{};
  auto next = outputs.begin();
  for (const Option& option : kOptions) {
    if (isFile(option)) *next++ = &option;
  }
  return outputs;
}();

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
