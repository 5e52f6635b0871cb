// The Rover Test's recommendation: which of the ten verdict cases the
// findings of a run select, the lines each case writes to the log, and what
// the results pane says of the same case.
#pragma once

#include <string>
#include <vector>

#include "app/RoverFindings.h"

namespace rover {

// A: the modem works without DTR; B: it needs DTR. The digit names the
// first way found to get a call through with RTS low (5: none).
enum class VerdictCase { A1, A2, A3, A4, A5, B1, B2, B3, B4, B5 };

VerdictCase ChooseVerdictCase(const Findings& findings);

// The chosen case's lines, then the notes on numeric results and DSR.
std::vector<std::string> VerdictLines(const Findings& findings);

// The same recommendation for the results pane: the headline, the init
// string each model needs ("" when none; with V1 added for a modem that
// answers in numbers), and the notes that follow the headline.
struct Advice {
  std::string headline;
  std::string init4700, init5700;
  std::vector<std::string> notes;
};
Advice AdviceFor(const Findings& findings);

}  // namespace rover
