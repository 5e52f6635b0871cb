// What a test run found, recorded by its procedure as it goes: the results
// pane is built from these, never from the log.
#pragma once

#include <array>

#include "platform/toolkit/toolkit.h"

using Outcome = toolkit::TResults::Outcome;

// The Rover Test's calls: pass when "Welcome" came through.
struct RoverResults {
  Outcome dialTest = Outcome::NotRun;
  Outcome withoutDtr = Outcome::NotRun;
  Outcome ignoreDtr = Outcome::NotRun;
  Outcome rtsLow = Outcome::NotRun;
  Outcome q0 = Outcome::NotRun;
  Outcome h0r1 = Outcome::NotRun;
  Outcome k0 = Outcome::NotRun;
};

// The Saving Settings Test's read-backs, after setting, writing, the reset
// and the power cycle, and the check that auto answer can be turned off.
struct SavingResults {
  std::array<Outcome, 4> s7{};
  std::array<Outcome, 4> s0{};
  Outcome autoAnswerOff = Outcome::NotRun;
};

inline Outcome PassIf(bool passed) { return passed ? Outcome::Pass : Outcome::Fail; }
