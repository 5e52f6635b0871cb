// The whole Rover Test against each simulated modem that lets it reach its
// verdict. The expectations are worked out from how each modem behaves:
// with &D2 and DTR low it hears nothing; its hardware flow control holds
// back CONNECT and "Welcome" while RTS is low; "\Q0", "&H0 &R1" and "&K0"
// switch that flow control off where the modem accepts them. At the end,
// both tests against every simulated modem, timed against the progress bar.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "app/RunStatus.h"
#include "tests/support/Scenario.h"

namespace {

using Lines = std::vector<std::string>;

struct Findings {
  bool worksWithoutDtr, ignoreDtrWorks, worksWithRtsLow, q0Works, h0r1Works, k0Works,
      numericResults;
  bool operator==(const Findings&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Findings& f) {
  return out << "WorksWithoutDtr=" << f.worksWithoutDtr << " IgnoreDtrWorks=" << f.ignoreDtrWorks
             << " WorksWithRtsLow=" << f.worksWithRtsLow << " Q0Works=" << f.q0Works
             << " H0R1Works=" << f.h0r1Works << " K0Works=" << f.k0Works
             << " NumericResults=" << f.numericResults;
}

Findings FindingsOf(const TMain_Form& form) {
  const rover::Findings& f = form.RoverFindings;
  return {f.WorksWithoutDtr(), f.IgnoreDtrWorks(), f.WorksWithRtsLow(), f.Q0Works(),
          f.H0R1Works(),       f.K0Works(),        f.NumericResults};
}

const std::string kControllerNeed =
    "4700 users need to configure survey controller not to use flow control.";
const std::string kNumericNote =
    "Returns numeric results instead of verbal, need to use an init string of AT V1 (Or at V1 to "
    "the recommended init string)";
const std::string kDsrNote = "DSR behaviour non standard. Standard Cheater cables will not work";

// The verdict of a modem that needs DTR, accepts "AT &D0" and passes the
// "\Q0" call: the most common outcome.
const Lines kQ0WithD0 = {"Modem can be used with a 37779 cable and 5700",
                         "5700 users need a 37779 and an init string of AT &D0",
                         "4700 users need a 37779 and an init string of AT &D0 \\Q0",
                         kControllerNeed};

Lines Plus(Lines lines, const std::string& more) {
  lines.push_back(more);
  return lines;
}

// At Summary, what the run logs between the identification and the verdict.
const Lines kStandardSummary = {"Dial test passed",
                                "Expected behaviour when calling without DTR, did not connect",
                                "Dial with ignore DTR works",
                                "Did not get connected message with RTS low, expected",
                                "",
                                "Dial with no flow control (\\Q0) works",
                                "AT &H0 &R1 worked",
                                "Got Connected with RTS low and &K0"};

// A line of the log and the message levels that show it: `from` up, and up
// to `upTo` where a terser wording replaces it above.
struct Shown {
  int from;
  const char* text;
  int upTo = 4;
};
using Run = std::vector<Shown>;

// What a run of lines looks like at one level.
Lines AtLevel(const Run& run, int level) {
  Lines lines;
  for (const Shown& line : run)
    if (level >= line.from && level <= line.upTo) lines.push_back(line.text);
  return lines;
}

const Run kRtsLowHeldBack = {{0, "Did not get connected message with RTS low, expected"},
                             {1, "Modem is connected (CD High)"},
                             {1, "Will wait upto 45 seconds"},
                             {4, "Rasing RTS"},
                             {3, "Did not get connected after rasing RTS"}};

struct ProfileCase {
  const char* profile;
  Findings findings;
  Lines verdict;  // the case's lines and the notes after them
  Lines summary;
  // Consecutive lines at Debug that show the modem's particular behaviour;
  // each level shows those of them it lets through, still consecutive.
  Run particular;
};

const ProfileCase kCases[] = {
    {"standard", {false, true, false, true, true, true, false}, kQ0WithD0, kStandardSummary,
     kRtsLowHeldBack},
    {"ignores-dtr",
     {true, true, false, true, true, true, false},
     {"Modem can be used with a 37779 cable and 5700",
      "4700 users need a 37779 and an init string of AT \\Q0", kControllerNeed},
     {"Dial test passed", "Got connected without DTR, not expected", "Dial with ignore DTR works",
      "Did not get connected message with RTS low, expected", "",
      "Dial with no flow control (\\Q0) works", "AT &H0 &R1 worked",
      "Got Connected with RTS low and &K0"},
     {{3, "Got Connected in default mode without DTR test, not expected"},
      {2, "Got Welcome in default mode without DTR test, not expected"},
      {0, "Got connected without DTR, not expected", 1}}},
    {"no-flow-control",
     {false, true, true, true, true, true, false},
     {"Modem can be used with a 37779 cable and 4700 or 5700", "Init String should be AT &D0",
      "4700 users should configure survey controller not to use flow control."},
     // The call with RTS low gets through; at Summary only its closing blank shows.
     {"Dial test passed", "Expected behaviour when calling without DTR, did not connect",
      "Dial with ignore DTR works", "", "Dial with no flow control (\\Q0) works",
      "AT &H0 &R1 worked", "Got Connected with RTS low and &K0"},
     {{2, "Got Connected with RTS low"}, {1, "Got welcome message, not expected"}}},
    {"k0-only",
     {false, true, false, false, false, true, false},
     {"Modem can be used with a 37779 cable and a 5700",
      "5700 users need a 37779 and an init string of AT &D0",
      "4700 users need a 37779 and an init string of AT &D0 &K0", kControllerNeed},
     {"Dial test passed", "Expected behaviour when calling without DTR, did not connect",
      "Dial with ignore DTR works", "Did not get connected message with RTS low, expected", "",
      "&H0 &R1 not supported", "Got Connected with RTS low and &K0"},
     {{3, "\\Q0, No flow control, not supported"},
      {3, "\\Q2, Flow control, not supported"},
      {0, "&H0 &R1 not supported"},
      {1, ""},
      {1, "Attempting to connect without flow control and &K0"},
      {1, ""}}},
    {"hr-only",
     {false, true, false, false, true, false, false},
     {"Modem can be used with a 37779 cable and a 5700",
      "5700 users need a 37779 and an init string of AT &D0",
      "4700 users need a 37779 and an init string of AT &D0 &H0 &R1", kControllerNeed},
     {"Dial test passed", "Expected behaviour when calling without DTR, did not connect",
      "Dial with ignore DTR works", "Did not get connected message with RTS low, expected", "",
      "AT &H0 &R1 worked", "&K0 not supported"},
     {{3, "\\Q0, No flow control, not supported"},
      {3, "\\Q2, Flow control, not supported"},
      {1, ""},
      {1, "Attempting to connect without flow control and &R1 &H0"},
      {1, ""},
      {4, "Lowering RTS"}}},
    {"flow-locked",
     {false, true, false, false, false, false, false},
     {"Flow Control can not be disabled", "Modem Can be used with a 37779 cable and a 5700",
      "5700 users need a 37779 and an init string of AT &D0",
      "4700 users need a 37779 and an init string of AT &D0",
      "4700 users need a modem flow control cheater cable. Depending on cable &D0 may not be "
      "needed",
      kControllerNeed},
     {"Dial test passed", "Expected behaviour when calling without DTR, did not connect",
      "Dial with ignore DTR works", "Did not get connected message with RTS low, expected", "",
      "&H0 &R1 not supported", "&K0 not supported"},
     {{3, "\\Q0, No flow control, not supported"},
      {3, "\\Q2, Flow control, not supported"},
      {0, "&H0 &R1 not supported"},
      {0, "&K0 not supported"},
      {0, ""}}},
    {"strict-dtr",
     {false, false, false, true, true, true, false},
     {"Modem can be used with a 37779 cable and 5700",
      "5700 users need a 37779 and an exmpty init string ",
      "4700 users need a 37779 and an init string of AT \\Q0",
      "You must create a cable for this modem to work, DTR DSR Looped", kControllerNeed},
     {"Dial test passed", "Expected behaviour when calling without DTR, did not connect",
      "Did not get connected message with RTS low, expected", "",
      "Dial with no flow control (\\Q0) works", "AT &H0 &R1 worked",
      "Got Connected with RTS low and &K0"},
     {{4, "&DO, ingore DTR not supported"}, {3, ""}, {3, "Modem Reseting"}}},
    {"numeric", {false, true, false, true, true, true, true}, Plus(kQ0WithD0, kNumericNote),
     kStandardSummary,
     {{3, ""},
      {3, "Modem Reseting"},
      {2, "Modem Returns Numeric Responses. Need init string of AT V1"},
      {4, "V1, Verbal codes, responded OK"},
      {4, "E0, No echo, responded OK"}}},
    {"dsr-follows-dtr", {false, true, false, true, true, true, false}, Plus(kQ0WithD0, kDsrNote),
     kStandardSummary,
     {{4, "Lowering DTR"},
      {3, "DSR line lowered"},
      {1, "DSR lowered when DTR lowed not expected. Standard cables will not work"}}},
    {"dsr-low", {false, true, false, true, true, true, false}, Plus(kQ0WithD0, kDsrNote),
     kStandardSummary,
     // Only the first DSR line: the second is not written once DSR was low.
     {{1, "DSR low when not expected. Standard cables may not work"},
      {4, "Lowering DTR"},
      {1, ""},
      {1, "Dial in default mode without DTR test, 5551234"}}},
    {"ignores-hangup", {false, true, false, true, true, true, false}, kQ0WithD0, kStandardSummary,
     {{1, "Carrier Detect high after hang up. Most likely manual hang up required"},
      {3, "Attempting to hang up using DTR"}}},
    {"hangup-on-escape", {false, true, false, true, true, true, false}, kQ0WithD0,
     kStandardSummary,
     {{4, "Hangs up on return to command mode via +++"}}},
};

void PrintTo(const ProfileCase& c, std::ostream* out) { *out << c.profile; }

// "AT I3" answered CR LF, the identification, CR LF, CR LF, "OK": the text in
// front of OK goes to the log as it came, so its line breaks split the line.
const Lines kIdentificationAtSummary = {"Modem Type ", "TELVORA SIMULATED MODEM 33600", "", ""};

const Lines kEnd = {"", "Dial Test Version 2.01", "Test Finished, results copied to clipboard"};

std::string Joined(const Lines& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) text += (i ? "\n" : "") + lines[i];
  return text;
}

class RoverProfile : public testing::TestWithParam<std::tuple<ProfileCase, int>> {};

TEST_P(RoverProfile, ReachesItsVerdict) {
  const auto& [c, level] = GetParam();
  scenario::Scenario s({.profile = c.profile, .level = static_cast<std::uint8_t>(level)});
  s.Click(s.Form().Test1);

  EXPECT_EQ(FindingsOf(s.Form()), c.findings);
  // The blank that closes the flow-control calls, the verdict, its notes,
  // the version and the final line.
  Lines tail = {""};
  tail.insert(tail.end(), c.verdict.begin(), c.verdict.end());
  tail.insert(tail.end(), kEnd.begin(), kEnd.end());
  const Lines log = s.Log();
  ASSERT_GE(log.size(), tail.size());
  EXPECT_EQ(Lines(log.end() - tail.size(), log.end()), tail);

  // The clipboard holds everything up to the version line.
  EXPECT_EQ(s.Clipboard(), Joined(Lines(log.begin(), log.end() - 1)));
  EXPECT_FALSE(s.Form().SerialPort().Connected());
  EXPECT_EQ(s.Form().Status.Text(), "");
  EXPECT_FALSE(s.Form().Status.ClockRunning());

  EXPECT_TRUE(scenario::ContainsRun(log, AtLevel(c.particular, level)));
  if (level == 0) {
    Lines expected = kIdentificationAtSummary;
    expected.insert(expected.end(), c.summary.begin(), c.summary.end());
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(log, expected);
  }
}

std::string CaseName(const testing::TestParamInfo<RoverProfile::ParamType>& info) {
  std::string name = std::get<0>(info.param).profile;
  for (char& ch : name)
    if (ch == '-') ch = '_';
  static const char* const kLevelNames[] = {"_Summary", "_Minimal", "_Normal", "_Verbose",
                                            "_Debug"};
  return name + kLevelNames[std::get<1>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Profiles, RoverProfile,
                         testing::Combine(testing::ValuesIn(kCases), testing::Range(0, 5)),
                         CaseName);

}  // namespace

namespace {

// Minimal shows the announcements of each experiment, which Summary leaves
// out, and still gives the terse outcome lines.
TEST(RoverLevels, StandardModemAtMinimal) {
  scenario::Scenario s({.profile = "standard", .level = 1});
  s.Click(s.Form().Test1);
  Lines expected = kIdentificationAtSummary;
  const Lines run = {"Dial test, 5551234",
                     "Dial test passed",
                     "",
                     "Dial in default mode without DTR test, 5551234",
                     "Expected to fail",
                     "Expected behaviour when calling without DTR, did not connect",
                     "",
                     "Dial in ignore DTR mode without DTR test, 5551234",
                     "Dial with ignore DTR works",
                     "",
                     "Testing dial with RTS low, expected to time out",
                     "Did not get connected message with RTS low, expected",
                     "Modem is connected (CD High)",
                     "Will wait upto 45 seconds",
                     "",
                     "Testing \\Q0 with RTS low",
                     "Dial with no flow control (\\Q0) works",
                     "",
                     "Attempting to connect without flow control and &R1 &H0",
                     "",
                     "Got Connected with RTS low",
                     "AT &H0 &R1 worked",
                     "",
                     "Attempting to connect without flow control and &K0",
                     "",
                     "Got Connected with RTS low and &K0",
                     ""};
  expected.insert(expected.end(), run.begin(), run.end());
  expected.insert(expected.end(), kQ0WithD0.begin(), kQ0WithD0.end());
  expected.insert(expected.end(), kEnd.begin(), kEnd.end());
  EXPECT_EQ(s.Log(), expected);
}

}  // namespace

namespace {

// The progress bar's estimate at the start of a run holds for every modem:
// no run takes longer in virtual time (the user's power cycle aside). It
// allows for the slowest modem at every step at once (a USB modem that
// answers in numbers, say), which no single modem is, yet it stays within a
// few times the longest run, so "at most" still means something.
TEST(RunEstimate, EveryProfileEndsWithinTheEstimateAtItsStart) {
  using platform::clock::Millis;
  using platform::clock::Now;
  struct Procedure {
    const char* name;
    std::span<const RunPhase> phases;
    toolkit::TMenuItem* TMain_Form::*item;
  };
  const Procedure procedures[] = {
      {"Rover Test", RoverPhases(), &TMain_Form::Test1},
      {"Saving Settings Test", SavingSettingsPhases(), &TMain_Form::SavingSettingsTest1}};
  for (const Procedure& procedure : procedures) {
    Millis estimate = 0;
    for (const RunPhase& phase : procedure.phases) estimate += phase.worstCaseMs;
    Millis longest = 0;
    for (const sim::ProfileInfo& profile : sim::Profiles()) {
      scenario::Scenario s({.profile = profile.name});
      s.PowerCycleWhenAsked();
      Millis userTook = 0;
      s.Ui().onMessageBox = [&, powerCycle = s.Ui().onMessageBox](const auto& box) {
        const Millis shown = Now();
        powerCycle(box);
        userTook += Now() - shown;
      };
      const Millis started = Now();
      s.Click(s.Form().*procedure.item);
      const Millis took = Now() - started - userTook;
      EXPECT_LE(took, estimate) << procedure.name << ", " << profile.name;
      longest = std::max(longest, took);
    }
    EXPECT_LE(estimate, 5 * longest) << procedure.name;
  }
}

}  // namespace
