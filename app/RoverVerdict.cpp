#include "app/RoverVerdict.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace rover {

namespace {

// In the B cases, whether "AT &D0" made calls without DTR work changes the
// advice; a line marked so is written only in that variant.
enum class When { Always, IgnoreDtrWorks, DtrNeeded };

struct Line {
  When when;
  const char* text;
};

// What the results pane says of a case (of one variant of it): the headline,
// and the init string for each model ("" when none is needed).
struct PaneAdvice {
  When when;
  const char* headline;
  const char* init5700;
  const char* init4700;
};

// One case: the log's lines and, beside them, the pane's advice and its
// sentence on the survey controller. The two must say the same thing.
struct CaseText {
  VerdictCase verdictCase;
  std::vector<Line> lines;
  std::vector<PaneAdvice> pane;
  const char* controller;
};

constexpr When kAlways = When::Always;
constexpr When kD0 = When::IgnoreDtrWorks;
constexpr When kNoD0 = When::DtrNeeded;

constexpr const char* kControllerBoth = "Set the survey controller not to use flow control.";
constexpr const char* kController4700 =
    "For the 4700, set the survey controller not to use flow control.";

const std::array<CaseText, 10>& Cases() {
  static const std::array<CaseText, 10> cases{{
      {VerdictCase::A1,
       {{kAlways, "Modem can be used with a 37779 cable and 4700 or 5700"},
        {kAlways, "No init string needed"},
        {kAlways, "Configure survey controller not to use flow control."}},
       {{kAlways, "Use cable 37779 for the 4700 and the 5700, with no init string.", "", ""}},
       kControllerBoth},
      {VerdictCase::A2,
       {{kAlways, "Modem can be used with a 37779 cable and 5700"},
        {kAlways, "4700 users need a 37779 and an init string of AT \\Q0"},
        {kAlways, "4700 users need to configure survey controller not to use flow control."}},
       {{kAlways,
         "Use cable 37779 for the 5700 with no init string, and for the 4700 with the init "
         "string AT \\Q0.",
         "", "AT \\Q0"}},
       kController4700},
      {VerdictCase::A3,
       {{kAlways, "Modem can be used with a 37779 cable and a 5700"},
        {kAlways, "4700 users need a 37779 and an init string of AT &K0"},
        {kAlways, "4700 users need to configure survey controller not to use flow control."}},
       {{kAlways,
         "Use cable 37779 for the 5700 with no init string, and for the 4700 with the init "
         "string AT &K0.",
         "", "AT &K0"}},
       kController4700},
      {VerdictCase::A4,
       {{kAlways, "Modem can be used with a 37779 cable and a 5700"},
        {kAlways, "4700 users need a 37779 and an init string of AT &H0 &R1"},
        {kAlways, "4700 users need to configure survey controller not to use flow control."}},
       {{kAlways,
         "Use cable 37779 for the 5700 with no init string, and for the 4700 with the init "
         "string AT &H0 &R1.",
         "", "AT &H0 &R1"}},
       kController4700},
      {VerdictCase::A5,
       {{kAlways, "Flow Control can not be disabled"},
        {kAlways, "Modem Can be used with a 37779 cable and a 5700"},
        {kAlways, "4700 users need a 37779 and modem flow control cheater cable"},
        {kAlways, "4700 users need to configure survey controller not to use flow control."}},
       {{kAlways,
         "Use cable 37779 for the 5700 with no init string. The 4700 also needs a modem flow "
         "control cheater cable, with no init string: this modem's flow control cannot be "
         "switched off.",
         "", ""}},
       kController4700},
      {VerdictCase::B1,
       {{kAlways, "Modem can be used with a 37779 cable and 4700 or 5700"},
        {kD0, "Init String should be AT &D0"},
        {kNoD0, "You must create a cable for this modem to work, DTR DSR Looped"},
        {kAlways, "4700 users should configure survey controller not to use flow control."}},
       {{kD0, "Use cable 37779 for the 4700 and the 5700, with the init string AT &D0.",
         "AT &D0", "AT &D0"},
        {kNoD0,
         "Use cable 37779 for the 4700 and the 5700, with no init string, once a cable with DTR "
         "and DSR looped is made: this modem needs DTR and cannot be set to ignore it.",
         "", ""}},
       kController4700},
      {VerdictCase::B2,
       {{kAlways, "Modem can be used with a 37779 cable and 5700"},
        {kD0, "5700 users need a 37779 and an init string of AT &D0"},
        {kD0, "4700 users need a 37779 and an init string of AT &D0 \\Q0"},
        {kNoD0, "5700 users need a 37779 and an exmpty init string "},
        {kNoD0, "4700 users need a 37779 and an init string of AT \\Q0"},
        {kNoD0, "You must create a cable for this modem to work, DTR DSR Looped"},
        {kAlways, "4700 users need to configure survey controller not to use flow control."}},
       {{kD0,
         "Use cable 37779 for the 5700 with the init string AT &D0, and for the 4700 with the "
         "init string AT &D0 \\Q0.",
         "AT &D0", "AT &D0 \\Q0"},
        {kNoD0,
         "Use cable 37779 for the 5700 with no init string, and for the 4700 with the init "
         "string AT \\Q0, once a cable with DTR and DSR looped is made: this modem needs DTR and "
         "cannot be set to ignore it.",
         "", "AT \\Q0"}},
       kController4700},
      {VerdictCase::B3,
       {{kAlways, "Modem can be used with a 37779 cable and a 5700"},
        {kD0, "5700 users need a 37779 and an init string of AT &D0"},
        {kD0, "4700 users need a 37779 and an init string of AT &D0 &K0"},
        {kNoD0, "5700 users need a 37779 and an empty init string"},
        {kNoD0, "4700 users need a 37779 and an init string of AT &K0"},
        {kNoD0, "You must create a cable for this modem to work, DTR DSR Looped"},
        {kAlways, "4700 users need to configure survey controller not to use flow control."}},
       {{kD0,
         "Use cable 37779 for the 5700 with the init string AT &D0, and for the 4700 with the "
         "init string AT &D0 &K0.",
         "AT &D0", "AT &D0 &K0"},
        {kNoD0,
         "Use cable 37779 for the 5700 with no init string, and for the 4700 with the init "
         "string AT &K0, once a cable with DTR and DSR looped is made: this modem needs DTR and "
         "cannot be set to ignore it.",
         "", "AT &K0"}},
       kController4700},
      {VerdictCase::B4,
       {{kAlways, "Modem can be used with a 37779 cable and a 5700"},
        {kD0, "5700 users need a 37779 and an init string of AT &D0"},
        {kD0, "4700 users need a 37779 and an init string of AT &D0 &H0 &R1"},
        {kNoD0, "5700 users need a 37779 and an empty init string "},
        {kNoD0, "4700 users need a 37779 and an init string of AT &H0 &R1"},
        {kNoD0, "You must create a cable for this modem to work, DTR DSR Looped"},
        {kAlways, "4700 users need to configure survey controller not to use flow control."}},
       {{kD0,
         "Use cable 37779 for the 5700 with the init string AT &D0, and for the 4700 with the "
         "init string AT &D0 &H0 &R1.",
         "AT &D0", "AT &D0 &H0 &R1"},
        {kNoD0,
         "Use cable 37779 for the 5700 with no init string, and for the 4700 with the init "
         "string AT &H0 &R1, once a cable with DTR and DSR looped is made: this modem needs DTR "
         "and cannot be set to ignore it.",
         "", "AT &H0 &R1"}},
       kController4700},
      {VerdictCase::B5,
       {{kAlways, "Flow Control can not be disabled"},
        {kAlways, "Modem Can be used with a 37779 cable and a 5700"},
        {kD0, "5700 users need a 37779 and an init string of AT &D0"},
        {kD0, "4700 users need a 37779 and an init string of AT &D0"},
        {kD0,
         "4700 users need a modem flow control cheater cable. Depending on cable &D0 may not "
         "be needed"},
        {kNoD0, "5700 users need a 37779 and an empty init string"},
        {kNoD0, "4700 users need a 37779 and an empty init string"},
        {kNoD0, "4700 users need a modem flow control cheater cable"},
        {kNoD0, "5700 users must create a cable for this modem to work, DTR DSR Looped"},
        {kNoD0,
         "4700 users must create a cable for this modem to work, DTR DSR Looped and flow "
         "control cheated"},
        {kAlways, "4700 users need to configure survey controller not to use flow control."}},
       {{kD0,
         "Use cable 37779 for the 5700 with the init string AT &D0. The 4700 also needs a modem "
         "flow control cheater cable, as this modem's flow control cannot be switched off; "
         "with that cable AT &D0 may not be needed.",
         "AT &D0", "AT &D0"},
        {kNoD0,
         "Use cable 37779, with no init string, once a cable is made for each model: for the "
         "5700 with DTR and DSR looped, for the 4700 with DTR and DSR looped and its flow "
         "control cheated. This modem needs DTR and cannot be set to ignore it, and its flow "
         "control cannot be switched off.",
         "", ""}},
       kController4700},
  }};
  return cases;
}

// The notes after the case, in the log and in the pane.
struct Note {
  const char* line;
  const char* pane;
};
constexpr Note kNumericNote{
    "Returns numeric results instead of verbal, need to use an init string of AT V1 (Or at V1 "
    "to the recommended init string)",
    "This modem answers with numeric result codes: V1 is added to the init strings above to "
    "switch it to words."};
constexpr Note kDsrNote{"DSR behaviour non standard. Standard Cheater cables will not work",
                        "DSR does not behave as standard: standard cheater cables will not work "
                        "with this modem."};

const CaseText& ChosenCase(const Findings& findings) {
  const VerdictCase verdictCase = ChooseVerdictCase(findings);
  const auto& cases = Cases();
  return *std::find_if(cases.begin(), cases.end(),
                       [&](const CaseText& c) { return c.verdictCase == verdictCase; });
}

// The variant of a B case that the findings leave out.
When Skipped(const Findings& findings) {
  return findings.IgnoreDtrWorks() ? When::DtrNeeded : When::IgnoreDtrWorks;
}

// "AT V1" switches a modem that answers in numbers to words.
std::string WithV1(const std::string& init, bool numeric) {
  if (!numeric) return init;
  return init.empty() ? "AT V1" : init + " V1";
}

}  // namespace

VerdictCase ChooseVerdictCase(const Findings& findings) {
  // The ways a call got through with RTS low, best advice first. This is not
  // the order the calls ran in: "&K0" is preferred to "&H0 &R1".
  const std::array<bool, 4> byPriority{findings.WorksWithRtsLow(), findings.Q0Works(),
                                       findings.K0Works(), findings.H0R1Works()};
  std::size_t first = 0;
  while (first < byPriority.size() && !byPriority[first]) ++first;
  // The enumeration lists A1..A5, then B1..B5.
  const std::size_t base = findings.WorksWithoutDtr() ? 0 : 5;
  return static_cast<VerdictCase>(base + first);
}

std::vector<std::string> VerdictLines(const Findings& findings) {
  const When skipped = Skipped(findings);
  std::vector<std::string> lines;
  for (const Line& line : ChosenCase(findings).lines)
    if (line.when != skipped) lines.emplace_back(line.text);
  if (findings.NumericResults) lines.emplace_back(kNumericNote.line);
  if (findings.DsrStandard == false) lines.emplace_back(kDsrNote.line);
  return lines;
}

Advice AdviceFor(const Findings& findings) {
  const CaseText& chosen = ChosenCase(findings);
  const When skipped = Skipped(findings);
  const PaneAdvice& pane = *std::find_if(chosen.pane.begin(), chosen.pane.end(),
                                         [&](const PaneAdvice& p) { return p.when != skipped; });
  Advice advice;
  advice.headline = pane.headline;
  advice.init4700 = WithV1(pane.init4700, findings.NumericResults);
  advice.init5700 = WithV1(pane.init5700, findings.NumericResults);
  advice.notes.emplace_back(chosen.controller);
  if (findings.NumericResults) advice.notes.emplace_back(kNumericNote.pane);
  if (findings.DsrStandard == false) advice.notes.emplace_back(kDsrNote.pane);
  return advice;
}

}  // namespace rover
