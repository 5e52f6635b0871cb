#include "app/CommandLine.h"

#include <array>
#include <filesystem>
#include <sstream>
#include <utility>

#include "app/OutputFile.h"
#include "platform/commapi/virtual_device.h"
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

const Option* OptionNamed(const std::string& name) {
  for (const Option& option : kOptions) {
    if (name == option.name) return &option;
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
  for (const Option* output : kOutputOptions) {
    if (const auto& path = line.*output->text) files.emplace_back(output->name, *path);
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    for (std::size_t k = i + 1; k < files.size(); ++k) {
      if (SameFile(files[i].second, files[k].second))
        return files[i].first + " and " + files[k].first;
    }
  }
  return std::nullopt;
}

// The modem of --simulate=VALUE: a profile or "replay:FILE". The reason
// when it is none.
std::string ReadModem(const std::string& simulate, CommandLine& line) {
  if (!sim::IsProfile(simulate) && !ReplayedTrace(simulate)) {
    return "unknown modem profile: " + simulate + " (see --list-profiles)";
  }
  line.simulate = simulate;
  return {};
}

// A port named "sim:PROFILE" or "replay:FILE" is that modem, which the run
// puts on the port itself: the same as --simulate=PROFILE or =replay:FILE.
std::optional<std::string> SimulatedBy(const std::string& port) {
  if (port.starts_with("sim:")) return port.substr(4);
  if (ReplayedTrace(port)) return port;
  return std::nullopt;
}

// What an option given with this value makes of the command line (value is
// set for an option that takes one, and may be for Read::Modem). The reason
// when the value is not one.
std::string Apply(const Option& option, const std::optional<std::string>& value,
                  CommandLine& line) {
  switch (option.read) {
    case Read::Alone:
      line.action = option.action;
      break;
    case Read::Flag:
      line.*option.flag = true;
      break;
    case Read::Text:
    case Read::File:
      line.*option.text = *value;
      break;
    case Read::Recorded:
      line.*option.text = *value;
      line.action = Action::ReportFrom;
      break;
    case Read::Procedure:
      if (const auto procedure = ProcedureNamed(*value)) {
        line.procedure = *procedure;
        break;
      }
      return "unknown procedure: " + *value;
    case Read::Port:
      if (const auto port = PortNamed(*value)) {
        line.port = *port;
      } else if (const auto simulate = SimulatedBy(*value)) {
        return ReadModem(*simulate, line);
      } else if (value->find('/') != std::string::npos) {
        line.device = *value;
      } else {
        return "unknown port: " + *value +
               " (COM1 ... COM10, a device path, sim:PROFILE or replay:FILE)";
      }
      break;
    case Read::Level:
      if (const auto level = LevelNamed(*value)) {
        line.level = *level;
        break;
      }
      return "unknown message level: " + *value;
    case Read::Modem:
      return ReadModem(value.value_or("standard"), line);
  }
  return {};
}

// An option in --help: its name and value, then its words from kHelpColumn
// on, wrapped before kWidth; a long name and value have a line of their own.
std::string OptionHelp(const Option& option) {
  constexpr std::size_t kHelpColumn = 24, kWidth = 80;
  std::string text = std::string("  ") + option.name;
  if (option.value) text += (option.value[0] == '[' ? "" : " ") + std::string(option.value);
  std::size_t column = text.size();
  if (column + 2 > kHelpColumn) {
    text += '\n';
    column = 0;
  }
  std::istringstream words(option.help);
  for (std::string word; words >> word;) {
    if (column > kHelpColumn && column + 1 + word.size() >= kWidth) {
      text += '\n';
      column = 0;
    }
    const std::size_t gap = column < kHelpColumn ? kHelpColumn - column : 1;
    text.append(gap, ' ').append(word);
    column += gap + word.size();
  }
  return text + '\n';
}

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  bool haveRun = false;
  bool haveOptions = false;  // anything that only makes sense with --run
  std::string notForReplay;  // an option that --report-from does not take
  auto fail = [](std::string why) { return ParseResult{std::nullopt, std::move(why)}; };

  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> value;
    if (const auto eq = name.find('='); IsOption(name) && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.erase(eq);
    }
    const Option* option = OptionNamed(name);
    if (!option) return fail("unknown argument: " + args[i]);
    if (value && !option->value) return fail("option " + name + " takes no value");
    // "--opt VALUE" or "--opt=VALUE"; a following option is no value:
    // "--phone --nextel" lacks the number. A Read::Modem value is only ever
    // given as "=VALUE".
    const bool needsValue = option->value && option->read != Read::Modem;
    if (needsValue && !value && i + 1 < args.size() && !IsOption(args[i + 1])) value = args[++i];
    if (needsValue && !value) return fail("option " + name + " needs a value");
    if (const std::string why = Apply(*option, value, line); !why.empty()) return fail(why);
    if (option->read == Read::Alone) return {line, {}};
    const bool runs = option->read == Read::Procedure || option->read == Read::Recorded;
    (runs ? haveRun : haveOptions) = true;
    if (option->text != &CommandLine::report && option->text != &CommandLine::reportFrom)
      notForReplay = name;
  }

  if (!haveRun) return fail(haveOptions ? "options need --run PROCEDURE" : "nothing to do");
  if (line.reportFrom && !notForReplay.empty()) {
    return fail("--report-from takes only --report: the trace says what ran, not " +
                notForReplay);
  }
  if (line.device && line.simulate) {
    return fail("--port " + *line.device + " is a device: no --simulate");
  }
  // In virtual time, a port that TELVORA_COMn maps to a simulated or
  // recorded modem is that modem, as --port sim:PROFILE would make it.
  if (line.fast && !line.simulate && !line.device) {
    const std::string mapped =
        commapi::MappedDevicePath("\\\\.\\COM" + std::to_string(line.port));
    if (const auto simulate = SimulatedBy(mapped)) {
      if (const std::string why = ReadModem(*simulate, line); !why.empty()) {
        return fail("TELVORA_COM" + std::to_string(line.port) + "=" + mapped + ": " + why);
      }
    }
  }
  if (line.fast && !line.simulate) {
    return fail("--fast needs a simulated modem: a real modem keeps real time");
  }
  if (const auto shared = SharedFile(line)) return fail(*shared + " name the same file");
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
  std::string text =
      "Usage: telvora --run PROCEDURE [options]\n"
      "       telvora --report-from TRACE [--report FILE]\n"
      "       telvora --list-ports | --list-profiles | --help | --version\n"
      "       telvora                  (opens the window)\n"
      "\n"
      "Options:\n";
  for (const Option& option : kOptions) text += OptionHelp(option);
  return text +
         "\n"
         "Log lines go to standard output as they are written; on a terminal, control\n"
         "characters, hidden format characters and bytes that are not UTF-8 show as\n"
         "escapes such as \\x1b (piped output and files keep the exact bytes). Prompts\n"
         "are asked on the terminal (standard error when the log is piped): a typed\n"
         "line is OK, an empty line or end of input is Cancel.\n"
         "When the run puts the modem on the port (--simulate, --port sim:PROFILE,\n"
         "--fast on a port mapped to one), the \"Action Required\" box power-cycles\n"
         "it (a replayed one goes off and on as recorded).\n"
         "Ctrl+C, SIGTERM and SIGHUP are File > Exit, also at a prompt: the run stops\n"
         "at its next step, still writes its files and says so in the log's last line.\n"
         "A file is written beside itself as NAME.partial and put in place at the end.\n"
         "\n"
         "Exit status: 0 the procedure reached its normal end, 1 it ended early, was\n"
         "stopped or found no modem, 2 a port error ended it, 64 a bad command line,\n"
         "74 an output file could not be written.\n";
}

}  // namespace console
