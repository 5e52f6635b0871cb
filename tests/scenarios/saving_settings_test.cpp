// The Saving Settings Test run to its end against simulated modems. The
// expected lines follow from the modem's behaviour: "AT &W" stores the active
// settings, "AT Z" and a power cycle reload the stored ones, and the
// dip-switch model forces S0 to 0 at every reload. Registers are queried as
// three digits between line ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "tests/support/Scenario.h"

namespace {

using Lines = std::vector<std::string>;

Lines Between(const Lines& log, const std::string& first, const std::string& last) {
  auto from = std::find(log.begin(), log.end(), first);
  auto to = std::find(from, log.end(), last);
  return Lines(from, to == log.end() ? to : to + 1);
}

std::string Joined(const Lines& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) text += (i ? "\n" : "") + lines[i];
  return text;
}

const Lines kStoredAndRestored = {
    "Restoring modem to orginal settings", "", "Dial Timeout set to 50 Seconds",
    "Auto Answer Set to 0 rings", "Wrote Settings.", "", "", "Settings Test Version 1.10",
    "Test Finished, results copied to clipboard"};

TEST(SavingSettings, StandardModemAtSummary) {
  scenario::Scenario s({.level = 0});
  s.PowerCycleWhenAsked();
  s.Click(s.Form().SavingSettingsTest1);

  // "AT S0=0" is not stored, so the reset after it brings back the stored
  // test value 1: a modem that keeps its settings reads 1 here.
  const Lines expected = {
      "", "", "Indicated supports writing of settings", "",
      "Dial Time out setting 50", "Orginal auto answer value 0",
      "Dial Timeout set to 51 Seconds", "Auto Answer Set to 1 rings",
      "Dial Time out setting checked", "Did get correct auto answer value",
      "Wrote Settings.", "",
      "Dial Time out setting checked", "Did get correct auto answer value",
      "", "Modem Reseting", "",
      "Dial Time out setting checked", "Did get correct auto answer value",
      "", "Waiting for power cycle of modem.", "Detected modem after power cycle.", "", "",
      "Dial Time out setting checked", "Did get correct auto answer value",
      "", "Testing turning auto answer off.", "", "Auto Answer Set to 0 rings (Do not answer)",
      "", "",
      "Did not get correct auto answer (S0) value", "Read S0, Got 1 Should have been zero",
      "Note: if your modem has a dip switch setting for Auto Answer",
      "then this is most likely set to auto answer. In this case this is expected",
      "If the setting of the dial timeout worked, then the saving of settings works", "",
      ""};
  Lines all = expected;
  all.insert(all.end(), kStoredAndRestored.begin(), kStoredAndRestored.end());
  EXPECT_EQ(s.Log(), all);
  EXPECT_EQ(s.Clipboard(), Joined(Lines(all.begin(), all.end() - 1)));

  ASSERT_EQ(s.Ui().boxes.size(), 1u);
  EXPECT_EQ(s.Ui().boxes[0].text,
            "Please cycle power on modem, press OK when modem fully powered up. (");
  EXPECT_EQ(s.Ui().boxes[0].icon, toolkit::MessageIcon::Warning);

  EXPECT_FALSE(s.Form().SerialPort().Connected());
  EXPECT_FALSE(s.Form().LineNoticesEnabled);
  EXPECT_EQ(s.Form().Status.Text(), "");
  EXPECT_FALSE(s.Form().Status.ClockRunning());
  // The initial values are back, in the stored profile too.
  s.Modem().PowerCycle();
  platform::clock::Sleep(1000);
  EXPECT_EQ(s.Modem().Register(7), 50);
  EXPECT_EQ(s.Modem().Register(0), 0);
}

// The test's own "Modem Reseting" and then the reset's; the modem going off
// and on shows as line notices while the box is up, CTS ones at Debug only.
TEST(SavingSettings, ResetAndPowerCycleAtVerboseAndDebug) {
  for (int level : {3, 4}) {
    SCOPED_TRACE(level);
    scenario::Scenario s({.level = static_cast<std::uint8_t>(level)});
    s.PowerCycleWhenAsked();
    s.Click(s.Form().SavingSettingsTest1);
    const Lines log = s.Log();

    EXPECT_TRUE(scenario::ContainsRun(
        log, {"Wrote Settings.", "", "Dial Time out setting checked",
              "Did get correct auto answer value", "", "Modem Reseting", "", "Modem Reseting",
              "Modem Reset using AT Z"}));
    Lines notices = Between(log, "Waiting for power cycle of modem.", "Detecting modem");
    std::sort(notices.begin() + 1, notices.end() - 1);
    Lines expected = {"Waiting for power cycle of modem.", "DSR line lowered",
                      "DSR line raised", "Detecting modem"};
    if (level == 4) expected.insert(expected.begin() + 1, {"CTS line lowered", "CTS line raised"});
    EXPECT_EQ(notices, expected);
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& l) { return l.ends_with(" line lowered"); }),
              level == 4 ? 2 : 1);
    EXPECT_EQ(log.back(), "Test Finished, results copied to clipboard");
  }
}

// The switch forces S0 to 0 at the reset and the power cycle: both checks
// explain it, "AT S0=0" then reads right, and the run still restores.
TEST(SavingSettings, DipSwitchHoldsAutoAnswerOff) {
  scenario::Scenario s({.profile = "dip-switch-s0", .level = 0});
  s.PowerCycleWhenAsked();
  s.Click(s.Form().SavingSettingsTest1);
  const Lines log = s.Log();

  const Lines readBack = {"Did not get correct auto answer (S0) value", "Read S0, Got ", "000",
                          "", "", "Note: if your modem has a dip switch setting for Auto Answer"};
  const std::string holds = "If the setting of the dial timeout worked, then the saving of "
                            "settings works";
  Lines afterReset = {"", "Modem Reseting", "", "Dial Time out setting checked"};
  afterReset.insert(afterReset.end(), readBack.begin(), readBack.end());
  afterReset.insert(afterReset.end(),
                    {"then this is most likely set to not auto answer. In this case failing "
                     "this is expected",
                     holds, "", "Waiting for power cycle of modem."});
  EXPECT_TRUE(scenario::ContainsRun(log, afterReset));

  Lines afterPowerCycle = {"", "Dial Time out setting checked"};
  afterPowerCycle.insert(afterPowerCycle.end(), readBack.begin(), readBack.end());
  afterPowerCycle.insert(
      afterPowerCycle.end(),
      {"then this is most likely set to not auto answer. In this case this is expected", holds,
       "", "Testing turning auto answer off."});
  EXPECT_TRUE(scenario::ContainsRun(log, afterPowerCycle));

  EXPECT_TRUE(scenario::ContainsRun(log, {"Auto Answer Set to 0 rings (Do not answer)", "", "",
                                          "Did get correct auto answer value", ""}));
  EXPECT_TRUE(scenario::ContainsRun(log, kStoredAndRestored));
  EXPECT_EQ(s.Modem().Register(7), 50);
}

// The results pane and the progress bar at the end, from what the run found.
TEST(SavingSettings, TheResultsPaneShowsEachReadBack) {
  using Outcome = toolkit::TResults::Outcome;
  constexpr Outcome P = Outcome::Pass, F = Outcome::Fail, E = Outcome::Expected;
  struct Case {
    const char* profile;
    std::vector<Outcome> outcomes;  // S7 ×4, S0 ×4, auto answer off
    std::size_t lines;
  };
  // The stored S0 comes back with the reset after "AT S0=0": no fault.
  const Case cases[] = {{"standard", {P, P, P, P, P, P, P, P, E}, 1},
                        {"dip-switch-s0", {P, P, P, P, P, P, F, F, P}, 2}};
  for (const Case& c : cases) {
    scenario::Scenario s({.profile = c.profile});
    s.PowerCycleWhenAsked();
    s.Click(s.Form().SavingSettingsTest1);
    const toolkit::TResultPane& pane = s.Form().Results;
    ASSERT_TRUE(pane.Visible()) << c.profile;
    EXPECT_EQ(pane.Content().lines.size(), c.lines) << c.profile;
    EXPECT_EQ(pane.Content().lines[0],
              "This modem keeps settings stored with AT &W across a reset and a power cycle.");
    std::vector<Outcome> outcomes;
    for (const auto& row : pane.Content().rows) outcomes.push_back(row.outcome);
    EXPECT_EQ(outcomes, c.outcomes) << c.profile;
    EXPECT_EQ(s.Form().Status.Progress(),
              (toolkit::TProgress{9, 9, "Saving Settings Test finished"}));
  }
}

// A Detect command that found the modem is trusted: the test runs at that
// speed and does not detect again before it starts.
TEST(SavingSettings, AnEarlierDetectionIsTrusted) {
  scenario::Scenario s({.level = 2});
  s.PowerCycleWhenAsked();
  s.Click(s.Form().N96001);
  s.Click(s.Form().SavingSettingsTest1);
  const Lines log = s.Log();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(Lines(log.begin(), log.begin() + 3),
            (Lines{"", "", "Indicated supports writing of settings"}));
  EXPECT_FALSE(s.Form().DetectedAt19200);
  EXPECT_EQ(s.Form().SerialPort().BaudRate(), comms::br9600);
  EXPECT_EQ(log.back(), "Test Finished, results copied to clipboard");
}

}  // namespace
