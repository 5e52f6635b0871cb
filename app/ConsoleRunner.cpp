#include "app/ConsoleRunner.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>

#include "app/CommandLine.h"
#include "app/ConsoleReport.h"
#include "app/OutputFile.h"
#include "app/PortNames.h"
#include "app/SessionRecording.h"
#include "app/SessionTraces.h"
#include "app/TelvoraMain.h"
#include "app/TerminalText.h"
#include "platform/clock.h"
#include "platform/commapi/open_failure.h"
#include "platform/commapi/trace_recorder.h"
#include "platform/commapi/virtual_device.h"
#include "platform/environment.h"
#include "platform/interrupt.h"
#include "platform/serial_devices.h"
#include "platform/threads.h"
#include "platform/toolkit/headless.h"
#include "sim/ReplayDevice.h"
#include "sim/SimulatedModem.h"

namespace console {

namespace {

// A person waits this long, and for the modem's lights, before answering
// the box; a modem that never comes back is given up on after kGiveUpMs.
constexpr platform::clock::Millis kPowerCycleMs = 2000;
constexpr platform::clock::Millis kGiveUpMs = 30000;
constexpr std::uint32_t kPowerCycleStepMs = 100;

// The headless backend in terminal mode, which also remembers whether a
// procedure put anything on the clipboard (how a test says it reached its
// end) and, with a simulated or replayed modem, does the power cycle that
// the "Action Required" box asks for and answers the box itself.
class ConsoleBackend : public toolkit::HeadlessBackend {
 public:
  void SetClipboardText(const std::string& text) override {
    copied = true;
    HeadlessBackend::SetClipboardText(text);
  }
  void MessageBox(const std::string& caption, const std::string& text,
                  toolkit::MessageIcon icon) override {
    if ((!simulated && !replayed) || caption != "Action Required") {
      HeadlessBackend::MessageBox(caption, text, icon);
      return;
    }
    boxes.push_back({caption, text, icon});
    *log << caption << ": " << text
         << (simulated ? "\n(the simulated modem is switched off and on)"
                       : "\n(the replayed modem goes off and on as recorded)")
         << std::endl;
    // The box is modal: the window keeps handling the port while it shows.
    // The switch is pressed a step after the box appears, as a person would:
    // what the box's own moment brought is handled first, so that a session
    // trace keeps the two apart.
    auto& app = toolkit::Application::Instance();
    const platform::clock::Millis start = platform::clock::Now();
    auto serveUntil = [&](auto done) {
      while (!done(platform::clock::Now() - start)) {
        app.ServeWhileModal();
        platform::clock::Sleep(kPowerCycleStepMs);
      }
    };
    serveUntil([](platform::clock::Millis waited) { return waited >= kPowerCycleStepMs; });
    if (simulated) simulated->PowerCycle();
    serveUntil([this](platform::clock::Millis waited) {
      const bool back = simulated ? simulated->Powered() : !replayed->LineChangesPending();
      return waited >= kGiveUpMs || (waited >= kPowerCycleMs && back);
    });
    app.ServeWhileModal();
  }

  bool copied = false;
  std::ostream* log = nullptr;  // where the log streams; prompts go to output
  sim::SimulatedModem* simulated = nullptr;
  sim::ReplayDevice* replayed = nullptr;
};

// Ctrl+C: File › Exit at the next message processing, every time it is
// pressed; nothing kills the run, so its files are always written.
void OnInterrupt() { toolkit::Application::Instance().PostInterrupt(); }

// Virtual time for the length of a run.
class VirtualTimeScope {
 public:
  explicit VirtualTimeScope(bool on) : on_(on) {
    if (on_) platform::clock::UseVirtualTime(true);
  }
  ~VirtualTimeScope() {
    if (on_) platform::clock::UseVirtualTime(false);
  }
  VirtualTimeScope(const VirtualTimeScope&) = delete;
  VirtualTimeScope& operator=(const VirtualTimeScope&) = delete;

 private:
  bool on_;
};

// A simulated or replayed modem bound to a port's device name while it lives.
class SimulatedPort {
 public:
  SimulatedPort(std::shared_ptr<commapi::VirtualDevice> modem, int port)
      : deviceName_("\\\\.\\COM" + std::to_string(port)), modem_(std::move(modem)) {
    commapi::BindVirtualDevice(deviceName_, modem_);
  }
  ~SimulatedPort() { commapi::UnbindVirtualDevice(deviceName_); }
  SimulatedPort(const SimulatedPort&) = delete;
  SimulatedPort& operator=(const SimulatedPort&) = delete;

 private:
  std::string deviceName_;
  std::shared_ptr<commapi::VirtualDevice> modem_;
};

// --port PATH: COMn stands for that device for the length of the run, as
// TELVORA_COMn would make it; a device that is not there is named by the
// path the user gave.
class MappedPort {
 public:
  MappedPort(int port, const std::string& path)
      : deviceName_("\\\\.\\COM" + std::to_string(port)),
        mapping_("TELVORA_COM" + std::to_string(port), path) {
    commapi::NameByPath(deviceName_, true);
  }
  ~MappedPort() { commapi::NameByPath(deviceName_, false); }
  MappedPort(const MappedPort&) = delete;
  MappedPort& operator=(const MappedPort&) = delete;

 private:
  std::string deviceName_;
  platform::ScopedVariable mapping_;
};

// --lines: "0:12.340 COM1 → /dev/ttyUSB0, 19200 baud: DTR on, RTS on, ...",
// the time counted from the start of the run.
void PrintLineState(std::ostream& err, platform::clock::Millis sinceStart,
                    const toolkit::TLineState& line) {
  char time[32];
  std::snprintf(time, sizeof time, "%lld:%02lld.%03lld",
                static_cast<long long>(sinceStart / 60000),
                static_cast<long long>(sinceStart / 1000 % 60),
                static_cast<long long>(sinceStart % 1000));
  err << time << ' ' << line.port << ", " << line.speed << ':';
  const bool closed =
      std::all_of(line.lamps.begin(), line.lamps.end(),
                  [](const toolkit::TLamp& lamp) { return lamp.state == toolkit::LampState::Grey; });
  if (closed) {
    err << " closed";
  } else {
    const char* sep = " ";
    for (const toolkit::TLamp& lamp : line.lamps) {
      err << sep << lamp.name << ' '
          << (lamp.state == toolkit::LampState::On    ? "on"
              : lamp.state == toolkit::LampState::Off ? "off"
                                                      : "unknown");
      sep = ", ";
    }
  }
  err << '\n' << std::flush;
}

// The COMn a device is best mapped to: the one that maps to it already, else
// the first whose own device is not there.
int SuggestedPort(const platform::SerialDevice& device) {
  for (int n = 1; n <= 10; ++n) {
    const std::string mapped = ports::DescribeComPort(n).mapped;
    if (mapped == device.path || (!device.target.empty() && mapped == device.target)) return n;
  }
  for (int n = 1; n <= 10; ++n)
    if (!ports::DescribeComPort(n).present) return n;
  return 10;
}

void ListPorts(std::ostream& out) {
  for (int n = 1; n <= 10; ++n) {
    const ports::ComPortInfo info = ports::DescribeComPort(n);
    out << info.name << std::string(6 - info.name.size(), ' ') << info.device
        << (info.present ? "  (present)" : "  (not present)") << '\n';
  }
  const std::vector<platform::SerialDevice> devices = platform::FindSerialDevices();
  if (devices.empty()) {
    out << "\nNo USB serial devices found (" << platform::SerialDevicePlaces() << ").\n";
    return;
  }
  out << "\nSerial devices found:\n";
  for (const platform::SerialDevice& device : devices) {
    out << "  " << device.path;
    if (!device.target.empty()) out << " \u2192 " << device.target;
    out << "\n    TELVORA_COM" << SuggestedPort(device) << '=' << device.path << '\n';
  }
}

toolkit::TMenuItem* PortItem(TMain_Form& form, int port) {
  toolkit::TMenuItem* items[] = {form.COM11, form.COM21, form.COM31, form.COM41, form.COM51,
                                 form.COM61, form.COM71, form.COM81, form.COM91, form.COM101};
  return items[port - 1];
}

toolkit::TMenuItem* LevelItem(TMain_Form& form, std::uint8_t level) {
  toolkit::TMenuItem* items[] = {form.Summary, form.Minimal, form.Normal, form.Verbose, form.Debug};
  return items[level];
}

// The settings, chosen through the menus as the user would.
void ChooseSettings(TMain_Form& form, const CommandLine& line, ConsoleBackend& ui) {
  PortItem(form, line.port)->Click();
  LevelItem(form, line.level)->Click();
  if (line.nextel) form.NextelPhone->Click();
  if (line.phone) {
    ui.promptAnswers.push_back(*line.phone);  // OK with this number
    form.N1->Click();
  }
}

void ListProfiles(std::ostream& out) {
  std::size_t width = 0;
  for (const sim::ProfileInfo& profile : sim::Profiles()) {
    width = std::max(width, profile.name.size());
  }
  for (const sim::ProfileInfo& profile : sim::Profiles()) {
    out << profile.name << std::string(width + 2 - profile.name.size(), ' ') << profile.description
        << "\n";
  }
}

// Runs the procedure's menu handler; true when it reached its normal end.
bool RunProcedure(TMain_Form& form, Procedure procedure, const ConsoleBackend& ui) {
  switch (procedure) {
    case Procedure::Detect9600:
      form.N96001Click(nullptr);
      return form.DetectedAt9600;
    case Procedure::Detect19200:
      form.N192001Click(nullptr);
      return form.DetectedAt19200;
    case Procedure::Detect38400:
      form.N384001Click(nullptr);
      return form.DetectedAt38400;
    case Procedure::RoverTest:
      form.Test1Click(nullptr);
      return ui.copied;
    case Procedure::SavingSettingsTest:
      form.SavingSettingsTest1Click(nullptr);
      return ui.copied;
  }
  return false;
}

// The files a run writes (kOutputOptions), all prepared before it starts so
// that a bad path is found before the modem is touched and changes no file;
// the session trace is written as it goes, the others at the end.
class OutputFiles {
 public:
  bool Open(const CommandLine& line, std::ostream& err) {
    for (std::size_t i = 0; i < std::size(kOutputOptions); ++i) {
      const std::optional<std::string>& path = line.*kOutputOptions[i]->text;
      std::string why;
      if (path && !files_[i].Open(*path, why)) {
        err << "telvora: cannot write " << *path << ": " << why << "\n";
        return false;
      }
    }
    if (line.trace)
      trace_ = commapi::TraceRecorder::Start(
          [&file = For(&CommandLine::trace)](std::string_view text) { file.Append(text); });
    return true;
  }

  // The file of an output the command line names.
  OutputFile& For(std::optional<std::string> CommandLine::*path) {
    std::size_t i = 0;
    while (kOutputOptions[i]->text != path) ++i;
    return files_[i];
  }

  // Ends the trace and puts every file in place. False, with a message for
  // each, when any could not be written.
  bool Commit(const CommandLine& line, std::ostream& err) {
    trace_.reset();
    bool ok = true;
    for (std::size_t i = 0; i < std::size(kOutputOptions); ++i) {
      const std::optional<std::string>& path = line.*kOutputOptions[i]->text;
      std::string why;
      if (!path || files_[i].Commit(why)) continue;
      err << "telvora: cannot write " << *path << ": " << why << "\n" << std::flush;
      ok = false;
    }
    return ok;
  }

 private:
  std::array<OutputFile, std::size(kOutputOptions)> files_;
  std::unique_ptr<commapi::TraceRecorder> trace_;
};

// The modem of --simulate: a profile of the simulator or a recorded one.
struct ModemChoice {
  std::shared_ptr<commapi::VirtualDevice> device;  // null: the port's own device
  sim::SimulatedModem* simulated = nullptr;        // the device, when it is the simulator
  sim::ReplayDevice* replayed = nullptr;           // or when it is a recording
};

bool ChooseModem(const CommandLine& line, ModemChoice& modem, std::ostream& err) {
  if (!line.simulate) return true;
  const std::optional<std::string> trace = ReplayedTrace(*line.simulate);
  if (!trace) {
    auto simulated = sim::SimulatedModem::Create(*line.simulate);
    modem.simulated = simulated.get();
    modem.device = std::move(simulated);
    return true;
  }
  std::string error;
  auto replayed = sim::ReplayDevice::Load(*trace, ReportReplayMismatch, error);
  if (!replayed) err << "telvora: " << error << "\n";
  modem.replayed = replayed.get();
  modem.device = std::move(replayed);
  return modem.device != nullptr;
}

// Prompts are asked on out when it is a terminal, else on err. With
// recorded, the run replays it for its report.
int Run(const CommandLine& line, std::istream& in, std::ostream& out, std::ostream& err,
        bool outputIsTerminal, const ReplayedSession* recorded = nullptr) {
  OutputFiles files;
  ModemChoice modem;
  if (!ChooseModem(line, modem, err) || !files.Open(line, err)) return kBadCommandLine;

  platform::SetMainThread();
  VirtualTimeScope virtualTime(line.fast);
  sim::RegisterSimScheme();  // TELVORA_COMn=sim:PROFILE works here too
  sim::RegisterReplayScheme(ReportReplayMismatch);  // and replay:FILE
  auto& app = toolkit::Application::Instance();
  app.Reset();
  const platform::interrupt::Catcher interrupts(OnInterrupt);
  auto backend = std::make_unique<ConsoleBackend>();
  ConsoleBackend& ui = *backend;
  app.SetBackend(std::move(backend));
  ui.terminal = true;
  ui.input = &in;
  ui.output = outputIsTerminal ? &out : &err;  // a prompt is no line of a piped log
  ui.errorOutput = &err;
  ui.log = &out;

  std::optional<MappedPort> mapped;
  if (line.device) mapped.emplace(line.port, *line.device);
  // The simulated modem is bound to the port itself; the mapping only gives
  // the port its name in --lines.
  if (line.simulate)
    mapped.emplace(line.port,
                   ReplayedTrace(*line.simulate) ? *line.simulate : "sim:" + *line.simulate);
  std::unique_ptr<SimulatedPort> simulated;
  if (modem.device) {
    simulated = std::make_unique<SimulatedPort>(modem.device, line.port);
    ui.simulated = modem.simulated;
    ui.replayed = modem.replayed;
  }

  int status = kEndedEarly;
  std::string failure;  // the first error, for the report
  auto reportError = [&](const std::string& text) {
    // What the error box would show.
    err << text << "\n" << std::flush;
    status = kPortError;
    if (failure.empty()) failure = text;
  };
  std::string log;
  std::optional<report::RunRecording> recording;
  std::optional<report::Session> session;
  {
    TMain_Form form;
    form.Output_Memo.OnLineAdded = [&out](const std::string& text) {
      out << text << '\n' << std::flush;
    };
    if (line.modemLines) {
      const platform::clock::Millis start = platform::clock::Now();
      form.Status.OnLineChanged = [&err, &form, start] {
        PrintLineState(err, platform::clock::Now() - start, form.Status.Line());
      };
      form.Status.OnLineChanged();
    }
    ChooseSettings(form, line, ui);
    if (line.report) recording.emplace(form);
    const auto traced = TraceRun(form, line.procedure);

    app.OnInterrupt = [&form] { form.Exit1Click(nullptr); };
    try {
      status = RunProcedure(form, line.procedure, ui) ? kNormalEnd : kEndedEarly;
      form.EndCommand();  // met after the procedure's last wait, as the window shows it
      form.ShowLineState();  // a procedure that closed the port waits no more
    } catch (const std::exception& error) {
      reportError(form.ErrorBoxText(error));
    }
    app.OnInterrupt = nullptr;
    if (platform::interrupt::Caught() > 0) {
      form.LogLine(kStoppedByUser);
      if (status == kNormalEnd) status = kEndedEarly;
    }
    for (const std::string& text : form.Output_Memo.Lines()) log += text + '\n';
    if (recording) session = recording->Finish({MadeFrom(line, recorded), ""});
  }  // the form closes the port before the modem goes
  try {
    app.ProcessMessages();  // a replay that went astray at the last close says so
  } catch (const std::exception& error) {
    reportError(error.what());
  }
  if (recording) {
    session->answer.error = failure;  // also one met at the last close
    const std::string trace = recording->EndTrace();
    report::UseTrace(*session, trace, recorded ? recorded->text : trace);
    files.For(&CommandLine::report).Append(report::RenderPage(*session));
  }
  files.For(&CommandLine::saveLog).Append(log);
  files.For(&CommandLine::clipboard).Append(ui.copied ? ui.clipboard : std::string());
  if (!files.Commit(line, err)) status = kOutputError;
  ui.simulated = nullptr;
  ui.replayed = nullptr;
  simulated.reset();
  app.Reset();
  app.SetBackend(std::make_unique<toolkit::HeadlessBackend>());  // ours points at the streams
  return status;
}

}  // namespace

bool IsConsoleCommandLine(const std::vector<std::string>& args) {
  // A first argument that is no option at all is a mistyped console command
  // line; the window takes only its toolkit's "-option" arguments.
  if (!args.empty() && args[0].rfind('-', 0) != 0) return true;
  for (const std::string& arg : args) {
    if (arg.rfind("--", 0) == 0) return true;
  }
  return false;
}

int RunConsole(const std::vector<std::string>& args, std::istream& in, std::ostream& plainOut,
               std::ostream& plainErr, Terminals terminals) {
  // Every message, not just the log: a trace's line, a device's or a
  // holder's name, a file name from the command line.
  std::optional<TerminalStream> shownOut, shownErr;
  std::ostream& out = terminals.output ? shownOut.emplace(plainOut) : plainOut;
  std::ostream& err = terminals.error ? shownErr.emplace(plainErr) : plainErr;
  const ParseResult parsed = ParseCommandLine(args);
  if (!parsed.commandLine) {
    err << "telvora: " << parsed.error << "\n\n" << UsageText();
    return kBadCommandLine;
  }
  const CommandLine& line = *parsed.commandLine;
  switch (line.action) {
    case Action::Help:
      out << UsageText();
      return kNormalEnd;
    case Action::Version:
      out << "telvora " TELVORA_VERSION "\n";
      return kNormalEnd;
    case Action::ListProfiles:
      ListProfiles(out);
      return kNormalEnd;
    case Action::ListPorts:
      sim::RegisterSimScheme();
      ListPorts(out);
      return kNormalEnd;
    case Action::ReportFrom: {
      std::string why;
      const std::optional<ReplayedSession> replayed =
          ReplayedSessionOf(*line.reportFrom, line.report, why);
      if (!replayed) {
        err << "telvora: " << why << "\n";
        return kBadCommandLine;
      }
      return Run(replayed->line, in, out, err, terminals.output, &*replayed);
    }
    case Action::Run:
      break;
  }
  return Run(line, in, out, err, terminals.output);
}

}  // namespace console
