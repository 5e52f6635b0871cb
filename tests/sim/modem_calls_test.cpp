// Calls, the escape sequence, DTR and RTS handling of the simulated modem.
#include "tests/sim/modem_fixture.h"

namespace simtest {
namespace {

using namespace sim::timing;

TEST_F(ModemTest, DialConnectsAndTheAnsweringSystemGreets) {
  Plug("standard");
  EXPECT_EQ(Say("ATDT 5551234\r\n", kConnectMs - 1), "ATDT 5551234\r\n");
  Wait(kResultDelayMs + 1);
  EXPECT_EQ(Take(), "[CD+]\r\nCONNECT 19200\r\n");
  EXPECT_TRUE(line.lines.dsr);
  Wait(kGreetingMs);
  EXPECT_EQ(Take(), "Welcome\r\n");
  EXPECT_EQ(Say("hello AT\r\n"), "") << "online: no echo, no commands";
  EXPECT_EQ(modem->AnsweringSystemReceived(), "hello AT\r\n");
}

TEST_F(ModemTest, EscapeNeedsSilenceOnBothSides) {
  Plug("standard");
  Connect();
  // Silence before, but a byte inside the closing guard time.
  Wait(1100);
  modem->Transmit("+++");
  Wait(500);
  EXPECT_EQ(Say("x", 2000), "");
  EXPECT_TRUE(modem->Online());
  // No silence before.
  Wait(1100);
  modem->Transmit("a");
  Wait(500);
  EXPECT_EQ(Say("+++", 2000), "");
  EXPECT_TRUE(modem->Online());
  // A shorter guard time (S12 = 10: 200 ms) is honoured once back in command mode.
  EXPECT_EQ(Escape(), "\r\nOK\r\n");
  EXPECT_TRUE(modem->CallUp());
  EXPECT_FALSE(modem->Online());
  EXPECT_EQ(Say("ATE0 S12=10 O\r\n"), "ATE0 S12=10 O\r\n\r\nCONNECT 19200\r\n");
  Wait(200);
  modem->Transmit("+++");
  Wait(199);
  EXPECT_EQ(Take(), "");
  Wait(1);
  EXPECT_EQ(Take(), "\r\nOK\r\n");
  // The escapes went to the far end as data, as on a real line.
  EXPECT_EQ(modem->AnsweringSystemReceived(),
            "+++x"
            "a+++"
            "+++"
            "+++");
  // Hang up from command mode.
  EXPECT_EQ(Say("ATH0\r\n"), "[CD-]\r\nOK\r\n");
  EXPECT_FALSE(modem->CallUp());
  EXPECT_EQ(Say("ATO\r\n"), "\r\nNO CARRIER\r\n");
}

TEST_F(ModemTest, CallOutcomesFollowTheProfileAndS7) {
  Plug("no-carrier");
  EXPECT_EQ(Say("ATE0DT1\r\n", kHandshakeFailMs + 100), "ATE0DT1\r\n\r\nNO CARRIER\r\n");
  modem->Detach();

  Plug("standard");
  EXPECT_EQ(Say("ATE0S7=5DT1\r\n", 5000 + 100), "ATE0S7=5DT1\r\n\r\nNO CARRIER\r\n")
      << "gives up waiting for carrier after S7 seconds";
  modem->Detach();

  Plug("no-welcome");
  EXPECT_EQ(Say("ATE0DT1\r\n", kConnectMs + 5000), "ATE0DT1\r\n[CD+]\r\nCONNECT 19200\r\n");
  modem->Detach();

  Plug("hangup-on-escape");
  Connect();
  EXPECT_EQ(Escape(), "[CD-]\r\nNO CARRIER\r\n");
  EXPECT_FALSE(modem->CallUp());
  modem->Detach();

  Plug("ignores-hangup");
  Connect();
  Escape();
  EXPECT_EQ(Say("ATH0\r\n"), "ATH0\r\n\r\nOK\r\n");
  EXPECT_TRUE(modem->CallUp()) << "H0 did not hang up";
  SetLines(false, true);
  EXPECT_EQ(Take(), "[CD-]\r\nNO CARRIER\r\n") << "DTR does";
}

TEST_F(ModemTest, DtrDropHangsUpAndSilencesTheModemUnderD2) {
  Plug("standard");
  Connect();
  SetLines(false, true);
  EXPECT_EQ(Take(), "[CD-]\r\nNO CARRIER\r\n");
  EXPECT_EQ(Say("ATDT1\r\n", kConnectMs + 1000), "") << "no echo, no result, no dial";
  SetLines(true, true);
  EXPECT_EQ(Say("AT\r\n"), "AT\r\n\r\nOK\r\n");
}

TEST_F(ModemTest, DtrIsIgnoredUnderD0AndByTheIgnoringProfile) {
  for (const char* profile : {"standard", "ignores-dtr"}) {
    Plug(profile);
    if (std::string(profile) == "standard") Say("AT&D0\r\n");
    SetLines(false, true);
    EXPECT_EQ(Say("AT\r\n"), "AT\r\n\r\nOK\r\n") << profile;
    Connect();
    SetLines(true, true);
    SetLines(false, true);
    EXPECT_TRUE(modem->Online()) << profile;
    modem->Detach();
  }
}

TEST_F(ModemTest, LowRtsHoldsEverythingBackUntilItRises) {
  Plug("standard");
  SetLines(true, false);
  EXPECT_EQ(Say("ATDT1\r\n", kConnectMs + kGreetingMs + 100), "[CD+]")
      << "the carrier line is not held back";
  SetLines(true, true);
  EXPECT_EQ(Take(), "ATDT1\r\n\r\nCONNECT 19200\r\nWelcome\r\n");

  // A DTR hang-up's NO CARRIER waits for RTS too.
  SetLines(true, false);
  SetLines(false, false);
  EXPECT_EQ(Take(), "[CD-]");
  SetLines(true, true);
  EXPECT_EQ(Take(), "\r\nNO CARRIER\r\n");

  // A power cycle loses what is held.
  SetLines(true, false);
  Say("AT\r\n");
  modem->PowerCycle();
  Wait(kBackAfterPowerCycleMs);
  SetLines(true, true);
  EXPECT_EQ(Take(), "");
}

TEST_F(ModemTest, FlowControlCommandsDecideWhetherRtsHoldsOutput) {
  const struct {
    const char* profile;
    const char* setup;
    bool holds;
  } cases[] = {
      {"standard", "", true},         {"standard", "\\Q0", false},
      {"standard", "&K0", false},     {"standard", "&H0 &R1", false},
      {"standard", "&K0 \\Q3", true}, {"standard", "\\Q0 &K3", true},
      {"standard", "&R1 &R2", true},  {"standard", "&H0", true},
      {"no-flow-control", "", false}, {"no-flow-control", "&K3", false},
      {"flow-locked", "", true},
  };
  for (const auto& c : cases) {
    Plug(c.profile);
    Say("ATE0" + std::string(c.setup) + "\r\n");
    SetLines(true, false);
    EXPECT_EQ(Say("AT\r\n").empty(), c.holds) << c.profile << ' ' << c.setup;
    modem->Detach();
  }
}

TEST_F(ModemTest, DsrAndCarrierDetectFollowTheirSettings) {
  struct Case {
    const char* profile;
    const char* setup;
    bool dtr;
    bool dsrIdle, dsrInCall, cdIdle;
  };
  const Case cases[] = {
      {"standard", "", true, true, true, false},
      {"standard", "&S1", true, false, true, false},
      {"standard", "&C0", true, true, true, true},
      {"dsr-low", "", true, false, false, false},
      {"dsr-follows-dtr", "&D0", true, true, true, false},
      {"dsr-follows-dtr", "&D0", false, false, false, false},
  };
  for (const Case& c : cases) {
    Plug(c.profile);
    Say("AT" + std::string(c.setup) + "\r\n");
    SetLines(c.dtr, true);
    EXPECT_EQ(line.lines.dsr, c.dsrIdle) << c.profile << ' ' << c.setup << ' ' << c.dtr;
    EXPECT_EQ(line.lines.rlsd, c.cdIdle) << c.profile << ' ' << c.setup;
    Connect();
    EXPECT_EQ(line.lines.dsr, c.dsrInCall) << c.profile << ' ' << c.setup << ' ' << c.dtr;
    EXPECT_TRUE(line.lines.rlsd);
    modem->Detach();
  }
}

TEST_F(ModemTest, ClosingThePortDropsDtrAndUnpluggingVanishes) {
  Plug("standard");
  Connect();
  modem->Detach();
  EXPECT_FALSE(modem->CallUp()) << "a closed port drops DTR, which hangs up under &D2";

  modem->Attach(line);
  Connect();
  modem->Unplug();
  EXPECT_TRUE(line.vanished);
  EXPECT_FALSE(modem->CallUp());
  line.text.clear();
  modem->Transmit("AT\r\n");
  Wait(1000);
  EXPECT_EQ(line.text, "") << "nothing reaches a vanished port";
}

}  // namespace
}  // namespace simtest
