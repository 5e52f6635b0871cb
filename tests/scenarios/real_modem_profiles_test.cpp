// Detect, the Rover Test and the Saving Settings Test against the modems
// that behave as real ones do. Each row states where the two tests end,
// worked out from the procedures and the modem's behaviour:
// - usb-cdc: DSR and carrier detect always high, so every hang-up falls back
//   to dropping DTR; the verdict is the standard one. Switched off, the
//   device goes away and comes back 3 s later: the test reopens the port.
// - slow-reset: a reset of 1.5 s is well inside the 3 s the reset waits; the
//   person in front of the box waits the 3 s of power-up.
// - verbose-connect: the extra lines around CONNECT end no wait.
// - busy-line, no-dialtone: BUSY and NO DIALTONE end no dial wait, so the
//   first call times out and the Rover Test ends; no call in the other test.
// - ok-to-all: "AT &S5" is answered OK; nothing else changes.
// - volatile-store: &W stores nothing, so S7 reads 50 after the reset and the
//   power cycle; S0 reads 0, the test value being 1.
// - factory-power-up: the reset after the power cycle loads the stored
//   profile before anything is read, so the test cannot tell.
// - sticky-echo: the echo stands in front of every register value; the value
//   is read from the reply's last line, so the test runs as on the standard
//   modem and restores 50.
// - short-line: no command of the procedures is near 40 characters.
// - noisy-replies: every tenth reply is spoilt. In the Rover Test that is the
//   closing "AT V1" of the second reset; in the Saving Settings Test the S7
//   check after setting (a mismatch) and the "AT V1" after the power cycle.
// - cts-follows-rts: flow control as the standard modem's, CTS shows RTS.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/Scenario.h"

namespace {

using Lines = std::vector<std::string>;
using scenario::ContainsRun;
using scenario::Tail;

const std::string kFinished = "Test Finished, results copied to clipboard";

Lines Then(Lines first, const Lines& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

// Needs DTR, accepts "AT &D0", passes the "\Q0" call.
const Lines kStandardVerdict = {"",
                                "Modem can be used with a 37779 cable and 5700",
                                "5700 users need a 37779 and an init string of AT &D0",
                                "4700 users need a 37779 and an init string of AT &D0 \\Q0",
                                "4700 users need to configure survey controller not to use flow "
                                "control.",
                                "",
                                "Dial Test Version 2.01",
                                kFinished};

Lines Restored(const std::string& s7) {
  return {"Restoring modem to orginal settings", "", "Dial Timeout set to " + s7 + " Seconds",
          "Auto Answer Set to 0 rings", "Wrote Settings.", "", "", "Settings Test Version 1.10",
          kFinished};
}

// The stored test value S0 = 1 comes back with the reset after "AT S0=0".
const Lines kSavingPassed =
    Then({"Read S0, Got 1 Should have been zero",
          "Note: if your modem has a dip switch setting for Auto Answer",
          "then this is most likely set to auto answer. In this case this is expected",
          "If the setting of the dial timeout worked, then the saving of settings works", "", ""},
         Restored("50"));

const Lines kDialFailed = {"Dial timed out", "Dial test failed, please check cables"};

struct RealCase {
  const char* profile;
  Lines roverEnd;   // the last lines of the Rover Test at every level
  Lines savingEnd;  // the same for the Saving Settings Test
  // At Debug, consecutive lines that show the modem's behaviour.
  Lines roverShows;
  Lines savingShows;
};

void PrintTo(const RealCase& c, std::ostream* out) { *out << c.profile; }

const RealCase kCases[] = {
    {"usb-cdc", kStandardVerdict, kSavingPassed,
     {"Carrier Detect high after hang up. Most likely manual hang up required",
      "Attempting to hang up using DTR"},
     {"Waiting for power cycle of modem.", "Port reopened after power cycle"}},
    {"slow-reset", kStandardVerdict, kSavingPassed,
     {"Modem Reseting", "CTS line lowered", "DSR line lowered", "CTS line raised",
      "DSR line raised", "Modem Reset using AT Z"},
     {"Modem Reseting", "CTS line lowered", "DSR line lowered", "CTS line raised",
      "DSR line raised", "Modem Reset using AT Z"}},
    {"verbose-connect", kStandardVerdict, kSavingPassed, {"Got Welcome message from server"}, {}},
    {"busy-line", {"Dial test failed, please check cables"}, kSavingPassed, kDialFailed, {}},
    {"no-dialtone", {"Dial test failed, please check cables"}, kSavingPassed, kDialFailed, {}},
    {"ok-to-all", kStandardVerdict, kSavingPassed,
     {"&S5, DTR follows CD responded OK", "&S0, DTR normal, supported"}, {}},
    {"volatile-store", kStandardVerdict,
     Then({"Did get correct auto answer value", ""}, Restored("50")), {},
     {"Did not get correct dial timeout (S7) value", "Read S7, Returned ", "050", "", "",
      "Did not get correct auto answer (S0) value", "Read S0, Got ", "000"}},
    {"factory-power-up", kStandardVerdict, kSavingPassed, {}, {}},
    {"sticky-echo", kStandardVerdict,
     Restored("50"),
     {"I3 , ID string responded with AT I3", "", "TELVORA SIMULATED MODEM 33600", "", ""},
     {"Dial Time out setting 50", "Orginal auto answer value 0", "Dial Timeout set to 51 Seconds"}},
    {"short-line", kStandardVerdict, kSavingPassed, {}, {}},
    {"noisy-replies", {"V1, Verbal codes, not supported, aborting test"},
     {"Could not detect modem after power cycle. Test aborted"}, {},
     {"Did not get correct dial timeout (S7) value"}},
    {"cts-follows-rts", kStandardVerdict, kSavingPassed,
     {"Lowering RTS", "CTS line lowered", "", "Testing dial with RTS low, expected to time out"},
     {}},
};

class RealModem : public testing::TestWithParam<std::tuple<RealCase, int>> {
 protected:
  scenario::Options Options() const {
    return {.profile = std::get<0>(GetParam()).profile,
            .level = static_cast<std::uint8_t>(std::get<1>(GetParam()))};
  }
  // The run copies the log exactly when it reaches its end.
  static void ExpectEnd(scenario::Scenario& s, const Lines& end, const Lines& shows,
                        bool debug) {
    const Lines log = s.Log();
    EXPECT_EQ(Tail(log, end.size()), end);
    EXPECT_EQ(s.Clipboard().empty(), end.back() != kFinished);
    if (debug) {
      EXPECT_TRUE(ContainsRun(log, shows));
    }
  }
};

TEST_P(RealModem, DetectRoverAndSavingSettingsEndAsWorkedOut) {
  const auto& [c, level] = GetParam();
  const bool debug = level == 4;
  {
    scenario::Scenario s(Options());
    s.Click(s.Form().N192001);
    const Lines detected = {"Detecting modem", "Modem detected at 19200"};
    EXPECT_EQ(s.Log(), debug ? detected : Lines{});
  }
  {
    scenario::Scenario s(Options());
    s.Click(s.Form().Test1);
    ExpectEnd(s, c.roverEnd, c.roverShows, debug);
  }
  scenario::Scenario s(Options());
  s.PowerCycleWhenAsked();
  s.Click(s.Form().SavingSettingsTest1);
  ExpectEnd(s, c.savingEnd, c.savingShows, debug);
  if (!debug) {
    EXPECT_FALSE(scenario::Contains(s.Log(), "Port reopened after power cycle"));
  }
}

std::string CaseName(const testing::TestParamInfo<RealModem::ParamType>& info) {
  std::string name = std::get<0>(info.param).profile;
  for (char& ch : name)
    if (ch == '-') ch = '_';
  return name + (std::get<1>(info.param) == 0 ? "_Summary" : "_Debug");
}

INSTANTIATE_TEST_SUITE_P(Profiles, RealModem,
                         testing::Combine(testing::ValuesIn(kCases), testing::Values(0, 4)),
                         CaseName);

}  // namespace
