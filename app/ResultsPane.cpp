// The answer of a finished test at a glance, from what the run recorded: the
// verdict in a sentence, what to copy, and each check with pass or fail.
#include "app/TelvoraMain.h"

namespace {

std::string RoverVerdictSentence(const rover::Recommendation& advice) {
  if (advice.usable4700 && advice.usable5700)
    return "This modem can be used with cable 37779 for the 4700 and the 5700.";
  if (advice.usable5700)
    return "This modem can be used with cable 37779 for the 5700 only; the 4700 needs "
           "another cable.";
  return "This modem cannot be used with cable 37779 alone, for either the 4700 or the 5700.";
}

}  // namespace

void TMain_Form::ShowRoverResults(const rover::Findings& findings) {
  const rover::Recommendation advice = rover::Recommend(findings);
  toolkit::TResults results;
  results.title = "Rover Test";
  results.lines.push_back(RoverVerdictSentence(advice));
  for (const std::string& cable : advice.cableAdvice) results.lines.push_back(cable);
  results.fields = {{"Init string 4700", advice.init4700}, {"Init string 5700", advice.init5700}};
  const RoverResults& r = roverResults_;
  results.rows = {
      {"Dial test", r.dialTest},
      {"Call without DTR", r.withoutDtr},
      {"Ignore-DTR mode (&D0)", r.ignoreDtr},
      {"Call with RTS low", r.rtsLow},
      {"\\Q0 with RTS low", r.q0},
      {"&H0 &R1 with RTS low", r.h0r1},
      {"&K0 with RTS low", r.k0},
      {"Verbal result codes", PassIf(!findings.numericResults)},
      {"DSR behaviour standard", PassIf(findings.dsrStandard)},
  };
  Results.Show(std::move(results));
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
  results.rows.push_back({"Auto answer off", r.autoAnswerOff});
  Results.Show(std::move(results));
}
