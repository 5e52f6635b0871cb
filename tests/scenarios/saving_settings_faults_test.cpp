// The Saving Settings Test against modems that let it down: every way it
// stops early, a register already at 255, a modem that stays away after the
// power cycle, and replies with the command's echo in front of the number.
// Unless noted, the run ends right after the failing command, leaves the port
// open, copies nothing and clears the status bar.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/commapi/virtual_device.h"
#include "tests/support/PassThroughDevice.h"
#include "tests/support/Scenario.h"

namespace {

using Lines = std::vector<std::string>;
using scenario::Contains;
using scenario::Tail;
using platform::clock::Millis;

const std::string kDevice = "\\\\.\\COM1";

// Stands between the port and the simulated modem. It notes every command
// line written and when, can answer the nth line that starts with a given
// text itself (nothing at all: silence), can echo chosen lines back in front
// of the modem's reply, and can make the modem deaf for good.
class ModemProxy : public testsupport::PassThroughDevice {
 public:
  using PassThroughDevice::PassThroughDevice;

  std::string prefix;
  int nth = 0;
  std::optional<std::string> answer;  // what comes back instead; nullopt: silence
  std::vector<std::string> echoed;    // lines sent back as they are written
  bool deaf = false;

  Lines written;
  Millis answeredAt = -1;  // when the nth matching line was written

  void Transmit(std::string_view bytes) override {
    written.emplace_back(bytes.substr(0, bytes.find('\r')));
    if (deaf) return;
    if (!prefix.empty() && bytes.starts_with(prefix) && ++seen_ == nth) {
      answeredAt = platform::clock::Now();
      if (answer) line_->Receive(*answer);
      return;
    }
    if (std::find(echoed.begin(), echoed.end(), written.back()) != echoed.end())
      line_->Receive(bytes);
    modem_->Transmit(bytes);
  }

 private:
  int seen_ = 0;
};

struct ProxiedScenario {
  explicit ProxiedScenario(scenario::Options options) : s(std::move(options)) {
    proxy = std::make_shared<ModemProxy>(commapi::BoundVirtualDevice(kDevice));
    commapi::BindVirtualDevice(kDevice, proxy);
  }
  scenario::Scenario s;
  std::shared_ptr<ModemProxy> proxy;
};

void ExpectEndedEarly(scenario::Scenario& s, bool portOpen = true) {
  EXPECT_EQ(s.Form().SerialPort().Connected(), portOpen);
  EXPECT_EQ(s.Clipboard(), "");
  EXPECT_FALSE(Contains(s.Log(), "Settings Test Version 1.10"));
  EXPECT_EQ(s.Form().Status.Text(), "");
  EXPECT_FALSE(s.Form().Status.ClockRunning());
}

const std::string kError = "\r\nERROR\r\n";
const std::string kReset = "V1, Verbal codes, not supported, aborting test";

// Each row fails one command, by ERROR or by silence (then the run gives up
// when that command's time-out has passed). The modem: S7 = 50, S0 = 0.
TEST(SavingSettingsFaults, EveryFailedCommandEndsTheRun) {
  struct Row {
    const char* prefix;
    int nth;
    std::optional<std::string> answer;
    Millis timeoutMs;  // of a silent command
    Lines tail;
    bool noticesOn;
  };
  const Row rows[] = {
      {"AT &W", 1, std::nullopt, 5000,
       {"", "", "Does not support writing of settings",
        "   Use the init string to configure the modem"}, false},
      {"AT S7?", 1, std::nullopt, 2000,
       {"Indicated supports writing of settings", "",
        "Error reading dial timeout (S7), aborting test", "Read S7, Returned "}, false},
      {"AT S0?", 1, kError, 0,
       {"Dial Time out setting 50", "Error reading S0, aborting test", "Read S0, Got "}, false},
      {"AT S7=51", 1, std::nullopt, 1500,
       {"Orginal auto answer value 0",
        "Does not support setting of dial time out, required for this test",
        "   You must manually test the saving of settings"}, false},
      {"AT S0=1", 1, kError, 0,
       {"Dial Timeout set to 51 Seconds",
        "Does not support setting of auto answer, required for this test or to be a base"},
       false},
      {"AT &W", 2, kError, 0,
       {"Did get correct auto answer value", "Error writing settings, aborting test"}, false},
      // The closing "AT V1" of the resets: after &W, detection, power cycle, S0=0.
      {"AT V1", 3, std::nullopt, 500, {"", "Modem Reseting", kReset}, true},
      {"AT V1", 5, kError, 0,
       {"Detected modem after power cycle.", "", "", kReset,
        "Could not reset modem after restart"}, false},
      {"AT S0=0", 1, std::nullopt, 1500,
       {"Testing turning auto answer off.", "", "Setting failed,aborting test"}, false},
      {"AT V1", 6, kError, 0, {"Auto Answer Set to 0 rings (Do not answer)", "", kReset}, true},
      {"AT S7=50", 1, kError, 0,
       {"Restoring modem to orginal settings", "",
        "Does not support setting of dial time out, required for this test",
        "   You must manually test the saving of settings"}, false},
      {"AT &W", 3, std::nullopt, 5000,
       {"Auto Answer Set to 0 rings", "Error writing settings, aborting test"}, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.prefix) + " #" + std::to_string(row.nth));
    ProxiedScenario p({.level = 0});
    p.proxy->prefix = row.prefix;
    p.proxy->nth = row.nth;
    p.proxy->answer = row.answer;
    p.s.Click(p.s.Form().SavingSettingsTest1);

    EXPECT_EQ(Tail(p.s.Log(), row.tail.size()), row.tail);
    ASSERT_FALSE(p.proxy->written.empty());
    EXPECT_TRUE(p.proxy->written.back().starts_with(row.prefix));
    if (row.timeoutMs) {
      const Millis waited = platform::clock::Now() - p.proxy->answeredAt;
      EXPECT_GE(waited, row.timeoutMs);
      EXPECT_LT(waited, row.timeoutMs + 50);
    }
    EXPECT_EQ(p.s.Form().LineNoticesEnabled, row.noticesOn);
    ExpectEndedEarly(p.s);
  }
}

TEST(SavingSettingsFaults, ModemFoundNowhereEndsBeforeOpening) {
  scenario::Scenario s({.profile = "dead", .level = 0});
  s.Click(s.Form().SavingSettingsTest1);
  EXPECT_EQ(s.Log(), (Lines{"Modem NOT detected at 19200, Try again", "",
                            "No Modem detected stopping test"}));
  ExpectEndedEarly(s, false);
}

TEST(SavingSettingsFaults, ModemThatCannotStore) {
  scenario::Scenario s({.profile = "no-store", .level = 0});
  s.Click(s.Form().SavingSettingsTest1);
  EXPECT_EQ(s.Log(), (Lines{"", "", "Does not support writing of settings",
                            "   Use the init string to configure the modem"}));
  ExpectEndedEarly(s);
}

// A register at 255 has no test value above it: the run stops before any
// register is set, rather than probe with 0.
TEST(SavingSettingsFaults, RegisterAlreadyAtItsTop) {
  const Lines start = {"", "", "Indicated supports writing of settings", ""};
  {
    ProxiedScenario p({.profile = "s7-max", .level = 0});
    p.s.Click(p.s.Form().SavingSettingsTest1);
    Lines expected = start;
    expected.insert(expected.end(),
                    {"Dial Time out setting 255", "Orginal auto answer value 0",
                     "Dial timeout (S7) holds 255, which cannot be raised by one: test cannot "
                     "run, S7 and S0 were not changed"});
    EXPECT_EQ(p.s.Log(), expected);
    EXPECT_EQ(p.proxy->written.back(), "AT S0?");
    EXPECT_EQ(p.s.Modem().Register(7), 255);
    ExpectEndedEarly(p.s);
  }
  {
    ProxiedScenario p({.level = 0});
    p.proxy->prefix = "AT S0?";
    p.proxy->nth = 1;
    p.proxy->answer = "\r\n255\r\n\r\nOK\r\n";
    p.s.Click(p.s.Form().SavingSettingsTest1);
    EXPECT_EQ(Tail(p.s.Log(), 3),
              (Lines{"Dial Time out setting 50", "Orginal auto answer value 255",
                     "Auto answer (S0) holds 255, which cannot be raised by one: test cannot "
                     "run, S7 and S0 were not changed"}));
    EXPECT_EQ(p.proxy->written.back(), "AT S0?");
    ExpectEndedEarly(p.s);
  }
}

// Power-cycled at the box and deaf from then on; the notices stay on.
TEST(SavingSettingsFaults, ModemNotBackAfterThePowerCycle) {
  ProxiedScenario p({.level = 3});
  p.s.Ui().onMessageBox = [&p](const toolkit::HeadlessBackend::Box&) {
    p.proxy->deaf = true;
    p.s.Modem().PowerCycle();
  };
  p.s.Click(p.s.Form().SavingSettingsTest1);
  EXPECT_EQ(Tail(p.s.Log(), 5),
            (Lines{"Waiting for power cycle of modem.", "DSR line lowered", "DSR line raised",
                   "Detecting modem", "Could not detect modem after power cycle. Test aborted"}));
  EXPECT_TRUE(p.s.Form().LineNoticesEnabled);
  ExpectEndedEarly(p.s);
}

// With the echo in front, the number is still read from the reply's last
// line: the checks pass and the restore stores the modem's own values, not 0.
TEST(SavingSettingsFaults, EchoInFrontOfTheNumber) {
  ProxiedScenario p({.level = 0});
  p.proxy->echoed = {"AT S7?", "AT S0?"};
  p.s.Click(p.s.Form().SavingSettingsTest1);
  const Lines log = p.s.Log();

  EXPECT_TRUE(scenario::ContainsRun(
      log, {"Dial Time out setting 50", "Orginal auto answer value 0",
            "Dial Timeout set to 51 Seconds", "Auto Answer Set to 1 rings",
            "Dial Time out setting checked", "Did get correct auto answer value"}));
  EXPECT_FALSE(Contains(log, "Did not get correct dial timeout (S7) value"));
  EXPECT_TRUE(Contains(p.proxy->written, "AT S7=50"));
  EXPECT_FALSE(Contains(p.proxy->written, "AT S7=0"));
  EXPECT_EQ(log.back(), "Test Finished, results copied to clipboard");
}

// S0 reads wrong only after "AT &W": that is not expected, and the run goes
// on to the reset.
TEST(SavingSettingsFaults, AutoAnswerWrongAfterWriting) {
  ProxiedScenario p({.level = 0});
  p.proxy->prefix = "AT S0?";
  p.proxy->nth = 3;  // the initial value, the check after setting, this one
  p.proxy->answer = "\r\n000\r\n\r\nOK\r\n";
  p.s.Click(p.s.Form().SavingSettingsTest1);
  const Lines log = p.s.Log();
  EXPECT_TRUE(scenario::ContainsRun(
      log, {"Wrote Settings.", "", "Dial Time out setting checked",
            "Did not get correct auto answer (S0) value, Not expected", "Read S0, Got ", "000",
            "", "", "", "Modem Reseting"}));
  EXPECT_EQ(log.back(), "Test Finished, results copied to clipboard");
}

}  // namespace
