// Session traces in the window: File > Record Trace..., what a run tells
// them of itself, and what a replayed modem does when the program leaves its
// recording.
#include "app/SessionTraces.h"

#include <array>
#include <stdexcept>
#include <utility>

#include "app/TelvoraMain.h"
#include "platform/commapi/virtual_device.h"
#include "platform/wall_clock.h"

namespace {

using console::Procedure;

// The menu commands that are procedures.
using Handler = void (TMain_Form::*)(rtl::TObject*);
const std::array<std::pair<Handler, Procedure>, 5> kProcedureCommands = {{
    {&TMain_Form::N96001Click, Procedure::Detect9600},
    {&TMain_Form::N192001Click, Procedure::Detect19200},
    {&TMain_Form::N384001Click, Procedure::Detect38400},
    {&TMain_Form::Test1Click, Procedure::RoverTest},
    {&TMain_Form::SavingSettingsTest1Click, Procedure::SavingSettingsTest},
}};

// What the port stands for: its mapping ("/dev/ttyUSB0", "sim:standard"),
// or a device the program bound to it itself.
std::string DeviceOf(const std::string& port) {
  const std::string name = "\\\\.\\" + port;
  const std::string mapped = commapi::MappedDevicePath(name);
  const bool scheme = mapped.find(':') != std::string::npos;
  return commapi::BoundVirtualDevice(name) && !scheme ? "virtual device" : mapped;
}

}  // namespace

std::unique_ptr<commapi::TracedRun> TraceRun(const TMain_Form& form, Procedure procedure) {
  const std::string port = "COM" + std::to_string(static_cast<int>(form.SerialPort().Port()) + 1);
  // The settings are taken when asked: a Rover Test confirms its number
  // after it starts.
  return std::make_unique<commapi::TracedRun>(
      [&form, header = commapi::trace::RunHeader{console::ProcedureName(procedure), "", false, "",
                                                 TELVORA_VERSION, platform::LocalDateTime(), port,
                                                 DeviceOf(port)}]() mutable {
        header.phone = form.PhoneNumber;
        header.nextel = form.NextelPhone->Checked();
        header.level = console::LevelName(form.MessageLevel);
        return header;
      });
}

std::unique_ptr<commapi::TracedRun> TraceMenuCommand(const TMain_Form& form, Handler handler) {
  for (const auto& [command, procedure] : kProcedureCommands)
    if (command == handler) return TraceRun(form, procedure);
  return nullptr;
}

void TraceLogLines(const TMain_Form& form, std::size_t from) {
  const std::vector<std::string>& lines = form.Output_Memo.Lines();
  for (std::size_t i = from; i < lines.size(); ++i) commapi::trace_hooks::Logged(lines[i]);
}

// Recording starts with the next open of the port and stops when the item is
// chosen again (the file then holds every session in between). The file
// takes the place of any file of that name only then.
void TMain_Form::RecordTrace1Click(rtl::TObject*) {
  std::string why;
  if (trace_.recorder) {
    RecordTrace1->SetChecked(false);
    if (!StopRecordingTrace(why))
      toolkit::ShowMessageBox("Record Trace",
                              "The trace could not be written to " + trace_.path + ": " + why,
                              toolkit::MessageIcon::Warning);
    return;
  }
  std::string path = "telvora-session.trace";
  if (!toolkit::SaveFileName("Record Trace", path) || path.empty()) return;
  if (!trace_.file.Open(path, why)) {
    toolkit::ShowMessageBox("Record Trace",
                            "The trace could not be written to " + path + ": " + why,
                            toolkit::MessageIcon::Warning);
    return;
  }
  trace_.path = path;
  trace_.recorder =
      commapi::TraceRecorder::Start([this](std::string_view text) { trace_.file.Append(text); });
  RecordTrace1->SetChecked(true);
}

bool TMain_Form::StopRecordingTrace(std::string& why) {
  trace_.recorder.reset();
  return trace_.file.Commit(why);
}

// The replayed modem has fallen silent; the error ends the running command at
// its next wait, as a port error would, and shows the text.
void ReportReplayMismatch(const std::string& text) {
  toolkit::Application::Instance().Post([text] { throw std::runtime_error(text); });
}
