// Message processing: timers, posted requests, terminate, worker threads and
// the main loop, on the headless backend in virtual time.
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl.h"
#include "tests/platform/toolkit_fixture.h"

namespace {

using platform::clock::Sleep;
using toolkit::TTimer;
using toolkit_test::LambdaThread;
using toolkit_test::ToolkitTest;

using Timers = ToolkitTest;
using Messages = ToolkitTest;
using MainLoop = ToolkitTest;

TEST_F(Timers, TickOnlyDuringMessageProcessingOnceHoweverLate) {
  TTimer timer("Timer");
  int ticks = 0;
  timer.OnTimer = [&](rtl::TObject* sender) {
    EXPECT_EQ(sender, &timer);
    ++ticks;
  };
  timer.Arm(100);
  Sleep(99);
  App().ProcessMessages();
  EXPECT_EQ(ticks, 0);
  Sleep(1);
  EXPECT_EQ(ticks, 0);
  App().ProcessMessages();
  EXPECT_EQ(ticks, 1);

  Sleep(1000);
  App().ProcessMessages();
  App().ProcessMessages();
  EXPECT_EQ(ticks, 2);
  // The next tick counts from the late one.
  Sleep(99);
  App().ProcessMessages();
  EXPECT_EQ(ticks, 2);
  Sleep(1);
  App().ProcessMessages();
  EXPECT_EQ(ticks, 3);
}

TEST_F(Timers, ArmAlwaysRestartsSettersOnlyOnChange) {
  TTimer timer("Timer");
  int ticks = 0;
  timer.OnTimer = [&](rtl::TObject*) { ++ticks; };
  EXPECT_FALSE(timer.Enabled());
  Sleep(5000);
  App().ProcessMessages();
  EXPECT_EQ(ticks, 0);  // created disabled

  timer.Arm(100);
  Sleep(60);
  timer.Arm(100);
  Sleep(60);
  App().ProcessMessages();
  EXPECT_EQ(ticks, 0);
  Sleep(40);
  App().ProcessMessages();
  EXPECT_EQ(ticks, 1);

  Sleep(60);
  timer.SetInterval(100);
  timer.SetEnabled(true);
  Sleep(40);
  App().ProcessMessages();
  EXPECT_EQ(ticks, 2);  // unchanged settings: no restart

  Sleep(60);
  timer.SetInterval(200);
  Sleep(140);
  App().ProcessMessages();
  EXPECT_EQ(ticks, 2);
  Sleep(60);
  App().ProcessMessages();
  EXPECT_EQ(ticks, 3);

  timer.SetEnabled(false);
  Sleep(1000);
  App().ProcessMessages();
  EXPECT_EQ(ticks, 3);
}

TEST_F(Timers, AHandlerMayDestroyATimerDueInTheSamePass) {
  TTimer first("First");
  auto second = std::make_unique<TTimer>("Second");
  int secondTicks = 0;
  first.OnTimer = [&](rtl::TObject*) { second.reset(); };
  second->OnTimer = [&](rtl::TObject*) { ++secondTicks; };
  first.Arm(10);
  second->Arm(10);
  Sleep(10);
  App().ProcessMessages();
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(secondTicks, 0);
}

TEST_F(Messages, TerminatedOnlyOnceTheQuitRequestIsTaken) {
  App().Terminate();
  EXPECT_FALSE(App().Terminated());
  App().ProcessMessages();
  EXPECT_TRUE(App().Terminated());
  App().Reset();
  EXPECT_FALSE(App().Terminated());
}

TEST_F(Messages, AWaitLoopSeesExitChosenDuringTheWait) {
  // The timer stands in for the user choosing Exit 50 ms into a wait.
  TTimer exit("Exit");
  exit.OnTimer = [&](rtl::TObject*) { App().Terminate(); };
  exit.Arm(50);
  int passes = 0;
  while (!App().Terminated() && passes < 100) {
    App().ProcessMessages();
    Sleep(10);
    App().ProcessMessages();
    ++passes;
  }
  EXPECT_TRUE(App().Terminated());
  EXPECT_EQ(passes, 5);
}

TEST_F(Messages, OneCallHandlesEachKindInItsOrder) {
  std::vector<std::string> order;
  LambdaThread worker([&] { platform::Synchronize([&] { order.push_back("synchronised"); }); });
  TTimer timer("Timer");
  timer.OnTimer = [&](rtl::TObject*) { order.push_back("tick"); };
  App().OnInterrupt = [&] { order.push_back("interrupt"); };
  App().Post([&] {
    order.push_back("request");
    App().Post([&] { order.push_back("posted meanwhile"); });
  });
  App().PostInterrupt();
  timer.Arm(10);
  Sleep(10);
  worker.Resume();
  App().ProcessMessages();
  EXPECT_EQ(order, (std::vector<std::string>{"synchronised", "tick", "interrupt", "request"}));
  App().ProcessMessages();
  EXPECT_EQ(order.back(), "posted meanwhile");
  EXPECT_EQ(order.size(), 5u);
}

// In real time a worker's synchronised call ends a wait's doze at once; a
// doze that slept its ten minutes out would fail by the test's time limit.
TEST_F(Messages, ASynchronisedCallEndsADozeInRealTime) {
  platform::clock::UseVirtualTime(false);
  bool ran = false;
  LambdaThread worker([&] { platform::Synchronize([&] { ran = true; }); });
  worker.Resume();
  App().Doze(600000);
  App().ProcessMessages();
  EXPECT_TRUE(ran);
}

TEST_F(Messages, AFailingRequestEndsTheCallAndKeepsTheRestQueued) {
  std::vector<int> ran;
  App().Post([] { throw rtl::Exception("Unable to open com port: 2"); });
  App().Post([&] { ran.push_back(1); });
  App().Post([&] { ran.push_back(2); });
  EXPECT_THROW(App().ProcessMessages(), rtl::Exception);
  EXPECT_TRUE(ran.empty());
  App().ProcessMessages();
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

TEST_F(Messages, AnExceptionEscapingAWorkerIsShownOnce) {
  LambdaThread worker([] { throw rtl::Exception("Worker failed"); });
  worker.Resume();
  worker.WaitFor();
  EXPECT_TRUE(ui->errors.empty());  // shown on this thread, during processing
  App().ProcessMessages();
  App().ProcessMessages();
  EXPECT_EQ(ui->errors, std::vector<std::string>{"Worker failed"});
  EXPECT_EQ(err.str(), "Worker failed\n");
}

TEST_F(Messages, TheErrorBoxShowsTheExceptionsMessage) {
  App().HandleException(std::make_exception_ptr(rtl::Exception("Unable to open com port: 5")));
  App().HandleException(std::make_exception_ptr(std::runtime_error("bad_thing")));
  App().HandleException(std::make_exception_ptr(42));
  App().HandleException(nullptr);
  EXPECT_EQ(ui->errors, (std::vector<std::string>{"Unable to open com port: 5", "bad_thing",
                                                  "Unknown exception"}));
}

TEST_F(MainLoop, RunsUntilTerminatedShowingErrorsOnTheWay) {
  toolkit::TForm form("Main_Form");
  bool shownWhileRunning = false;
  App().Post([] { throw rtl::Exception("Unable to open com port: 2"); });
  App().Post([&] {
    shownWhileRunning = ui->shown;
    App().Terminate();
  });
  App().Run(form);
  EXPECT_TRUE(shownWhileRunning);
  EXPECT_FALSE(ui->shown);
  EXPECT_TRUE(App().Terminated());
  EXPECT_EQ(ui->errors, std::vector<std::string>{"Unable to open com port: 2"});
}

TEST_F(MainLoop, TheWindowGoesWithItsForm) {
  auto form = std::make_unique<toolkit::TForm>("Main_Form");
  toolkit::TForm other("Other");
  ui->Show(*form);
  ui->CloseWindow(other);
  EXPECT_TRUE(ui->shown);
  form.reset();
  EXPECT_FALSE(ui->shown);
}

// Between rounds the loop idles until it is woken or a timer falls due; a
// signal cannot wake it, so while an interrupt can come it looks often.
TEST_F(MainLoop, IdlesUntilWokenOrATimerIsDueAndLooksOftenForAnInterrupt) {
  struct WaitRecorder : toolkit::HeadlessBackend {
    std::function<void(int)> onWait;
    void WaitForEvents(int maxMs) override { onWait(maxMs); }
  };
  auto recorder = std::make_unique<WaitRecorder>();
  std::vector<int> waits;
  TTimer timer("Timer");
  recorder->onWait = [&](int maxMs) {
    waits.push_back(maxMs);
    if (waits.size() == 1) App().OnInterrupt = [] {};
    if (waits.size() == 2) {
      App().OnInterrupt = nullptr;
      timer.Arm(300);
    }
    if (waits.size() == 3) App().Terminate();
  };
  App().SetBackend(std::move(recorder));
  toolkit::TForm form("Main_Form");
  App().Run(form);
  EXPECT_EQ(waits, (std::vector<int>{1000, 20, 300}));
}

TEST_F(MainLoop, ARequestFromAnotherThreadEndsIt) {
  toolkit::TForm form("Main_Form");
  std::thread other([] { App().Terminate(); });
  App().Run(form);
  other.join();
  EXPECT_TRUE(App().Terminated());
}

}  // namespace
