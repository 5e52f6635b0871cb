// Command mode of the simulated modem: echo, result formats, registers and
// the stored profile.
#include "tests/sim/modem_fixture.h"

namespace simtest {
namespace {

using sim::timing::kResultDelayMs;

TEST_F(ModemTest, EchoesAtOnceAndAnswersAfterProcessing) {
  Plug("standard");
  modem->Transmit("AT V1\r\n");
  EXPECT_EQ(line.text, "AT V1\r\n");  // the line end too, before the result
  Wait(kResultDelayMs - 1);
  EXPECT_EQ(line.text, "AT V1\r\n");
  Wait(1);
  EXPECT_EQ(line.text, "AT V1\r\n\r\nOK\r\n");
}

TEST_F(ModemTest, FindsCommandLinesInWhateverArrives) {
  Plug("standard");
  EXPECT_EQ(Say("xx\r\nat\r"), "xx\r\nat\r\r\nOK\r\n");
  EXPECT_EQ(Say("AaT E0\r\n"), "AaT E0\r\n\r\nOK\r\n");  // E0 answers with the echo still on
  EXPECT_EQ(Say("AT &D0 \\Q0\r\n"), "\r\nOK\r\n");
  EXPECT_EQ(Say("AT &S5\r\n"), "\r\nERROR\r\n");
  EXPECT_EQ(Say("AT S7=3J\r\n"), "\r\nERROR\r\n");
  EXPECT_EQ(modem->Register(7), 50) << "a rejected line changes nothing";
  EXPECT_EQ(Say("AT S7=4\r\n"), "\r\nOK\r\n");
  EXPECT_EQ(Say("ATS7=9\b8\r\n"), "\r\nOK\r\n");
  EXPECT_EQ(modem->Register(7), 8) << "backspace removes the 9";
  EXPECT_EQ(Say("AT" + std::string(300, ' ') + "\r\n"), "\r\nERROR\r\n") << "overlong line";
}

TEST_F(ModemTest, ResultsTakeTheFormTheirLineSets) {
  Plug("standard");
  Say("ATE0\r\n");
  const struct {
    const char* line;
    const char* reply;
  } cases[] = {
      {"AT S7?\r\n", "\r\n050\r\n\r\nOK\r\n"},
      {"AT I3\r\n", "\r\nTELVORA SIMULATED MODEM 33600\r\n\r\nOK\r\n"},
      {"AT V0\r\n", "0\r"},
      {"AT S12?\r\n", "050\r\n0\r"},
      {"AT NONSENSE\r\n", "4\r"},
      {"AT V1\r\n", "\r\nOK\r\n"},
      {"AT Q1\r\n", ""},
      {"AT S0?\r\n", "\r\n000\r\n"},  // information still comes when quiet
      {"AT Q0 V0\r\n", "0\r"},
  };
  for (const auto& c : cases) EXPECT_EQ(Say(c.line), c.reply) << c.line;
}

TEST_F(ModemTest, StoredProfileSurvivesResetAndPowerCycle) {
  Plug("standard");
  EXPECT_EQ(Say("AT S7=60 S0=2 &W\r\n"), "AT S7=60 S0=2 &W\r\n\r\nOK\r\n");
  Say("AT S7=70 E0 V0\r\n");
  EXPECT_EQ(modem->Register(7), 70);
  // Z answers in the form of the profile it loads, after its reset time.
  line.text.clear();
  modem->Transmit("ATZ\r\n");
  Wait(kResultDelayMs + sim::timing::kResetMs - 1);
  EXPECT_EQ(Take(), "");
  Wait(1);
  EXPECT_EQ(Take(), "\r\nOK\r\n");
  EXPECT_EQ(modem->Register(7), 60);
  EXPECT_EQ(modem->Register(0), 2);

  Say("AT S7=80\r\n");
  modem->PowerCycle();
  Wait(sim::timing::kBackAfterPowerCycleMs);
  EXPECT_EQ(modem->Register(7), 60);
  EXPECT_EQ(Say("AT&F\r\n"), "AT&F\r\n\r\nOK\r\n");
  EXPECT_EQ(modem->Register(7), 50);
  EXPECT_EQ(modem->Register(0), 0);
}

TEST_F(ModemTest, PowerCycleDropsLinesAndEverythingPending) {
  Plug("standard");
  modem->Transmit("AT\r\n");  // its result is pending
  modem->PowerCycle();
  EXPECT_EQ(line.lines, sim::LineStates{}) << "all lines drop at once";
  EXPECT_FALSE(modem->Powered());
  Wait(sim::timing::kBackAfterPowerCycleMs - 1);
  EXPECT_EQ(Take(), "AT\r\n") << "the result was lost with the power";
  EXPECT_EQ(Say("AT\r\n", 0), "") << "switched off";
  Wait(1);
  EXPECT_TRUE(modem->Powered());
  EXPECT_EQ(line.lines, (sim::LineStates{true, true, false}));
  EXPECT_EQ(Say("AT\r\n"), "AT\r\n\r\nOK\r\n");
}

TEST_F(ModemTest, DeadModemNeverAnswers) {
  Plug("dead");
  EXPECT_EQ(Say("AT V1\r\n", 3000), "");
  EXPECT_TRUE(line.lines.cts);
}

TEST_F(ModemTest, NumericProfilesAnswerWithCodes) {
  Plug("numeric");
  EXPECT_EQ(Say("AT\r\n"), "0\r");
  EXPECT_EQ(Say("AT V1\r\n"), "\r\nOK\r\n");
  EXPECT_EQ(Say("AT Z\r\n"), "0\r") << "Z brings the stored E0 V0 back";

  modem->Detach();
  Plug("echo-numeric");
  EXPECT_EQ(Say("AT E0\r\n"), "AT E0\r\n0\r");
}

TEST_F(ModemTest, ProfilesRefuseTheCommandsTheirFirmwareLacks) {
  const struct {
    const char* profile;
    const char* command;
    bool ok;
  } cases[] = {
      {"standard", "AT\\Q0", true},     {"standard", "AT &K0", true},
      {"standard", "AT &H0 &R1", true}, {"standard", "AT &D0", true},
      {"standard", "AT &W", true},      {"k0-only", "AT\\Q0", false},
      {"k0-only", "AT &K0", true},      {"k0-only", "AT &H0 &R1", false},
      {"hr-only", "AT\\Q0", false},     {"hr-only", "AT &K0", false},
      {"hr-only", "AT &H0 &R1", true},  {"flow-locked", "AT\\Q2", false},
      {"flow-locked", "AT &K3", false}, {"flow-locked", "AT &R2", false},
      {"strict-dtr", "AT &D0", false},  {"strict-dtr", "AT &D2", true},
      {"no-store", "AT &W", false},
  };
  for (const auto& c : cases) {
    Plug(c.profile);
    const std::string command = c.command;
    EXPECT_EQ(Say(command + "\r\n"), command + "\r\n\r\n" + (c.ok ? "OK" : "ERROR") + "\r\n")
        << c.profile << ' ' << command;
    modem->Detach();
  }
}

// Each row: a fresh modem with its echo off, a line, what comes back.
TEST_F(ModemTest, RealModemQuirksByteForByte) {
  const struct {
    const char* profile;
    std::string line;
    platform::clock::Millis wait;
    std::string reply;
  } cases[] = {
      {"standard", "AT X4 M1 L2 &V &Y0 F1 &F\r\n", 300, "\r\nOK\r\n"},
      {"usb-cdc", "AT S7 ?\r\n", 300, "\r\n50\r\n\r\nOK\r\n"},
      {"sticky-echo", "AT S0?\r\n", 300, "AT S0?\r\n\r\n000\r\n\r\nOK\r\n"},
      {"ok-to-all", "AT &S5 J\r\n", 300, "\r\nOK\r\n"},
      {"short-line", "AT" + std::string(38, ' ') + "\r\n", 300, "\r\nOK\r\n"},
      {"short-line", "AT" + std::string(39, ' ') + "\r\n", 300, "\r\nERROR\r\n"},
      {"busy-line", "ATDT1\r\n", 6000, "\r\nBUSY\r\n"},
      {"busy-line", "ATX2DT1\r\n", 6000, "\r\nNO CARRIER\r\n"},
      {"no-dialtone", "ATX2DT1\r\n", 6000, "\r\nNO DIALTONE\r\n"},
      {"no-dialtone", "ATX3DT1\r\n", 6000, "\r\nNO CARRIER\r\n"},
      {"verbose-connect", "ATDT1\r\n", 6500,
       "\r\nRING\r\n[CD+]\r\nCARRIER 33600\r\n\r\nPROTOCOL: LAPM\r\n\r\nCOMPRESSION: "
       "V.42BIS\r\n\r\nCONNECT 33600/ARQ/V34/LAPM/V42BIS\r\n"},
      // Noise inside the answer to the tenth line of the modem's life.
      {"noisy-replies", "AT\rAT\rAT\rAT\rAT\rAT\rAT\rAT\rAT\r", 300,
       [] {
         std::string eight;
         for (int i = 0; i < 8; ++i) eight += "\r\nOK\r\n";
         return eight + "\r\nO~K\r\n";
       }()},
  };
  for (const auto& c : cases) {
    Plug(c.profile);
    Say("ATE0\r\n");
    EXPECT_EQ(Say(c.line, c.wait), c.reply) << c.profile << ' ' << c.line;
    modem->Detach();
  }
}

TEST_F(ModemTest, FactoryValuesAtPowerUpStoredOnesAtReset) {
  Plug("factory-power-up");
  Say("AT S7=60 &W\r\n");
  modem->PowerCycle();
  Wait(sim::timing::kBackAfterPowerCycleMs);
  EXPECT_EQ(modem->Register(7), 50) << "factory values at power-up";
  Say("ATZ\r\n");
  EXPECT_EQ(modem->Register(7), 60) << "the stored ones at reset";
}

// A reset that restarts the firmware for 1.5 s hears nothing meanwhile.
TEST_F(ModemTest, SlowResetIsDeaf) {
  Plug("slow-reset");
  Say("ATZ\r\n", 100);
  EXPECT_EQ(Say("AT\r\n", 1300), "") << "lost";
  Wait(200);
  EXPECT_EQ(Take(), "\r\nOK\r\n");
}

TEST_F(ModemTest, CtsFollowsRtsAndQ2IgnoresRts) {
  Plug("cts-follows-rts");
  SetLines(true, false);
  EXPECT_FALSE(line.lines.cts);
  EXPECT_EQ(Say("ATE0\\Q2\r\n"), "ATE0\\Q2\r\n\r\nOK\r\n") << "RTS low holds nothing back";
}

TEST_F(ModemTest, RegistersComeFromTheProfileAndItsSwitches) {
  Plug("s7-max");
  EXPECT_EQ(Say("ATE0S7?\r\n"), "ATE0S7?\r\n\r\n255\r\n\r\nOK\r\n");
  modem->Detach();

  Plug("dip-switch-s0");
  Say("AT S0=1 &W\r\n");
  EXPECT_EQ(modem->Register(0), 1);
  Say("AT Z\r\n");
  EXPECT_EQ(modem->Register(0), 0) << "the switch wins at reset";
  Say("AT S0=1\r\n");
  modem->PowerCycle();
  Wait(sim::timing::kBackAfterPowerCycleMs);
  EXPECT_EQ(modem->Register(0), 0) << "and at power-up";
}

TEST_F(ModemTest, WrongPortSpeedGarblesBothWays) {
  Plug("fixed-9600", 19200);
  const std::string reply = Say("AT V1\r\n");
  EXPECT_EQ(reply.size(), 7u) << "only the echo, garbled";
  for (unsigned char c : reply) EXPECT_GE(c, 0x80);

  modem->Detach();
  Plug("fixed-9600", 9600);
  EXPECT_EQ(Say("AT V1\r\n"), "AT V1\r\n\r\nOK\r\n");
}

TEST_F(ModemTest, LineNoiseNeverFormsAReply) {
  Plug("garbage");
  const std::string noise = Say("", 120000);
  EXPECT_GT(noise.size(), 400u);
  for (const char* reply : {"OK", "ERROR", "CONNECT", "Welcome", "NO CARRIER", "0\r", "\n"})
    EXPECT_EQ(noise.find(reply), std::string::npos) << reply;
  // Replies still come through whole between the bursts.
  EXPECT_NE(Say("ATE0\r\n", 100).find("\r\nOK\r\n"), std::string::npos);
}

TEST(SimProfiles, AreListedStandardFirstAndCreatedByName) {
  const auto& profiles = sim::Profiles();
  ASSERT_EQ(profiles.size(), 33u);
  EXPECT_EQ(profiles.front().name, "standard");
  for (const auto& p : profiles) {
    EXPECT_TRUE(sim::IsProfile(p.name));
    EXPECT_FALSE(p.description.empty());
  }
  EXPECT_FALSE(sim::IsProfile("Standard"));
  EXPECT_EQ(sim::SimulatedModem::Create("no-such-modem"), nullptr);
}

}  // namespace
}  // namespace simtest
