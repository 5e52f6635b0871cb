#include "app/SessionRecording.h"

#include <algorithm>
#include <sstream>

#include "app/SessionTimeline.h"
#include "app/TelvoraMain.h"
#include "platform/commapi/trace_recorder.h"

namespace report {

PhaseWatch::PhaseWatch(TMain_Form& form) : form_(form), chained_(form.Status.OnChanged) {
  form_.Status.OnChanged = [this] {
    Look();
    if (chained_) chained_();
  };
}

PhaseWatch::~PhaseWatch() { form_.Status.OnChanged = chained_; }

void PhaseWatch::Look() {
  const platform::clock::Millis now = platform::clock::Now();
  if (!opened_ && form_.SerialPort().Connected()) opened_ = now;
  const std::string& text = form_.Status.Text();
  if (text == shown_) return;
  shown_ = text;
  const std::size_t colon = text.find(": ");
  if (colon == std::string::npos) return;
  procedure_ = text.substr(0, colon);
  entered_.push_back({text.substr(colon + 2), now});
}

std::vector<Phase> PhaseWatch::Phases() const {
  std::vector<Phase> phases;
  if (entered_.empty()) return phases;
  const platform::clock::Millis origin = opened_.value_or(entered_.front().at);
  for (const Entered& phase : entered_)
    phases.push_back({phase.name, std::max<platform::clock::Millis>(phase.at - origin, 0)});
  return phases;
}

namespace {

std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string CheckedCaption(const toolkit::TMenuItem& menu) {
  for (std::size_t i = 0; i < menu.Count(); ++i)
    if (menu.Items(i).Checked()) return menu.Items(i).Caption();
  return "";
}

// The session as the window shows it, without the trace.
Session WindowSession(const TMain_Form& form, const PhaseWatch& phases, const RunFacts& facts) {
  Session session;
  session.phases = phases.Phases();
  session.log = form.Output_Memo.Lines();

  Header& header = session.header;
  header.version = TELVORA_VERSION;
  header.procedure = phases.Procedure();
  header.port = form.Status.Line().port;
  header.speed = form.Status.Line().speed;
  header.phoneNumber = form.PhoneNumber;
  header.nextelPhone = form.NextelPhone->Checked();
  header.messageLevel = CheckedCaption(*form.MessageLevel1);
  header.madeFrom = facts.madeFrom;

  Answer& answer = session.answer;
  answer.ending = form.Status.Progress().text;
  answer.error = facts.error;
  if (form.Results.Visible()) answer.results = form.Results.Content();
  return session;
}

commapi::trace::ReadResult ReadText(const std::string& text) {
  std::istringstream in(text);
  return commapi::trace::Read(in);
}

}  // namespace

void UseTrace(Session& session, const std::string& seen, const std::string& shown) {
  commapi::trace::ReadResult trace = ReadText(seen);
  session.events = std::move(trace.events);
  session.trace = TextLines(shown);
  session.answer.identity = IdentityLines(session.events);
  if (!trace.error.empty())
    session.header.madeFrom += " The session trace could not be read past " + trace.error + ".";

  // A trace is read once when it is both.
  const std::vector<commapi::trace::RecordedRun> runs =
      commapi::trace::Runs(&seen == &shown ? session.events : ReadText(shown).events);
  if (runs.empty()) return;
  const commapi::trace::RunHeader& run = runs.front().header;
  Header& header = session.header;
  header.version = run.version;
  header.startedAt = run.started;
  header.port = run.port + " \u2192 " + run.device;
  // The procedures without phases (Detect) show none in the status bar.
  if (header.procedure.empty() && run.procedure.starts_with("detect-"))
    header.procedure = "Detect " + run.procedure.substr(7);
}

RunRecording::RunRecording(TMain_Form& form)
    : form_(form),
      recorder_(commapi::TraceRecorder::Start([this](std::string_view line) { trace_ += line; })) {
  phases_.emplace(form);
}

RunRecording::~RunRecording() = default;

Session RunRecording::Finish(const RunFacts& facts) {
  // The trace is not read before it ends: the port's thread may still add to it.
  Session session = WindowSession(form_, *phases_, facts);
  phases_.reset();
  return session;
}

std::string RunRecording::EndTrace() {
  recorder_.reset();
  return std::move(trace_);
}

}  // namespace report
