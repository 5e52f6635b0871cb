// The dialogue engine against a scripted modem, in virtual time: what ends a
// wait, when, and what the flags and texts say afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/clock.h"
#include "platform/commapi/virtual_device.h"
#include "tests/support/Scenario.h"
#include "tests/support/ScriptedModem.h"

namespace {

using platform::clock::Millis;
using platform::clock::Now;
using Lines = std::vector<std::string>;

class Engine : public ::testing::Test {
 protected:
  void SetUp() override {
    commapi::BindVirtualDevice("\\\\.\\COM1", modem);
    form.OpenPort();
  }
  // Runs fn and returns the virtual time it took.
  template <typename Fn>
  Millis Took(Fn fn) {
    const Millis started = Now();
    fn();
    return Now() - started;
  }

  scenario::Scenario s{{.level = 4}};
  TMain_Form& form = s.Form();
  std::shared_ptr<testsupport::ScriptedModem> modem = testsupport::ScriptedModem::Create();
};

TEST_F(Engine, AReplySplitOverTwoEventsEndsTheWaitWhenItsLastCharacterArrives) {
  modem->On("AT", [](testsupport::ScriptedModem& m) {
    m.Send("O", 20);
    m.Send("K\r\n", 300);
  });
  bool ok = false;
  const Millis took = Took([&] { ok = form.SendCommand("AT", 1500); });
  EXPECT_TRUE(ok);
  EXPECT_GE(took, 300);
  EXPECT_LE(took, 330);
  EXPECT_EQ(modem->Written(), "AT\r\n");
}

TEST_F(Engine, OkWithoutLineEndIsNoReply) {
  modem->Answer("AT", "OK");
  bool ok = true;
  const Millis took = Took([&] { ok = form.SendCommand("AT", 1500); });
  EXPECT_FALSE(ok);
  EXPECT_TRUE(form.TimedOut);
  EXPECT_EQ(form.RxBuffer, "OK");
  EXPECT_GE(took, 1500);
  EXPECT_LE(took, 1530);
}

TEST_F(Engine, ErrorAndOkInOneBatchBothCountAndOkWins) {
  modem->Answer("AT", "ERROR\r\nOK\r\n");
  EXPECT_TRUE(form.SendCommand("AT", 1500));
  EXPECT_TRUE(form.GotError);
  EXPECT_EQ(form.RxBuffer, "");
  EXPECT_EQ(form.ReplyText, "ERROR\r\n");
}

TEST_F(Engine, ErrorEndsACommandWaitButNotTheTimer) {
  modem->Answer("AT X", "\r\nERROR\r\n", 50);
  bool ok = true;
  const Millis took = Took([&] { ok = form.SendCommand("AT X", 1500); });
  EXPECT_FALSE(ok);
  EXPECT_TRUE(form.GotError);
  EXPECT_FALSE(form.TimedOut);
  EXPECT_LE(took, 80);
}

TEST_F(Engine, AnswerToAQueryLeavesItsInformationInReplyText) {
  modem->Answer("AT S7?", "\r\n050\r\n\r\nOK\r\n");
  EXPECT_TRUE(form.SendCommand("AT S7?", 1500));
  EXPECT_EQ(form.ReplyText, "\r\n050\r\n\r\n");
}

TEST_F(Engine, AReplyWaitingInTheQueueCountsForTheNextWait) {
  modem->Send("OK\r\n", 5);
  form.PlainSleep(100);  // it arrives, but nothing handles it
  EXPECT_FALSE(form.GotOK);
  bool ok = false;
  const Millis took = Took([&] { ok = form.SendCommand("", 1500); });
  EXPECT_TRUE(ok);
  EXPECT_LE(took, 30);
  EXPECT_EQ(modem->Written(), "");  // an empty command writes nothing
}

TEST_F(Engine, TheTimerKeepsFiringAfterAWaitAndTheNextWaitClearsIt) {
  modem->Answer("AT", "OK\r\n", 20);
  EXPECT_TRUE(form.SendCommand("AT", 1500));
  EXPECT_FALSE(form.TimedOut);
  form.Pause(1500);
  EXPECT_TRUE(form.TimedOut);
  EXPECT_TRUE(form.Timer.Enabled());
  EXPECT_TRUE(form.SendCommand("AT", 1500));
  EXPECT_FALSE(form.TimedOut);
}

TEST_F(Engine, EachOfTwoWaitsWithTheSameTimeoutGetsItsFullTime) {
  form.Pause(700);  // the timer's phase must not carry over
  for (int i = 0; i < 2; ++i) {
    bool ok = true;
    const Millis took = Took([&] { ok = form.SendCommand("AT", 1500); });
    EXPECT_FALSE(ok);
    EXPECT_GE(took, 1500) << i;
    EXPECT_LE(took, 1530) << i;
  }
}

TEST_F(Engine, ATimeoutOfZeroOrLessStillEndsTheWait) {
  // A timer with no interval never fires: the wait would never end.
  for (std::int32_t timeout : {0, -5}) {
    bool ok = true;
    const Millis took = Took([&] { ok = form.SendCommand("AT", timeout); });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(form.TimedOut);
    EXPECT_LE(took, 30) << timeout;
  }
}

TEST_F(Engine, ConnectInTheClosingPauseSetsItsFlagButNotTheResult) {
  modem->On("ATDT 123", [](testsupport::ScriptedModem& m) {
    m.Send("NO CARRIER\r\n", 1000);
    m.Send("CONNECT 9600\r\n", 2000);
  });
  bool connected = true;
  const Millis took = Took([&] { connected = form.DialAndWait("ATDT 123"); });
  EXPECT_FALSE(connected);
  EXPECT_TRUE(form.GotNoCarrier);
  EXPECT_TRUE(form.GotConnect);
  EXPECT_EQ(form.RxBuffer, " 9600\r\n");
  EXPECT_GE(took, 4000);
  EXPECT_LE(took, 4030);
}

TEST_F(Engine, DialWaitsForConnectNotForOk) {
  modem->On("ATDT 5", [](testsupport::ScriptedModem& m) {
    m.Send("OK\r\n", 100);
    m.Send("CONNECT 19200\r\n", 6000);
    m.Send("Welcome\r\n", 6800);
  });
  bool connected = false;
  const Millis took = Took([&] { connected = form.DialAndWait("ATDT 5"); });
  EXPECT_TRUE(connected);
  EXPECT_TRUE(form.GotWelcome);
  EXPECT_GE(took, 9000);
  EXPECT_LE(took, 9030);
}

TEST_F(Engine, AnEmptyDialWritesALineEndAndWaitsFiftySeconds) {
  bool connected = true;
  const Millis took = Took([&] { connected = form.DialAndWait(""); });
  EXPECT_FALSE(connected);
  EXPECT_TRUE(form.TimedOut);
  EXPECT_EQ(modem->Written(), "\r\n");
  EXPECT_GE(took, 53000);
  EXPECT_LE(took, 53030);
}

TEST_F(Engine, WaitsEndAfterOnePassOnceTheProgramIsTerminating) {
  toolkit::Application::Instance().Terminate();
  EXPECT_LE(Took([&] { EXPECT_FALSE(form.SendCommand("AT", 1500)); }), 20);
  EXPECT_TRUE(form.Terminating());
  // The dial still makes its closing pause.
  const Millis took = Took([&] { form.DialAndWait("ATDT 1"); });
  EXPECT_GE(took, 3010);
  EXPECT_LE(took, 3020);
}

TEST_F(Engine, OnlyWhatWasReadIsReceived) {
  // The event's count can exceed what is still queued when the handler runs.
  modem->Send("OK", 0);
  form.PlainSleep(10);
  form.ComPortRxChar(nullptr, 16);
  EXPECT_EQ(form.RxBuffer, "OK");
  form.Pause(10);  // the event itself now finds the queue empty
  EXPECT_EQ(form.RxBuffer, "OK");
}

TEST_F(Engine, NoiseAtFullSpeedForTheWholeDialWaitDoesNotHideTheReply) {
  // 115200 baud is 11520 characters a second: 115 every 10 ms, for 49.5 s.
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> printable(32, 126);
  std::string noise;
  modem->On("ATDT 9", [&](testsupport::ScriptedModem& m) {
    for (Millis at = 10; at < 49500; at += 10) {
      std::string chunk(115, ' ');
      for (char& c : chunk) c = char(printable(rng));
      noise += chunk;
      m.Send(chunk, at);
    }
    m.Send("NO CARRIER\r\n", 49500);
  });
  bool connected = true;
  const Millis took = Took([&] { connected = form.DialAndWait("ATDT 9"); });
  for (const char* reply : {"NO CARRIER\r\n", "CONNECT", "ERROR\r\n"}) {
    ASSERT_EQ(noise.find(reply), std::string::npos);
  }
  EXPECT_FALSE(connected);
  EXPECT_TRUE(form.GotNoCarrier);
  EXPECT_EQ(form.RxBuffer, "");
  EXPECT_GE(took, 52500);
  EXPECT_LE(took, 52530);
}

// Which line-change notices are written at which level.
TEST_F(Engine, LineNoticesFollowTheirLevelsAndTheSwitch) {
  struct Case {
    bool enabled;
    std::uint8_t level;
    Lines notices;
  };
  const Case cases[] = {
      {false, 4, {}},
      {true, 2, {}},
      {true, 3, {"CD line raised", "DSR line lowered"}},
      {true, 4, {"CD line raised", "CTS line lowered", "DSR line lowered"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.level));
    modem->SetLines(true, true, false);
    form.Pause(50);
    form.Output_Memo.Clear();
    form.LineNoticesEnabled = c.enabled;
    form.MessageLevel = c.level;
    modem->SetLines(false, false, true);
    form.Pause(50);
    Lines log = form.Output_Memo.Lines();
    std::sort(log.begin(), log.end());
    EXPECT_EQ(log, c.notices);
  }
}

TEST_F(Engine, NoLineNoticeOnceTheProgramIsTerminating) {
  form.LineNoticesEnabled = true;
  toolkit::Application::Instance().Terminate();
  form.Pause(10);
  ASSERT_TRUE(form.Terminating());
  modem->SetLines(false, false, true);
  form.Pause(50);
  EXPECT_TRUE(form.Output_Memo.Lines().empty());
}

}  // namespace
