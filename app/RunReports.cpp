// The session report in the window: each procedure run keeps a record of
// itself, and File › Save Report... writes the last one's page.
#include "app/SessionRecording.h"
#include "app/TelvoraMain.h"

void TMain_Form::KeepRunReport(report::RunRecording& recording, const std::string& error) {
  lastRun_ = recording.Finish({"Made in the window at the end of the run.", error});
  const bool traceRecorded = trace_.recorder != nullptr;
  const std::string trace = recording.EndTrace();
  report::UseTrace(*lastRun_, trace, trace);
  // The trace goes into the page only when the user chose to record one.
  if (!traceRecorded) lastRun_->trace.clear();
  SaveReport1->SetEnabled(true);
}

void TMain_Form::SaveReport1Click(rtl::TObject*) {
  if (lastRun_)
    SaveThroughDialog("Save Report", "telvora-report.html", "The report",
                      report::RenderPage(*lastRun_));
}
