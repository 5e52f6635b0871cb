// The session report of a whole Rover Test: the record built from the
// finished window and the trace recorded meanwhile, and the page's answer in
// the results pane's own words.
#include <gtest/gtest.h>

#include "app/SessionRecording.h"
#include "app/SessionTimeline.h"
#include "tests/support/Scenario.h"

namespace {

using report::CallOutcome;
using Outcome = toolkit::TResults::Outcome;

// The page's answer section as text: tags dropped, references read back.
std::string AnswerText(const std::string& page) {
  const std::size_t from = page.find("<section class=\"answer\"");
  const std::string section = page.substr(from, page.find("</section>", from) - from);
  std::string text;
  bool inTag = false;
  for (const char c : section) {
    if (c == '<' || c == '>')
      inTag = c == '<';
    else if (!inTag)
      text += c;
  }
  for (const auto& [reference, c] :
       {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}})
    for (std::size_t at; (at = text.find(reference)) != std::string::npos;)
      text.replace(at, std::string(reference).size(), c);
  return text;
}

// What the results pane shows, in its order and words.
std::string PaneText(const toolkit::TResults& results) {
  std::string text = results.title;
  for (const std::string& line : results.lines) text += line;
  for (const auto& field : results.fields) text += field.label + field.value;
  text += "CheckResult";
  for (const auto& row : results.rows)
    text += row.check + (row.outcome == Outcome::Pass       ? "\u2714 pass"
                         : row.outcome == Outcome::Fail     ? "\u2718 fail"
                         : row.outcome == Outcome::Expected ? "\u2713 as expected"
                                                            : "\u2013 not run");
  return text;
}

struct RunCase {
  const char* profile;
  std::string answer;  // after the pane's content, if any
  std::vector<CallOutcome> calls;
};
class SessionReportOfARun : public testing::TestWithParam<RunCase> {};

TEST_P(SessionReportOfARun, RecordsTheWindowAndTheTraceOfTheRun) {
  scenario::Scenario run({.profile = GetParam().profile});
  report::Session session;
  {
    report::RunRecording recording(run.Form());
    run.Click(run.Form().Test1);
    session = recording.Finish({});
    const std::string trace = recording.EndTrace();
    report::UseTrace(session, trace, trace);
  }
  const toolkit::TResultPane& pane = run.Form().Results;
  EXPECT_EQ(session.answer.results.has_value(), pane.Visible());
  const std::string shown = pane.Visible() ? PaneText(pane.Content()) : "";
  EXPECT_EQ(AnswerText(report::RenderPage(session)), "Answer" + shown + GetParam().answer);

  EXPECT_EQ(session.log, run.Log());
  EXPECT_EQ(session.header.procedure, "Rover Test");
  EXPECT_EQ(session.header.messageLevel, "Normal");
  EXPECT_EQ(session.header.speed, "19200 baud");
  EXPECT_EQ(session.phases.front().name, "start");
  EXPECT_EQ(session.phases.front().ms, 0);
  for (std::size_t i = 1; i < session.phases.size(); ++i)
    EXPECT_GT(session.phases[i].ms, session.phases[i - 1].ms) << session.phases[i].name;
  std::vector<CallOutcome> calls;
  for (const report::Call& call : report::FindTimeline(session.events).calls)
    calls.push_back(call.outcome);
  EXPECT_EQ(calls, GetParam().calls);
}

constexpr CallOutcome kWelcome = CallOutcome::Welcome, kNone = CallOutcome::NoConnection;

INSTANTIATE_TEST_SUITE_P(
    Profiles, SessionReportOfARun,
    testing::Values(
        // The call with RTS low gets through once RTS is up again.
        RunCase{"standard",
                "Rover Test finishedModem identityTELVORA SIMULATED MODEM 33600\n",
                {kWelcome, kNone, kWelcome, kWelcome, kWelcome, kWelcome, kWelcome}},
        RunCase{"no-carrier",
                "Rover Test ended early (phase 3 of 12, dial test)Modem identity"
                "TELVORA SIMULATED MODEM 33600\n",
                {kNone}}),
    [](const auto& info) {
      std::string name = info.param.profile;
      std::erase(name, '-');
      return name;
    });

}  // namespace
