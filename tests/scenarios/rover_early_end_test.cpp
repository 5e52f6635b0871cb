// Every way the Rover Test can stop before its verdict: nothing is copied,
// and the port and its lines are left as the run had them at that point.
// Then the branches that only a spoiled reply reaches.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
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

const std::string kDevice = "\\\\.\\COM1";

// Stands between the port and the simulated modem and spoils chosen writes:
// each the nth one that starts with a given text. Every write of the
// procedures is one whole command line, so matching writes is enough.
class FaultInjector : public testsupport::PassThroughDevice {
 public:
  enum class Fault {
    GoDeaf,         // this write and everything after it never reach the modem
    AnswerInstead,  // the modem never sees it; `reply` comes back instead
    Notify,         // it reaches the modem, then `onMatch` runs
  };

  using PassThroughDevice::PassThroughDevice;

  void At(std::string prefix, int nth, Fault fault, std::string reply = {},
          std::function<void()> onMatch = {}) {
    spoils_.push_back({std::move(prefix), nth, 0, fault, std::move(reply), std::move(onMatch)});
  }

  // Bytes from the modem's side, as if it had sent them.
  void Send(std::string_view bytes) { line_->Receive(bytes); }

  void Transmit(std::string_view bytes) override {
    if (deaf_) return;
    Spoil* hit = nullptr;
    for (Spoil& spoil : spoils_)
      if (bytes.starts_with(spoil.prefix) && ++spoil.seen == spoil.nth) hit = &spoil;
    if (!hit) return modem_->Transmit(bytes);
    switch (hit->fault) {
      case Fault::GoDeaf:
        deaf_ = true;
        break;
      case Fault::AnswerInstead:
        line_->Receive(hit->reply);
        if (hit->onMatch) hit->onMatch();
        break;
      case Fault::Notify:
        modem_->Transmit(bytes);
        hit->onMatch();
        break;
    }
  }

 private:
  struct Spoil {
    std::string prefix;
    int nth, seen;
    Fault fault;
    std::string reply;
    std::function<void()> onMatch;
  };
  std::vector<Spoil> spoils_;
  bool deaf_ = false;
};

// A scenario whose modem is reached through a FaultInjector.
struct FaultyScenario {
  explicit FaultyScenario(scenario::Options options) : s(std::move(options)) {
    injector = std::make_shared<FaultInjector>(commapi::BoundVirtualDevice(kDevice));
    commapi::BindVirtualDevice(kDevice, injector);
  }
  scenario::Scenario s;
  std::shared_ptr<FaultInjector> injector;
};

void ExpectNoVerdict(scenario::Scenario& s) {
  EXPECT_FALSE(Contains(s.Log(), "Dial Test Version 2.01"));
  EXPECT_EQ(s.Clipboard(), "");
  EXPECT_EQ(s.Form().Status.Text(), "");
  EXPECT_FALSE(s.Form().Status.ClockRunning());
}

TEST(RoverEarlyEnd, NoModemAtDetection) {
  scenario::Scenario s({.profile = "dead"});
  s.Click(s.Form().Test1);
  EXPECT_EQ(s.Log(), (Lines{"Detecting modem", "Modem NOT detected at 19200, Try again", "",
                            "No Modem detected stopping test"}));
  EXPECT_FALSE(s.Form().SerialPort().Connected());
  ExpectNoVerdict(s);
}

TEST(RoverEarlyEnd, FirstCallGetsNoCarrier) {
  scenario::Scenario s({.profile = "no-carrier"});
  s.Click(s.Form().Test1);
  EXPECT_EQ(Tail(s.Log(), 3), (Lines{"Dial test, 5551234", "Dialed, no carrier. (Line busy?)",
                                     "Dial test failed, please check cables"}));
  EXPECT_TRUE(s.Form().SerialPort().Connected());
  ExpectNoVerdict(s);
}

// The call reached something that is not the answering system; it is hung
// up before the test stops, so the line is not left held.
TEST(RoverEarlyEnd, FirstCallWithoutWelcomeIsHungUp) {
  scenario::Scenario s({.profile = "no-welcome"});
  s.Click(s.Form().Test1);
  const Lines log = s.Log();
  EXPECT_EQ(log.back(),
            "Did not get Welcome message from answering system. Answering system must send text "
            "Welcome");
  EXPECT_TRUE(scenario::ContainsRun(
      log, {"Dialed and Connected", "Did not get Welcome message from server",
            "Hang up, takes upto 15 seconds"}));
  EXPECT_FALSE(Contains(log, "Dial test passed"));
  EXPECT_FALSE(s.Modem().CallUp());
  EXPECT_TRUE(s.Form().SerialPort().Connected());
  ExpectNoVerdict(s);
}

// The modem stops answering at its nth reset; ResetModem's own lines end the
// log. Each row names the line the run wrote just before that reset, at
// Summary, and the findings made by then.
TEST(RoverEarlyEnd, ResetThatFailsEndsTheRunWhereverItIs) {
  struct Row {
    int reset;
    const char* before;  // null: nothing before at Summary
    bool q0Works, h0r1Works;
  };
  const Row rows[] = {
      {1, nullptr, false, false},                                   // start
      {2, "", false, false},  // after &B1: the identification ends in blanks
      {3, "Dial test passed", false, false},                        // after &S0
      {4, "Expected behaviour when calling without DTR, did not connect", false, false},
      {5, "Dial with ignore DTR works", false, false},              // before RTS low
      {6, "Dial with no flow control (\\Q0) works", true, false},   // after the \Q0 call
      {7, "AT &H0 &R1 worked", true, true},                         // after &H0 &R1
  };
  const Lines resetFailed = {"Error Reseting modem!!, Ignoring", "E0, No Echo, not supported",
                             "V1, Verbal codes, not supported, aborting test"};
  for (const Row& row : rows) {
    SCOPED_TRACE("reset " + std::to_string(row.reset));
    FaultyScenario f({.level = 0});
    f.injector->At("AT Z", row.reset, FaultInjector::Fault::GoDeaf);
    f.s.Click(f.s.Form().Test1);

    Lines expected = resetFailed;
    if (row.before) expected.insert(expected.begin(), row.before);
    const Lines log = f.s.Log();
    EXPECT_EQ(Tail(log, expected.size()), expected);
    if (!row.before) {
      EXPECT_EQ(log.size(), resetFailed.size());
    }
    EXPECT_EQ(f.s.Form().RoverFindings.Q0Works(), row.q0Works);
    EXPECT_EQ(f.s.Form().RoverFindings.H0R1Works(), row.h0r1Works);
    EXPECT_FALSE(f.s.Form().RoverFindings.K0Works());
    EXPECT_TRUE(f.s.Form().SerialPort().Connected());
    EXPECT_EQ(f.s.Form().SerialPort().FlowControl().ControlDtr(), comms::dtrEnable);
    EXPECT_EQ(f.s.Form().SerialPort().FlowControl().ControlRts(), comms::rtsEnable);
    ExpectNoVerdict(f.s);
  }
}

TEST(RoverEarlyEnd, SecondQ0RefusedAfterTheFirstWasAccepted) {
  FaultyScenario f({.level = 0});
  f.injector->At("AT\\Q0", 2, FaultInjector::Fault::AnswerInstead, "\r\nERROR\r\n");
  f.s.Click(f.s.Form().Test1);
  EXPECT_EQ(Tail(f.s.Log(), 4),
            (Lines{"Did not get connected message with RTS low, expected", "",
                   "\\Q0, No flow control, not supported.",
                   "Indicated was supported before, exiting"}));
  EXPECT_TRUE(f.s.Form().SerialPort().Connected());
  EXPECT_EQ(f.s.Form().SerialPort().FlowControl().ControlDtr(), comms::dtrEnable);
  EXPECT_EQ(f.s.Form().SerialPort().FlowControl().ControlRts(), comms::rtsEnable);
  ExpectNoVerdict(f.s);
}

// "E&xit" while a call with DTR low is being placed: the run stops after that
// call's outcome line, with DTR still low. The status bar showed the phase.
TEST(RoverEarlyEnd, ExitDuringTheCallsWithDtrLow) {
  struct Row {
    int dial;  // the first dial is the plain dial test
    const char* phase;
    const char* lastLine;
  };
  const Row rows[] = {
      {2, "Rover Test: call without DTR",
       "Expected behaviour when calling without DTR, did not connect"},
      {3, "Rover Test: ignore-DTR mode", "Dial with ignore DTR does not work"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.phase);
    FaultyScenario f({.level = 0});
    std::string statusAtExit;
    bool clockAtExit = false;
    TMain_Form& form = f.s.Form();
    f.injector->At("ATDT", row.dial, FaultInjector::Fault::Notify, {}, [&] {
      statusAtExit = form.Status.Text();
      clockAtExit = form.Status.ClockRunning();
      form.Exit1Click(form.Exit1);
    });
    f.s.Click(form.Test1);

    EXPECT_EQ(statusAtExit, row.phase);
    EXPECT_TRUE(clockAtExit);
    EXPECT_EQ(f.s.Log().back(), row.lastLine);
    EXPECT_TRUE(form.Terminating());
    EXPECT_EQ(form.SerialPort().FlowControl().ControlDtr(), comms::dtrDisable);
    EXPECT_TRUE(form.SerialPort().Connected());
    ExpectNoVerdict(f.s);
  }
}

// "E&xit" once a call with DTR low has connected, on a modem that ignores DTR
// there (by nature, or by "AT &D0"): closing the port could not drop that
// call, so the run hangs it up before it ends.
TEST(RoverEarlyEnd, ExitWithACallUpHangsItUpFirst) {
  struct Row {
    const char* profile;
    int dial;
    const char* outcome;  // at Normal
  };
  const Row rows[] = {
      {"ignores-dtr", 2, "Got Welcome in default mode without DTR test, not expected"},
      {"standard", 3, "Got Welcome in ignore DTR mode without DTR test, expected"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.profile);
    FaultyScenario f({.profile = row.profile});
    TMain_Form& form = f.s.Form();
    // After the CONNECT, before the run looks at its outcome.
    f.injector->At("ATDT", row.dial, FaultInjector::Fault::Notify, {}, [&] {
      platform::clock::ScheduleAfter(6500, [&form] { form.Exit1Click(form.Exit1); });
    });
    f.s.Click(form.Test1);

    EXPECT_TRUE(form.Terminating());
    EXPECT_TRUE(scenario::ContainsRun(f.s.Log(), {row.outcome, "Hang up, takes upto 15 seconds"}));
    EXPECT_FALSE(f.s.Modem().CallUp());
    EXPECT_FALSE(form.SerialPort().CarrierState());
    ExpectNoVerdict(f.s);
  }
}

// Quitting during the last call makes its outcome meaningless, and nothing
// checks the terminating state after it: the run must still not turn that
// into a recommendation, nor overwrite the clipboard.
TEST(RoverEarlyEnd, ExitDuringTheLastCallGivesNoVerdict) {
  FaultyScenario f({.level = 2});
  TMain_Form& form = f.s.Form();
  // Dials: the dial test, without DTR, ignore-DTR, RTS low, "\Q0", "&H0 &R1", "&K0".
  f.injector->At("ATDT", 7, FaultInjector::Fault::Notify, {},
                 [&] { form.Exit1Click(form.Exit1); });
  f.s.Click(form.Test1);
  EXPECT_TRUE(form.Terminating());
  EXPECT_FALSE(form.RoverFindings.K0Works());
  EXPECT_TRUE(Contains(f.s.Log(), "Attempting to connect without flow control and &K0"));
  ExpectNoVerdict(f.s);
}

// The "\Q0" call fails with carrier detect low: the run stops with RTS low.
// The next run must not inherit that: it starts with RTS raised and reaches
// its verdict.
TEST(RoverEarlyEnd, Q0CallWithoutCarrierLeavesRtsLowButNotForTheNextRun) {
  FaultyScenario f({.level = 0});
  // Dials: the dial test, without DTR, ignore-DTR, RTS low, then "\Q0".
  f.injector->At("ATDT", 5, FaultInjector::Fault::AnswerInstead, "\r\nNO CARRIER\r\n");
  TMain_Form& form = f.s.Form();
  f.s.Click(form.Test1);
  EXPECT_EQ(Tail(f.s.Log(), 2), (Lines{"Dialed, no carrier. (Line busy?)",
                                       "Dial with no flow control (\\Q0) does not work"}));
  EXPECT_EQ(form.SerialPort().FlowControl().ControlRts(), comms::rtsDisable);
  EXPECT_FALSE(form.RoverFindings.Q0Works());
  ExpectNoVerdict(f.s);

  f.s.Click(form.Test1);
  EXPECT_EQ(f.s.Log().back(), "Test Finished, results copied to clipboard");
  const rover::Findings& found = form.RoverFindings;
  EXPECT_TRUE(found.Q0Works() && found.H0R1Works() && found.K0Works());
}

// The same early end, then the Saving Settings Test: with RTS left low, a
// modem with hardware flow control would hold back every reply of it.
TEST(RoverEarlyEnd, RtsLeftLowDoesNotSpoilTheSavingSettingsTest) {
  FaultyScenario f({.level = 0});
  f.injector->At("ATDT", 5, FaultInjector::Fault::AnswerInstead, "\r\nNO CARRIER\r\n");
  TMain_Form& form = f.s.Form();
  f.s.Click(form.Test1);
  ASSERT_EQ(form.SerialPort().FlowControl().ControlRts(), comms::rtsDisable);

  f.s.Click(form.SavingSettingsTest1);
  EXPECT_FALSE(Contains(f.s.Log(), "V1, Verbal codes, not supported, aborting test"));
  EXPECT_EQ(f.s.Log().back(), "Test Finished, results copied to clipboard");
}

TEST(RoverEarlyEnd, PhoneNumberIsConfirmedOnlyAtTheFirstRun) {
  scenario::Scenario s({.profile = "dead", .phone = std::nullopt});
  TMain_Form& form = s.Form();
  s.Ui().promptAnswers.push_back("555\r\n0199");  // pasted with a line break
  s.Click(form.Test1);
  ASSERT_EQ(s.Ui().prompts.size(), 1u);
  EXPECT_EQ(s.Ui().prompts[0].title, "Confirm Phone Number");
  EXPECT_EQ(s.Ui().prompts[0].label, "Phone Number to dial");
  EXPECT_EQ(s.Ui().prompts[0].initial, DefaultPhoneNumber);
  EXPECT_EQ(form.PhoneNumber, "5550199");
  EXPECT_TRUE(form.PhoneNumberSet);

  s.Click(form.Test1);
  EXPECT_EQ(s.Ui().prompts.size(), 1u);
}

TEST(RoverEarlyEnd, CancelledPromptKeepsTheNumberAndTheRunGoesOn) {
  scenario::Scenario s({.profile = "no-carrier", .level = 1, .phone = std::nullopt});
  s.Ui().promptAnswers.push_back(std::nullopt);
  s.Click(s.Form().Test1);
  EXPECT_EQ(s.Ui().prompts.size(), 1u);
  EXPECT_EQ(s.Form().PhoneNumber, DefaultPhoneNumber);
  EXPECT_TRUE(Contains(s.Log(), std::string("Dial test, ") + DefaultPhoneNumber));
}

// Branches of the run that a spoiled reply reaches; each row states the lines
// it must show at its level, consecutive, worked out from the steps.
TEST(RoverBranches, ReachedThroughSpoiledReplies) {
  using Fault = FaultInjector::Fault;
  const std::string kConnect = "\r\nCONNECT 9600\r\n", kOk = "\r\nOK\r\n";
  struct Row {
    const char* name;
    std::function<void(FaultyScenario&)> spoil;
    std::uint8_t level;
    Lines run;
  };
  const Row rows[] = {
      // "AT V1" number 6: after detection and four resets, the one with DTR low.
      {"&D0 accepted, no reply with DTR low",
       [](FaultyScenario& f) { f.injector->At("AT V1", 6, Fault::AnswerInstead); },
       1,
       {"Did not reply to commands with no DTR, &D0 does not work",
        "   You must create a cable for this modem to work, DTR DSR Looped", "Rasing DTR", "",
        "Testing dial with RTS low, expected to time out"}},
      // The answering system's greeting comes only once RTS is up again.
      {"connected with RTS low, greeted later",
       [](FaultyScenario& f) {
         f.injector->At("ATDT", 4, Fault::AnswerInstead, "\r\nCONNECT 9600\r\n", [&f] {
           platform::clock::ScheduleAfter(5500, [&f] { f.injector->Send("Welcome"); });
         });
       },
       4,
       {"Did not get Welcome message from server", "Got Connected with RTS low", "Rasing RTS",
        "Got Welcome after rasing RTS", "", "Raising RTS"}},
      // The "\Q0" the modem never got: its flow control still holds CONNECT
      // back, the dial times out, and the wait after raising RTS connects.
      {"timed-out \\Q0 call",
       [&](FaultyScenario& f) {
         f.injector->At("AT\\Q0", 2, Fault::AnswerInstead, kOk);
         f.injector->At("\r\n", 2, Fault::AnswerInstead, kConnect);
       },
       3,
       {"Dial timed out", "Did not get connected message with RTS low",
        "Modem is connected (CD High)", "Did get connected after raising RTS",
        "\\Q2, Flow control, not supported. Following test may not be valid"}},
      {"\\Q2 answered after the \\Q0 call",
       [&](FaultyScenario& f) { f.injector->At("AT\\Q2", 2, Fault::AnswerInstead, kOk); },
       4,
       {"Dial with no flow control (\\Q0) works", "\\Q2, Flow control, responded OK",
        "Raising RTS", "Hang up, takes upto 15 seconds"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FaultyScenario f({.level = row.level});
    row.spoil(f);
    f.s.Click(f.s.Form().Test1);
    EXPECT_TRUE(scenario::ContainsRun(f.s.Log(), row.run));
    EXPECT_EQ(f.s.Log().back(), "Test Finished, results copied to clipboard");
  }
}

}  // namespace
