// The Rover Test's recommendation: which of the ten verdict cases the
// findings of a run select, and the lines each case writes.
#pragma once

#include <string>
#include <vector>

namespace rover {

struct Findings {
  bool worksWithoutDtr = false;
  bool ignoreDtrWorks = false;
  bool worksWithRtsLow = false;
  bool q0Works = false;
  bool k0Works = false;
  bool h0r1Works = false;
  bool numericResults = false;
  bool dsrStandard = true;
};

// A: the modem works without DTR; B: it needs DTR. The digit names the
// first way found to get a call through with RTS low (5: none).
enum class VerdictCase { A1, A2, A3, A4, A5, B1, B2, B3, B4, B5 };

VerdictCase ChooseVerdictCase(const Findings& findings);

// The chosen case's lines, then the notes on numeric results and DSR.
std::vector<std::string> VerdictLines(const Findings& findings);

// The same advice per model, for the results pane: whether cable 37779 will
// do (with the init string), the init strings ("" when none is needed), and
// what else the cable needs.
struct Recommendation {
  bool usable5700 = false;
  bool usable4700 = false;
  std::string init5700;
  std::string init4700;
  std::vector<std::string> cableAdvice;
};
Recommendation Recommend(const Findings& findings);

}  // namespace rover
