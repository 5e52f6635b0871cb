// Session traces in the window: File > Record Trace..., and what a replayed
// modem does when the program leaves its recording.
#include <stdexcept>

#include "app/TelvoraMain.h"
#include "platform/commapi/trace_recorder.h"

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
