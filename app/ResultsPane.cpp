// The answer of a test at a glance, from what the run recorded: the verdict
// in a sentence, what to copy, and each check with how it went.
#include "app/RoverVerdict.h"
#include "app/TelvoraMain.h"

namespace {

// A check of the Rover Test's table: one of its calls. Some calls are
// expected to fail on most modems (the log says so); not connecting there is
// no fault, and is shown as expected.
struct RoverCheck {
  const char* check;
  rover::Call rover::Findings::*call;
  bool notConnectingExpected;
};

constexpr RoverCheck kRoverChecks[] = {
    {"Dial test", &rover::Findings::dialTest, false},
    {"Call without DTR", &rover::Findings::withoutDtr, true},
    {"Ignore-DTR mode (&D0)", &rover::Findings::ignoreDtr, false},
    {"Call with RTS low", &rover::Findings::rtsLow, true},
    {"\\Q0 with RTS low", &rover::Findings::q0, false},
    {"&H0 &R1 with RTS low", &rover::Findings::h0r1, false},
    {"&K0 with RTS low", &rover::Findings::k0, false},
};

Outcome OutcomeOf(rover::Call call, bool notConnectingExpected) {
  switch (call) {
    case rover::Call::NotRun:
      return Outcome::NotRun;
    case rover::Call::Welcome:
      return Outcome::Pass;
    case rover::Call::NotConnected:
      return notConnectingExpected ? Outcome::Expected : Outcome::Fail;
    case rover::Call::NoCommands:
    case rover::Call::NoWelcome:
      break;
  }
  return Outcome::Fail;
}

}  // namespace

toolkit::TResults RoverResultsOf(const rover::Findings& findings) {
  toolkit::TResults results;
  results.title = "Rover Test";
  if (findings.reachedVerdict) {
    rover::Advice advice = rover::AdviceFor(findings);
    results.lines.push_back(std::move(advice.headline));
    results.lines.insert(results.lines.end(), advice.notes.begin(), advice.notes.end());
    results.fields = {{"Init string 4700", advice.init4700},
                      {"Init string 5700", advice.init5700}};
  } else {
    results.lines.push_back("The test ended before its verdict: it recommends nothing.");
  }
  for (const RoverCheck& check : kRoverChecks)
    results.rows.push_back(
        {check.check, OutcomeOf(findings.*check.call, check.notConnectingExpected)});
  results.rows.push_back({"Verbal result codes", PassIf(!findings.NumericResults)});
  results.rows.push_back({"DSR behaviour standard",
                          findings.DsrStandard ? PassIf(*findings.DsrStandard) : Outcome::NotRun});
  return results;
}

void TMain_Form::ShowSavingResults() {
  const SavingResults& r = savingResults_;
  const bool s7Kept = r.s7[2] == Outcome::Pass && r.s7[3] == Outcome::Pass;
  const bool s0Kept = r.s0[2] == Outcome::Pass && r.s0[3] == Outcome::Pass;
  toolkit::TResults results;
  results.title = "Saving Settings Test";
  results.lines.push_back(
      s7Kept ? "This modem keeps settings stored with AT &W across a reset and a power cycle."
             : "This modem does not keep stored settings: set it up with the init string.");
  if (s7Kept && !s0Kept)
    results.lines.push_back("Auto answer (S0) is not kept: a dip switch may set it.");
  static const char* const kSteps[] = {"after set", "after write", "after reset",
                                       "after power cycle"};
  for (std::size_t i = 0; i < r.s7.size(); ++i)
    results.rows.push_back({std::string("S7 ") + kSteps[i], r.s7[i]});
  for (std::size_t i = 0; i < r.s0.size(); ++i)
    results.rows.push_back({std::string("S0 ") + kSteps[i], r.s0[i]});
  // The reset after "AT S0=0" brings back the stored S0 of a modem that keeps
  // its settings: the log calls that expected once the dial time-out was kept.
  const bool storedS0Back = r.autoAnswerOff == Outcome::Fail && s7Kept;
  results.rows.push_back({"Auto answer off", storedS0Back ? Outcome::Expected : r.autoAnswerOff});
  Results.Show(std::move(results));
}
