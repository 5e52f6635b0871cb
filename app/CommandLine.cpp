#include "app/CommandLine.h"

#include <array>
#include <filesystem>
#include <utility>

#include "app/OutputFile.h"
#include "sim/SimulatedModem.h"

namespace console {

namespace {

constexpr std::array<std::pair<const char*, Procedure>, 5> kProcedures = {{
    {"detect-9600", Procedure::Detect9600},
    {"detect-19200", Procedure::Detect19200},
    {"detect-38400", Procedure::Detect38400},
    {"rover-test", Procedure::RoverTest},
    {"saving-settings-test", Procedure::SavingSettingsTest},
}};

constexpr std::array<const char*, 5> kLevels = {"summary", "minimal", "normal", "verbose", "debug"};

std::optional<Procedure> ProcedureNamed(const std::string& name) {
  for (const auto& [text, procedure] : kProcedures) {
    if (name == text) return procedure;
  }
  return std::nullopt;
}

std::optional<std::uint8_t> LevelNamed(const std::string& name) {
  for (std::size_t i = 0; i < kLevels.size(); ++i) {
    if (name == kLevels[i]) return static_cast<std::uint8_t>(i);
  }
  return std::nullopt;
}

// "COM1" ... "COM10", either case.
std::optional<int> PortNamed(const std::string& name) {
  if (name.size() < 4 || name.size() > 5) return std::nullopt;
  for (std::size_t i = 0; i < 3; ++i) {
    if ((name[i] | 0x20) != "com"[i]) return std::nullopt;
  }
  int n = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return std::nullopt;
    n = n * 10 + (name[i] - '0');
  }
  if (n < 1 || n > 10 || name[3] == '0') return std::nullopt;
  return n;
}

bool IsOption(const std::string& arg) { return arg.rfind("--", 0) == 0; }

const OutputOption* OutputNamed(const std::string& option) {
  for (const OutputOption& output : kOutputOptions) {
    if (option == output.option) return &output;
  }
  return nullptr;
}

// Both names lead to one file, whether it exists or not: the second write
// would replace the first. A regular file may have other names.
bool SameFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  const fs::path first = FileNamedBy(a), second = FileNamedBy(b);
  std::error_code error;
  return first == second ||
         (fs::is_regular_file(first, error) && fs::equivalent(first, second, error));
}

// The first two of the run's files that are one, as "--save-log and --trace";
// the replayed trace is one of them, read while the others are written.
std::optional<std::string> SharedFile(const CommandLine& line) {
  std::vector<std::pair<std::string, std::string>> files;
  if (line.simulate) {
    if (const auto replayed = ReplayedTrace(*line.simulate))
      files.emplace_back("the replayed trace", *replayed);
  }
  for (const OutputOption& output : kOutputOptions) {
    if (const auto& path = line.*output.path) files.emplace_back(output.option, *path);
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    for (std::size_t k = i + 1; k < files.size(); ++k) {
      if (SameFile(files[i].second, files[k].second))
        return files[i].first + " and " + files[k].first;
    }
  }
  return std::nullopt;
}

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  bool haveRun = false;
  bool haveOptions = false;  // anything that only makes sense with --run

  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string option = args[i];
    std::optional<std::string> inlineValue;
    if (const auto eq = option.find('='); option.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue = option.substr(eq + 1);
      option.erase(eq);
    }
    // The value of an option that takes one: "--opt VALUE" or "--opt=VALUE".
    // A following option is not a value: "--phone --nextel" lacks the number.
    auto value = [&]() -> std::optional<std::string> {
      if (inlineValue) return inlineValue;
      if (i + 1 < args.size() && !IsOption(args[i + 1])) return args[++i];
      return std::nullopt;
    };
    auto fail = [&](std::string why) { return ParseResult{std::nullopt, std::move(why)}; };
    const OutputOption* output = OutputNamed(option);
    const bool takesValue = option == "--run" || option == "--port" || option == "--level" ||
                            option == "--phone" || output;
    if (!takesValue && option != "--simulate" && inlineValue) {
      return fail("option " + option + " takes no value");
    }

    if (option == "--help") {
      line.action = Action::Help;
      return {line, {}};
    } else if (option == "--version") {
      line.action = Action::Version;
      return {line, {}};
    } else if (option == "--list-profiles") {
      line.action = Action::ListProfiles;
      return {line, {}};
    } else if (option == "--list-ports") {
      line.action = Action::ListPorts;
      return {line, {}};
    }

    std::optional<std::string> v;
    if (takesValue && !(v = value())) return fail("option " + option + " needs a value");
    if (option == "--run") {
      const auto procedure = ProcedureNamed(*v);
      if (!procedure) return fail("unknown procedure: " + *v);
      line.procedure = *procedure;
      haveRun = true;
      continue;
    }
    haveOptions = true;
    if (option == "--port") {
      if (const auto port = PortNamed(*v)) {
        line.port = *port;
      } else if (v->starts_with("sim:")) {
        const std::string profile = v->substr(4);
        if (!sim::IsProfile(profile)) {
          return fail("unknown modem profile: " + profile + " (see --list-profiles)");
        }
        line.simulate = profile;
      } else if (ReplayedTrace(*v)) {
        line.simulate = *v;
      } else if (v->find('/') != std::string::npos) {
        line.device = *v;
      } else {
        return fail("unknown port: " + *v +
                    " (COM1 ... COM10, a device path, sim:PROFILE or replay:FILE)");
      }
    } else if (option == "--level") {
      const auto level = LevelNamed(*v);
      if (!level) return fail("unknown message level: " + *v);
      line.level = *level;
    } else if (option == "--phone") {
      line.phone = *v;
    } else if (output) {
      line.*output->path = *v;
    } else if (option == "--nextel") {
      line.nextel = true;
    } else if (option == "--fast") {
      line.fast = true;
    } else if (option == "--lines") {
      line.lines = true;
    } else if (option == "--simulate") {
      const std::string profile = inlineValue.value_or("standard");
      if (!sim::IsProfile(profile) && !ReplayedTrace(profile)) {
        return fail("unknown modem profile: " + profile + " (see --list-profiles)");
      }
      line.simulate = profile;
    } else {
      return fail("unknown argument: " + args[i]);
    }
  }

  if (!haveRun) {
    return ParseResult{std::nullopt,
                       haveOptions ? "options need --run PROCEDURE" : "nothing to do"};
  }
  if (line.device && line.simulate) {
    return ParseResult{std::nullopt, "--port " + *line.device + " is a device: no --simulate"};
  }
  if (line.fast && !line.simulate) {
    return ParseResult{std::nullopt, "--fast needs --simulate: a real modem keeps real time"};
  }
  if (const auto shared = SharedFile(line)) {
    return ParseResult{std::nullopt, *shared + " name the same file"};
  }
  return {line, {}};
}

std::string ProcedureName(Procedure procedure) {
  for (const auto& [text, named] : kProcedures) {
    if (named == procedure) return text;
  }
  return "";
}

std::string LevelName(std::uint8_t level) { return level < kLevels.size() ? kLevels[level] : ""; }

std::optional<std::string> ReplayedTrace(const std::string& simulate) {
  constexpr std::string_view kScheme = "replay:";
  if (simulate.size() <= kScheme.size() || simulate.rfind(kScheme, 0) != 0) return std::nullopt;
  return simulate.substr(kScheme.size());
}

std::string UsageText() {
  return "Usage: telvora --run PROCEDURE [options]\n"
         "       telvora --list-ports | --list-profiles | --help | --version\n"
         "       telvora                  (opens the window)\n"
         "\n"
         "Procedures: detect-9600, detect-19200, detect-38400, rover-test,\n"
         "            saving-settings-test\n"
         "\n"
         "Options:\n"
         "  --port PORT           COM1 ... COM10 as the Port menu would choose it\n"
         "                        (default COM1), a device path such as\n"
         "                        /dev/ttyUSB0, sim:PROFILE for a simulated modem or\n"
         "                        replay:FILE for one recorded with --trace\n"
         "  --level LEVEL         summary, minimal, normal (default), verbose or debug\n"
         "  --phone NUMBER        the number to dial, as if entered under\n"
         "                        File > Phone Number\n"
         "  --nextel              check \"Nextel Phone\" (the modem is reset with AT Z0)\n"
         "  --simulate[=PROFILE]  a simulated modem on the port (default: standard)\n"
         "  --simulate=replay:FILE\n"
         "                        the modem recorded in a session trace (see --trace)\n"
         "  --fast                virtual time: a whole test in moments (needs --simulate)\n"
         "  --lines               the modem lines on standard error, one line with the\n"
         "                        time at each change\n"
         "  --save-log FILE       write the final log to FILE\n"
         "  --clipboard FILE      write what the procedure copied to the clipboard to FILE\n"
         "                        (left empty when nothing was copied)\n"
         "  --trace FILE          record the session on the port into FILE, as it happens\n"
         "  --list-ports          COM1 ... COM10 with their devices, and the serial\n"
         "                        devices found, each with the line that maps it\n"
         "  --list-profiles       list the simulated modem's profiles\n"
         "  --help                show this text\n"
         "  --version             show the version\n"
         "\n"
         "Log lines go to standard output as they are written. Prompts are asked on\n"
         "the terminal (standard error when the log is piped): a typed line is OK, an\n"
         "empty line or end of input is Cancel.\n"
         "With --simulate, the \"Action Required\" box power-cycles the simulated modem\n"
         "(a replayed one goes off and on as recorded).\n"
         "Ctrl+C, SIGTERM and SIGHUP are File > Exit, also at a prompt: the run stops\n"
         "at its next step, still writes its files and says so in the log's last line.\n"
         "A file is written beside itself as NAME.partial and put in place at the end.\n"
         "\n"
         "Exit status: 0 the procedure reached its normal end, 1 it ended early, was\n"
         "stopped or found no modem, 2 a port error ended it, 64 a bad command line,\n"
         "74 an output file could not be written.\n";
}

}  // namespace console
