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

struct CaseLines {
  VerdictCase verdictCase;
  std::vector<Line> lines;
};

constexpr When kAlways = When::Always;
constexpr When kD0 = When::IgnoreDtrWorks;
constexpr When kNoD0 = When::DtrNeeded;

const std::array<CaseLines, 10>& Cases() {
  static const std::array<CaseLines, 10> cases{{
      {VerdictCase::A1,
       {{kAlways, "Modem can be used with a 37779 cable and 4700 or 5700"},
        {kAlways, "No init string needed"},
        {kAlways, "Configure survey controller not to use flow control."}}},
      {VerdictCase::A2,
       {{kAlways, "Modem can be used with a 37779 cable and 5700"},
        {kAlways, "4700 users need a 37779 and an init string of AT \\Q0"},
        {kAlways, "4700 users need to configure survey controller not to use flow control."}}},
      {VerdictCase::A3,
       {{kAlways, "Modem can be used with a 37779 cable and a 5700"},
        {kAlways, "4700 users need a 37779 and an init string of AT &K0"},
        {kAlways, "4700 users need to configure survey controller not to use flow control."}}},
      {VerdictCase::A4,
       {{kAlways, "Modem can be used with a 37779 cable and a 5700"},
        {kAlways, "4700 users need a 37779 and an init string of AT &H0 &R1"},
        {kAlways, "4700 users need to configure survey controller not to use flow control."}}},
      {VerdictCase::A5,
       {{kAlways, "Flow Control can not be disabled"},
        {kAlways, "Modem Can be used with a 37779 cable and a 5700"},
        {kAlways, "4700 users need a 37779 and modem flow control cheater cable"},
        {kAlways, "4700 users need to configure survey controller not to use flow control."}}},
      {VerdictCase::B1,
       {{kAlways, "Modem can be used with a 37779 cable and 4700 or 5700"},
        {kD0, "Init String should be AT &D0"},
        {kNoD0, "You must create a cable for this modem to work, DTR DSR Looped"},
        {kAlways, "4700 users should configure survey controller not to use flow control."}}},
      {VerdictCase::B2,
       {{kAlways, "Modem can be used with a 37779 cable and 5700"},
        {kD0, "5700 users need a 37779 and an init string of AT &D0"},
        {kD0, "4700 users need a 37779 and an init string of AT &D0 \\Q0"},
        {kNoD0, "5700 users need a 37779 and an exmpty init string "},
        {kNoD0, "4700 users need a 37779 and an init string of AT \\Q0"},
        {kNoD0, "You must create a cable for this modem to work, DTR DSR Looped"},
        {kAlways, "4700 users need to configure survey controller not to use flow control."}}},
      {VerdictCase::B3,
       {{kAlways, "Modem can be used with a 37779 cable and a 5700"},
        {kD0, "5700 users need a 37779 and an init string of AT &D0"},
        {kD0, "4700 users need a 37779 and an init string of AT &D0 &K0"},
        {kNoD0, "5700 users need a 37779 and an empty init string"},
        {kNoD0, "4700 users need a 37779 and an init string of AT &K0"},
        {kNoD0, "You must create a cable for this modem to work, DTR DSR Looped"},
        {kAlways, "4700 users need to configure survey controller not to use flow control."}}},
      {VerdictCase::B4,
       {{kAlways, "Modem can be used with a 37779 cable and a 5700"},
        {kD0, "5700 users need a 37779 and an init string of AT &D0"},
        {kD0, "4700 users need a 37779 and an init string of AT &D0 &H0 &R1"},
        {kNoD0, "5700 users need a 37779 and an empty init string "},
        {kNoD0, "4700 users need a 37779 and an init string of AT &H0 &R1"},
        {kNoD0, "You must create a cable for this modem to work, DTR DSR Looped"},
        {kAlways, "4700 users need to configure survey controller not to use flow control."}}},
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
        {kAlways, "4700 users need to configure survey controller not to use flow control."}}},
  }};
  return cases;
}

}  // namespace

VerdictCase ChooseVerdictCase(const Findings& findings) {
  // The ways a call got through with RTS low, best advice first. This is not
  // the order the calls ran in: "&K0" is preferred to "&H0 &R1".
  const std::array<bool, 4> byPriority{findings.worksWithRtsLow, findings.q0Works,
                                       findings.k0Works, findings.h0r1Works};
  std::size_t first = 0;
  while (first < byPriority.size() && !byPriority[first]) ++first;
  // The enumeration lists A1..A5, then B1..B5.
  const std::size_t base = findings.worksWithoutDtr ? 0 : 5;
  return static_cast<VerdictCase>(base + first);
}

std::vector<std::string> VerdictLines(const Findings& findings) {
  const VerdictCase verdictCase = ChooseVerdictCase(findings);
  const auto& cases = Cases();
  const CaseLines& chosen = *std::find_if(cases.begin(), cases.end(), [&](const CaseLines& c) {
    return c.verdictCase == verdictCase;
  });
  const When skipped = findings.ignoreDtrWorks ? When::DtrNeeded : When::IgnoreDtrWorks;
  std::vector<std::string> lines;
  for (const Line& line : chosen.lines)
    if (line.when != skipped) lines.emplace_back(line.text);
  if (findings.numericResults)
    lines.emplace_back(
        "Returns numeric results instead of verbal, need to use an init string of AT V1 (Or at "
        "V1 to the recommended init string)");
  if (!findings.dsrStandard)
    lines.emplace_back("DSR behaviour non standard. Standard Cheater cables will not work");
  return lines;
}

Recommendation Recommend(const Findings& findings) {
  // The 5700 needs calls that work without DTR: by the modem's nature or
  // after "AT &D0". The 4700 also needs them to work with RTS low: by nature
  // or after the flow-control command the verdict prefers.
  const bool needsD0 = !findings.worksWithoutDtr && findings.ignoreDtrWorks;
  const bool dtrFree = findings.worksWithoutDtr || findings.ignoreDtrWorks;
  const char* flowCommand = nullptr;
  switch (ChooseVerdictCase(findings)) {
    case VerdictCase::A2:
    case VerdictCase::B2:
      flowCommand = "\\Q0";
      break;
    case VerdictCase::A3:
    case VerdictCase::B3:
      flowCommand = "&K0";
      break;
    case VerdictCase::A4:
    case VerdictCase::B4:
      flowCommand = "&H0 &R1";
      break;
    default:
      break;
  }
  const bool rtsFree = findings.worksWithRtsLow || flowCommand;

  auto initString = [&](const char* flow) {
    std::string commands;
    if (needsD0) commands += " &D0";
    if (flow) commands += std::string(" ") + flow;
    if (findings.numericResults) commands += " V1";
    return commands.empty() ? std::string() : "AT" + commands;
  };
  Recommendation advice;
  advice.usable5700 = dtrFree;
  advice.usable4700 = dtrFree && rtsFree;
  advice.init5700 = initString(nullptr);
  advice.init4700 = initString(flowCommand);
  if (!dtrFree) advice.cableAdvice.push_back("Both models: a cable with DTR and DSR looped");
  if (!rtsFree) advice.cableAdvice.push_back("4700: a modem flow control cheater cable");
  if (advice.cableAdvice.empty()) advice.cableAdvice.push_back("Cable 37779, nothing more");
  if (!findings.dsrStandard)
    advice.cableAdvice.push_back("DSR is not standard: standard cheater cables will not work");
  advice.cableAdvice.push_back("Set the survey controller not to use flow control");
  return advice;
}

}  // namespace rover
