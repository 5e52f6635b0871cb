// What a test run found, and the results pane's content built from it: the
// pane shows these, never the log. The content needs no window, so anything
// that reports on a run, finished or ended early, can build it too.
#pragma once

#include <array>

#include "app/RoverFindings.h"
#include "platform/toolkit/toolkit.h"

using Outcome = toolkit::TResults::Outcome;

// The Saving Settings Test's read-backs, after setting, writing, the reset
// and the power cycle, and the check that auto answer can be turned off.
struct SavingResults {
  std::array<Outcome, 4> s7{};
  std::array<Outcome, 4> s0{};
  Outcome autoAnswerOff = Outcome::NotRun;
};

inline Outcome PassIf(bool passed) { return passed ? Outcome::Pass : Outcome::Fail; }

// The Rover Test's pane (ResultsPane.cpp): the verdict and its advice once
// the run reached it, and every check with how it went.
toolkit::TResults RoverResultsOf(const rover::Findings& findings);
