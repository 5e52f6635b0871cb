#include "app/SessionRecording.h"

#include <algorithm>
#include <sstream>

#include "app/SessionTimeline.h"
#include "app/TelvoraMain.h"

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

}  // namespace

Session SessionOfRun(const TMain_Form& form, const PhaseWatch& phases, const RunFacts& facts,
                     const std::string& traceText) {
  Session session;
  std::istringstream in(traceText);
  commapi::trace::ReadResult trace = commapi::trace::Read(in);
  session.events = std::move(trace.events);
  session.trace = TextLines(traceText);
  session.phases = phases.Phases();
  session.log = form.Output_Memo.Lines();

  Header& header = session.header;
  header.version = TELVORA_VERSION;
  header.procedure = phases.Procedure();
  header.startedAt = facts.startedAt;
  header.port = form.Status.Line().port;
  header.speed = form.Status.Line().speed;
  header.phoneNumber = form.PhoneNumber;
  header.nextelPhone = form.NextelPhone->Checked();
  header.messageLevel = CheckedCaption(*form.MessageLevel1);
  header.madeFrom = facts.madeFrom;
  if (!trace.error.empty())
    header.madeFrom += " The session trace could not be read past " + trace.error + ".";

  Answer& answer = session.answer;
  answer.ending = form.Status.Progress().text;
  answer.error = facts.error;
  if (form.Results.Visible()) answer.results = form.Results.Content();
  answer.identity = IdentityLines(session.events);
  return session;
}

}  // namespace report
