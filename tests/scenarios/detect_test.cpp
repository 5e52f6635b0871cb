// The Detect commands against simulated modems and scripted replies.
#include <gtest/gtest.h>

#include "platform/commapi/virtual_device.h"
#include "tests/support/Scenario.h"
#include "tests/support/ScriptedModem.h"
#include "tests/support/ScopedEnv.h"

namespace {

using Lines = std::vector<std::string>;
using scenario::Options;
using scenario::Scenario;

struct Speed {
  const char* text;
  toolkit::TMenuItem* TMain_Form::*item;
  bool TMain_Form::*flag;
};

const Speed kSpeeds[] = {
    {"9600", &TMain_Form::N96001, &TMain_Form::DetectedAt9600},
    {"19200", &TMain_Form::N192001, &TMain_Form::DetectedAt19200},
    {"38400", &TMain_Form::N384001, &TMain_Form::DetectedAt38400},
};

TEST(Detect, FindsAStandardModemAtEachSpeedAndClosesThePort) {
  for (const Speed& speed : kSpeeds) {
    SCOPED_TRACE(speed.text);
    Scenario s;
    s.Click(s.Form().*speed.item);
    EXPECT_EQ(s.Log(), (Lines{"Detecting modem", std::string("Modem detected at ") + speed.text}));
    EXPECT_TRUE(s.Form().*speed.flag);
    EXPECT_FALSE(s.Form().SerialPort().Connected());
  }
}

TEST(Detect, SuccessIsSilentBelowNormal) {
  for (std::uint8_t level : {0, 1}) {
    Scenario s({.level = level});
    s.Click(s.Form().N384001);
    EXPECT_TRUE(s.Log().empty()) << int(level);
    EXPECT_TRUE(s.Form().DetectedAt38400);
  }
}

TEST(Detect, SilenceLogsTheTextAndTheEmptyReceiveBuffer) {
  struct Case {
    std::uint8_t level;
    Lines log;
  };
  for (const Case& c : {Case{2, {"Detecting modem", "Modem NOT detected at 38400, Try again", ""}},
                        Case{0, {"Modem NOT detected at 38400, Try again", ""}}}) {
    Scenario s({.profile = "dead", .level = c.level});
    const auto started = platform::clock::Now();
    s.Click(s.Form().N384001);
    EXPECT_EQ(s.Log(), c.log);
    EXPECT_FALSE(s.Form().DetectedAt38400);
    EXPECT_FALSE(s.Form().SerialPort().Connected());
    // The 1000 ms pause, then the 1500 ms wait for "AT V1".
    EXPECT_GE(platform::clock::Now() - started, 2500);
    EXPECT_LT(platform::clock::Now() - started, 2600);
  }
}

// A modem on the line that the test scripts.
class ScriptedDetect : public ::testing::Test {
 protected:
  void SetUp() override { commapi::BindVirtualDevice("\\\\.\\COM1", modem); }
  Scenario s{{.level = 2}};
  std::shared_ptr<testsupport::ScriptedModem> modem = testsupport::ScriptedModem::Create();
};

TEST_F(ScriptedDetect, ErrorIsReportedAtEveryLevel) {
  modem->Answer("AT V1", "\r\nERROR\r\n");
  s.Click(s.Form().N192001);
  EXPECT_EQ(s.Log(), (Lines{"Detecting modem", "Error returned, try again at 19200"}));
  EXPECT_FALSE(s.Form().DetectedAt19200);

  s.Click(s.Form().Summary);
  s.Click(s.Form().N96001);
  EXPECT_EQ(s.Log(), (Lines{"Error returned, try again at 9600"}));
}

TEST_F(ScriptedDetect, UnrecognisedTextIsShownLineByLine) {
  modem->Answer("AT V1", "AT V1\r\nOK");  // no line end after OK: not a reply
  s.Click(s.Form().N96001);
  EXPECT_EQ(s.Log(),
            (Lines{"Detecting modem", "Modem NOT detected at 9600, Try again", "AT V1", "OK"}));
}

TEST_F(ScriptedDetect, RaisesRtsThenDtrBeforeAskingAndWaitsASecond) {
  platform::clock::Millis askedAt = -1;
  modem->On("AT V1", [&](testsupport::ScriptedModem& m) {
    askedAt = platform::clock::Now();
    m.Send("OK\r\n", 20);
  });
  s.Form().SetControlLines(false, false);
  const auto started = platform::clock::Now();
  s.Click(s.Form().N96001);
  using O = testsupport::ScriptedModem::Outputs;
  EXPECT_EQ(modem->OutputChanges(), (std::vector<O>{{.dtr = false, .rts = false},
                                                    {.dtr = false, .rts = true},
                                                    {.dtr = true, .rts = true}}));
  EXPECT_GE(askedAt - started, 1000);
  EXPECT_TRUE(s.Form().DetectedAt9600);
}

TEST(Detect, EachCommandRecordsOnlyItsOwnSpeed) {
  // This modem only understands 9600 baud.
  Scenario s({.profile = "fixed-9600"});
  s.Click(s.Form().N96001);
  EXPECT_TRUE(s.Form().DetectedAt9600);
  s.Click(s.Form().N192001);
  EXPECT_TRUE(s.Form().DetectedAt9600);
  EXPECT_FALSE(s.Form().DetectedAt19200);
  const Lines log = s.Log();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0], "Detecting modem");
  EXPECT_EQ(log[1], "Modem NOT detected at 19200, Try again");
  s.Click(s.Form().N384001);
  EXPECT_FALSE(s.Form().DetectedAt38400);
}

TEST(Detect, APortThatCannotBeOpenedEndsTheCommandWithAnEmptyLog) {
  testsupport::ScopedEnv missing("TELVORA_COM7", "telvora-missing-port");
  Scenario s({.port = comms::COM1});
  s.Form().LogLine("left from before");
  s.Click(s.Form().COM71);
  try {
    s.Form().N96001Click(nullptr);
    ADD_FAILURE() << "no error";
  } catch (const comms::EComPort& error) {
    EXPECT_STREQ(error.what(), "Unable to open com port: 2");
  }
  EXPECT_TRUE(s.Log().empty());
}

}  // namespace
