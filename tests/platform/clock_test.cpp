#include "platform/clock.h"

#include <gtest/gtest.h>
#include <time.h>

#include <atomic>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/threads.h"

namespace clk = platform::clock;

namespace {

class VirtualClock : public ::testing::Test {
 protected:
  void SetUp() override { clk::UseVirtualTime(true); }
  void TearDown() override { clk::UseVirtualTime(false); }

  // Schedules a callback that records its name and the clock while it runs.
  clk::TimerId Record(clk::Millis at, std::string name) {
    return clk::ScheduleAt(at, [this, name = std::move(name)] { ran.emplace_back(name, clk::Now()); });
  }

  std::vector<std::pair<std::string, clk::Millis>> ran;
};

using Ran = std::vector<std::pair<std::string, clk::Millis>>;

TEST_F(VirtualClock, SleepRunsDueCallbacksInTimeThenSchedulingOrder) {
  EXPECT_TRUE(clk::IsVirtual());
  EXPECT_EQ(clk::Now(), 0);
  Record(30, "c");
  Record(10, "a1");
  Record(50, "late");
  Record(10, "a2");
  Record(40, "edge");

  clk::Sleep(40);
  EXPECT_EQ(ran, (Ran{{"a1", 10}, {"a2", 10}, {"c", 30}, {"edge", 40}}));
  EXPECT_EQ(clk::Now(), 40);

  clk::Sleep(5);
  EXPECT_EQ(ran.size(), 4u);
  EXPECT_EQ(clk::Now(), 45);
  clk::Sleep(5);
  EXPECT_EQ(ran.back(), (std::pair<std::string, clk::Millis>{"late", 50}));
}

TEST_F(VirtualClock, CallbacksScheduledByCallbacksRunWhenDueInTheWindow) {
  clk::ScheduleAt(10, [this] {
    ran.emplace_back("outer", clk::Now());
    clk::ScheduleAfter(5, [this] { ran.emplace_back("inner", clk::Now()); });
    clk::ScheduleAfter(0, [this] { ran.emplace_back("now", clk::Now()); });
    clk::ScheduleAfter(100, [this] { ran.emplace_back("beyond", clk::Now()); });
  });
  Record(12, "between");

  clk::Sleep(20);
  EXPECT_EQ(ran, (Ran{{"outer", 10}, {"now", 10}, {"between", 12}, {"inner", 15}}));
  EXPECT_EQ(clk::Now(), 20);
}

TEST_F(VirtualClock, SleepZeroRunsWhatIsDueWithoutMovingTheClock) {
  clk::Sleep(100);
  Record(40, "past");  // already overdue: runs at once, time stays put
  Record(100, "now");
  Record(101, "future");
  clk::Sleep(0);
  EXPECT_EQ(ran, (Ran{{"past", 100}, {"now", 100}}));
  EXPECT_EQ(clk::Now(), 100);
}

TEST_F(VirtualClock, CancelledCallbacksNeverRun) {
  const auto a = Record(10, "a");
  const auto b = Record(20, "b");
  Record(30, "c");
  clk::ScheduleAt(5, [&] { clk::Cancel(b); });
  clk::Cancel(a);
  clk::Cancel(a);       // twice is harmless
  clk::Cancel(123456);  // so is an unknown id
  clk::Sleep(30);
  EXPECT_EQ(ran, (Ran{{"c", 30}}));
}

TEST_F(VirtualClock, SwitchingModeDropsEverythingAndRestartsAtZero) {
  Record(10, "dropped");
  clk::Sleep(5);
  clk::UseVirtualTime(true);
  EXPECT_EQ(clk::Now(), 0);
  clk::Sleep(20);
  EXPECT_TRUE(ran.empty());
}

TEST_F(VirtualClock, AThrowingCallbackDoesNotStopTheOthers) {
  clk::ScheduleAt(10, [] { throw std::runtime_error("boom"); });
  Record(20, "after");
  testing::internal::CaptureStderr();
  clk::Sleep(20);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("boom"), std::string::npos);
  EXPECT_EQ(ran, (Ran{{"after", 20}}));
}

TEST_F(VirtualClock, NowIsReadableFromAnotherThreadWhileTimeAdvances) {
  std::atomic<bool> stop{false};
  std::atomic<bool> wentBack{false};
  std::thread reader([&] {
    clk::Millis last = 0;
    while (!stop) {
      const clk::Millis now = clk::Now();
      if (now < last) wentBack = true;
      last = now;
    }
  });
  for (int i = 0; i < 1000; ++i) {
    clk::ScheduleAfter(3, [] {});
    clk::Sleep(2);
  }
  stop = true;
  reader.join();
  EXPECT_FALSE(wentBack);
  EXPECT_EQ(clk::Now(), 2000);
}

// Real time: only lower bounds and generous upper limits, never speed.
TEST(RealClock, SleepWaitsAtLeastTheTimeAndNowIsMonotonic) {
  clk::UseVirtualTime(false);
  EXPECT_FALSE(clk::IsVirtual());
  const clk::Millis before = clk::Now();
  clk::Sleep(20);
  EXPECT_GE(clk::Now() - before, 20);
}

TEST(RealClock, ScheduledCallbacksFireInTimeOrderOnTheClockThread) {
  clk::UseVirtualTime(false);
  platform::Event done(true, false);
  std::vector<int> order;  // written by the clock thread only, read after done
  std::atomic<bool> offThread{true};
  const auto caller = std::this_thread::get_id();
  // The clock thread is held until both are in, so a busy machine that
  // takes a while between the two calls cannot let the later one fire alone.
  platform::Event added(true, false);
  const clk::Millis now = clk::Now();
  clk::ScheduleAt(now, [&] {
    platform::Event* wait[] = {&added};
    platform::WaitAny(wait, 10000);
  });
  clk::ScheduleAt(now + 30, [&] {
    order.push_back(2);
    offThread = offThread && std::this_thread::get_id() != caller;
    done.Set();
  });
  clk::ScheduleAt(now + 1, [&] {
    order.push_back(1);
    offThread = offThread && std::this_thread::get_id() != caller;
  });
  added.Set();
  platform::Event* events[] = {&done};
  ASSERT_EQ(platform::WaitAny(events, 10000), 0u);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_TRUE(offThread);
}

TEST(RealClock, CancelWaitsForACallbackThatIsRunning) {
  clk::UseVirtualTime(false);
  platform::Event started(true, false);
  std::atomic<bool> finished{false};
  const auto id = clk::ScheduleAfter(0, [&] {
    started.Set();
    clk::Sleep(50);
    finished = true;
  });
  platform::Event* events[] = {&started};
  ASSERT_EQ(platform::WaitAny(events, 10000), 0u);
  clk::Cancel(id);
  EXPECT_TRUE(finished);
}

// The CPU time the whole process has used, in ms.
double ProcessCpuMs() {
  timespec used{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
  return used.tv_sec * 1e3 + used.tv_nsec / 1e6;
}

// Times at the far end of the range (a trace edited by hand): the clock
// thread waits for them without its wait overflowing into a spin, what is
// due sooner still runs, and the waits are cancelled as usual.
TEST(RealClock, AFarTimeIsWaitedForWithoutSpinning) {
  clk::UseVirtualTime(false);
  const clk::TimerId far[] = {
      clk::ScheduleAfter(10'000'000'000'000, [] {}),
      clk::ScheduleAfter(std::numeric_limits<clk::Millis>::max(), [] {}),
      clk::ScheduleAt(std::numeric_limits<clk::Millis>::max(), [] {}),
  };
  platform::Event done(true, false);
  clk::ScheduleAfter(1, [&] { done.Set(); });
  platform::Event* events[] = {&done};
  ASSERT_EQ(platform::WaitAny(events, 10000), 0u);

  const double before = ProcessCpuMs();
  clk::Sleep(300);
  EXPECT_LT(ProcessCpuMs() - before, 100.0) << "the clock thread spins";
  for (const clk::TimerId id : far) clk::Cancel(id);
}

// Exits while the clock thread is in a callback that never returns (it waits
// for a thread that has gone).
[[noreturn]] void ExitWhileACallbackHangs() {
  clk::UseVirtualTime(false);
  platform::Event started(true, false);
  platform::Event never(true, false);
  clk::ScheduleAfter(0, [&] {
    started.Set();
    platform::Event* events[] = {&never};
    platform::WaitAny(events);
  });
  platform::Event* events[] = {&started};
  platform::WaitAny(events, 10000);
  std::exit(0);
}

TEST(RealClockDeathTest, ExitDoesNotWaitForACallbackThatNeverReturns) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(ExitWhileACallbackHangs(), testing::ExitedWithCode(0), "");
}

}  // namespace
