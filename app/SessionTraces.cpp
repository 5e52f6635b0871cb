// Session traces in the window: File > Record Trace..., and what a replayed
// modem does when the program leaves its recording.
#include <stdexcept>

#include "app/TelvoraMain.h"
#include "platform/commapi/trace_recorder.h"

// Recording starts with the next open of the port and stops when the item is
// chosen again (the file then holds every session in between).
void TMain_Form::RecordTrace1Click(rtl::TObject*) {
  if (trace_) {
    trace_.reset();
    RecordTrace1->SetChecked(false);
    return;
  }
  std::string path = "telvora-session.trace";
  if (!toolkit::SaveFileName("Record Trace", path) || path.empty()) return;
  trace_ = commapi::TraceRecorder::Start(path);
  if (!trace_) {
    toolkit::ShowMessageBox("Record Trace", "The trace could not be written to " + path,
                            toolkit::MessageIcon::Warning);
    return;
  }
  RecordTrace1->SetChecked(true);
}

// The replayed modem has fallen silent; the error ends the running command at
// its next wait, as a port error would, and shows the text.
void ReportReplayMismatch(const std::string& text) {
  toolkit::Application::Instance().Post([text] { throw std::runtime_error(text); });
}
