// PlaceTestCall and HangUp: each outcome, at the levels where lines differ.
#include <gtest/gtest.h>

#include "tests/scenarios/modem_operations_support.h"

namespace {

using opstest::LevelLog;
using opstest::Lines;
using opstest::LogOf;
using opstest::OpenOn;
using opstest::Scripted;
using platform::clock::Now;

const Lines kLineChecks = {"Carrier Detect low before calling, expected.",
                           "CTS line high before calling",
                           "DSR line high before calling",
                           "Output CTS flow control False",
                           "Output DSR flow control False",
                           "Output Xon/Xoff flow control False",
                           "Input  Xon/Xoff flow control False",
                           "Control DTR 1",
                           "Control RTS 1"};

Lines Concat(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(PlaceTestCall, ConnectedWithWelcome) {
  const LevelLog cases[] = {
      {4,
       Concat(kLineChecks, {"Dialed and Connected", "Carrier Detect high after calling, expected",
                            "Got Welcome message from server"})},
      {3,
       {"Carrier Detect low before calling, expected.", "Dialed and Connected",
        "Carrier Detect high after calling, expected", "Got Welcome message from server"}},
      {2, {"Dialed and Connected", "Got Welcome message from server"}},
      {0, {}},
  };
  for (const LevelLog& c : cases) {
    auto s = OpenOn("standard", c.level);
    bool connected = false;
    EXPECT_EQ(LogOf(*s, [&] { connected = s->Form().PlaceTestCall(); }), c.log) << int(c.level);
    EXPECT_TRUE(connected);
    EXPECT_TRUE(s->Form().SerialPort().CarrierState());  // the call stays up
  }
}

TEST(PlaceTestCall, ConnectedWithoutWelcomeStillSucceeds) {
  auto s = OpenOn("no-welcome", 2);
  bool connected = false;
  EXPECT_EQ(LogOf(*s, [&] { connected = s->Form().PlaceTestCall(); }),
            (Lines{"Dialed and Connected", "Did not get Welcome message from server"}));
  EXPECT_TRUE(connected);
}

TEST(PlaceTestCall, NoCarrierIsReportedAtEveryLevel) {
  auto s = OpenOn("no-carrier", 0);
  bool connected = true;
  EXPECT_EQ(LogOf(*s, [&] { connected = s->Form().PlaceTestCall(); }),
            (Lines{"Dialed, no carrier. (Line busy?)"}));
  EXPECT_FALSE(connected);
}

TEST(PlaceTestCall, ErrorIsReportedAtEveryLevel) {
  Scripted m(0);
  m.modem->Answer("ATDT 5551234", "\r\nERROR\r\n");
  EXPECT_FALSE(m.Form().PlaceTestCall());
  EXPECT_EQ(m.s->Log(), (Lines{"Dial returned error, (Check phone number)"}));
}

TEST(PlaceTestCall, ATimeOutIsReportedFromNormalOn) {
  for (std::uint8_t level : {2, 1}) {
    auto s = OpenOn("dead", level);
    const auto started = Now();
    bool connected = true;
    const Lines log = LogOf(*s, [&] { connected = s->Form().PlaceTestCall(); });
    EXPECT_EQ(log, level >= 2 ? Lines{"Dial timed out"} : Lines{});
    EXPECT_FALSE(connected);
    EXPECT_GE(Now() - started, 53000);  // the 50 s wait and the closing pause
  }
}

TEST(PlaceTestCall, ConnectWithoutCarrierIsNotedFromMinimalOn) {
  Scripted m(1);
  m.modem->SetLines(true, true, false);
  m.modem->Answer("ATDT 5551234", "CONNECT 9600\r\n", 2000);  // carrier stays low
  EXPECT_TRUE(m.Form().PlaceTestCall());
  EXPECT_EQ(m.s->Log(), (Lines{"Carrier Detect low after calling, not expected."}));
}

TEST(PlaceTestCall, AWelcomeArrivingAfterTheClosingPauseIsNotSeen) {
  // CONNECT ends the wait at about 2 s, the pause ends at about 5 s; the
  // greeting at 6 s falls into the plain sleep, where nothing is handled.
  Scripted m(2);
  m.modem->On("ATDT 5551234", [](testsupport::ScriptedModem& modem) {
    modem.SetLines(true, true, true);
    modem.Send("CONNECT 9600\r\n", 2000);
    modem.Send("Welcome\r\n", 6000);
  });
  EXPECT_TRUE(m.Form().PlaceTestCall());
  EXPECT_EQ(m.s->Log(), (Lines{"Dialed and Connected", "Did not get Welcome message from server"}));
  m.Form().Pause(10);
  EXPECT_TRUE(m.Form().GotWelcome);  // it was waiting in the queue
}

TEST(PlaceTestCall, DialsTheNumberAsItStandsAlsoWhenEmptyOrNextel) {
  struct Case {
    std::optional<std::string> phone;
    bool nextel;
    std::string dialled;
  };
  for (const Case& c : {Case{"5551234", true, "ATDT 5551234"}, Case{"", false, "ATDT "},
                        Case{"9,555 12-34", false, "ATDT 9,555 12-34"}}) {
    Scripted m(0, {.phone = c.phone, .nextel = c.nextel});
    m.Form().PlaceTestCall();
    EXPECT_EQ(m.modem->Written(), c.dialled + "\r\n");
  }
}

// A standard modem with a call up.
std::unique_ptr<scenario::Scenario> InACall(const std::string& profile, std::uint8_t level) {
  auto s = OpenOn(profile, level);
  EXPECT_TRUE(s->Form().PlaceTestCall());
  return s;
}

TEST(HangUp, ReturnsToCommandModeAndHangsUp) {
  const LevelLog cases[] = {
      {4,
       {"Hang up, takes upto 15 seconds", "Did return to command mode",
        "Phone hung up, without reply. This is not a problem"}},
      {2, {"Hang up, takes upto 15 seconds"}},
      {1, {}},
  };
  for (const LevelLog& c : cases) {
    auto s = InACall("standard", c.level);
    EXPECT_EQ(LogOf(*s, [&] { s->Form().HangUp(); }), c.log) << int(c.level);
    EXPECT_FALSE(s->Form().SerialPort().CarrierState());
  }
}

TEST(HangUp, AModemThatHangsUpOnTheEscapeGetsNoH0) {
  auto s = InACall("hangup-on-escape", 4);
  EXPECT_EQ(
      LogOf(*s, [&] { s->Form().HangUp(); }),
      (Lines{"Hang up, takes upto 15 seconds", "Hangs up on return to command mode via +++"}));

  Scripted m(4);
  m.modem->Answer("+++", "\r\nNO CARRIER\r\n", 1000);
  m.Form().HangUp();
  EXPECT_EQ(m.modem->Lines(), (Lines{"+++"}));
}

TEST(HangUp, AModemThatIgnoresH0IsHungUpByDroppingDtr) {
  const LevelLog cases[] = {
      {4,
       {"Hang up, takes upto 15 seconds", "Did return to command mode",
        "Carrier Detect high after hang up. Most likely manual hang up required",
        "Attempting to hang up using DTR", "Dropped connection by lowering DTR."}},
      {1, {"Carrier Detect high after hang up. Most likely manual hang up required"}},
  };
  for (const LevelLog& c : cases) {
    auto s = InACall("ignores-hangup", c.level);
    EXPECT_EQ(LogOf(*s, [&] { s->Form().HangUp(); }), c.log) << int(c.level);
    EXPECT_EQ(s->Form().SerialPort().FlowControl().ControlDtr(), comms::dtrEnable);
    EXPECT_FALSE(s->Form().SerialPort().CarrierState());
  }
}

TEST(HangUp, ASilentModemThatKeepsItsCarrier) {
  Scripted m(4);
  m.modem->SetLines(true, true, true);
  const auto started = Now();
  m.Form().HangUp();
  EXPECT_EQ(
      m.s->Log(),
      (Lines{"Hang up, takes upto 15 seconds",
             "Did not return message on return to command mode, may not have returned",
             "Carrier Detect high after hang up. Most likely manual hang up required",
             "Attempting to hang up using DTR", "Carrier Detect still high after DTR hang up."}));
  EXPECT_EQ(m.modem->Lines(), (Lines{"+++", "AT H0"}));
  using O = testsupport::ScriptedModem::Outputs;
  EXPECT_EQ(m.modem->OutputChanges(), (std::vector<O>{{true, true}, {false, true}, {true, true}}));
  // 3.5 s + 3.5 s + 0.5 s + 8 s of waiting, 1.1 s for DTR, and the passes.
  EXPECT_GE(Now() - started, 16600);
  EXPECT_LE(Now() - started, 16700);
}

TEST(HangUp, NoCarrierAfterH0MeansHungUp) {
  Scripted m(2);
  m.modem->SetLines(true, true, true);
  m.modem->Answer("+++", "\r\nOK\r\n", 1000);
  m.modem->On("AT H0", [](testsupport::ScriptedModem& modem) {
    modem.SetLines(true, true, false);
    modem.Send("\r\nNO CARRIER\r\n", 50);
  });
  m.Form().HangUp();
  EXPECT_EQ(m.s->Log(), (Lines{"Hang up, takes upto 15 seconds", "Phone hung up"}));
}

}  // namespace
