#include "platform/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/LambdaThread.h"

namespace {

using platform::Event;
using platform::Thread;
using testsupport::LambdaThread;

class Threads : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetMainThread(); }
  void TearDown() override {
    platform::SetSynchronizeWakeup({});
    platform::SetUnhandledExceptionHandler({});
  }
};

TEST_F(Threads, WaitForOnTheUiThreadServesSynchronisedCalls) {
  std::vector<int> seen;  // touched on the user-interface thread only
  bool allOnMain = true;
  LambdaThread worker([&] {
    for (int i = 0; i < 200; ++i)
      platform::Synchronize([&] {
        allOnMain = allOnMain && platform::IsMainThread();
        seen.push_back(i);
      });
  });
  EXPECT_FALSE(worker.Finished());
  worker.Resume();
  worker.WaitFor();
  EXPECT_TRUE(worker.Finished());
  EXPECT_EQ(seen.size(), 200u);
  EXPECT_TRUE(allOnMain);
  EXPECT_FALSE(platform::CheckSynchronize());
}

TEST_F(Threads, DestroyingABlockedWorkerServesItsLastCall) {
  bool ran = false;
  {
    LambdaThread worker([&] { platform::Synchronize([&] { ran = true; }); });
    worker.Resume();
  }  // the destructor's wait runs the call the worker is blocked in
  EXPECT_TRUE(ran);
}

TEST_F(Threads, ExceptionFromASynchronisedCallReturnsToTheWorker) {
  std::string caught;
  LambdaThread worker([&] {
    try {
      platform::Synchronize([] { throw std::runtime_error("handler failed"); });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
  });
  worker.Resume();
  worker.WaitFor();
  EXPECT_EQ(caught, "handler failed");
}

TEST_F(Threads, SynchronizeOnTheUiThreadRunsAtOnceAndWakeupFollowsAQueuedCall) {
  bool ran = false;
  platform::Synchronize([&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_FALSE(platform::CheckSynchronize());

  Event woken(true, false);
  platform::SetSynchronizeWakeup([&] { woken.Set(); });
  LambdaThread worker([] { platform::Synchronize([] {}); });
  worker.Resume();
  Event* events[] = {&woken};
  ASSERT_EQ(platform::WaitAny(events, 10000), 0u);
  EXPECT_TRUE(platform::CheckSynchronize());  // queued before the wakeup
  worker.WaitFor();
}

TEST_F(Threads, ExceptionEscapingExecuteReachesTheHandlerAndTheThreadEnds) {
  struct Case {
    std::function<void()> body;
    std::string expected;
  };
  const Case cases[] = {
      {[] { throw std::logic_error("bad state"); }, "bad state"},
      {[] { throw 42; }, "non-standard"},
  };
  for (const Case& c : cases) {
    std::string reported;
    platform::SetUnhandledExceptionHandler([&](std::exception_ptr error) {
      try {
        std::rethrow_exception(error);
      } catch (const std::exception& e) {
        reported = e.what();
      } catch (...) {
        reported = "non-standard";
      }
    });
    LambdaThread worker(c.body);
    worker.Resume();
    worker.WaitFor();
    EXPECT_TRUE(worker.Finished());
    EXPECT_EQ(reported, c.expected);
  }
}

TEST_F(Threads, AThrowingHandlerOrNoHandlerStillEndsTheThreadQuietly) {
  testing::internal::CaptureStderr();
  {
    LambdaThread worker([] { throw std::runtime_error("default report"); });
    worker.Resume();
    worker.WaitFor();
  }
  platform::SetUnhandledExceptionHandler([](std::exception_ptr) { throw std::runtime_error("handler broke"); });
  {
    LambdaThread worker([] { throw std::runtime_error("ignored"); });
    worker.Resume();
    worker.WaitFor();
    EXPECT_TRUE(worker.Finished());
  }
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("default report"), std::string::npos);
  EXPECT_NE(err.find("handler broke"), std::string::npos);
}

TEST_F(Threads, NeverResumedThreadIsNeitherWaitedForNorFinished) {
  bool ran = false;
  LambdaThread idle([&] { ran = true; });
  idle.WaitFor();
  EXPECT_FALSE(idle.Finished());
  EXPECT_FALSE(ran);
}

// The hand-over a virtual-time run depends on: once an event the worker waits
// for is set and the workers have settled, its synchronised call is queued.
TEST_F(Threads, AfterSetAndSettleTheWorkersCallIsAlwaysQueued) {
  for (int round = 0; round < 300; ++round) {
    Event go(false, false);
    Event stop(true, false);
    int handled = 0;
    LambdaThread worker([&] {
      Event* events[] = {&stop, &go};
      while (platform::WaitAny(events) == 1u) platform::Synchronize([&] { ++handled; });
    });
    worker.Resume();
    platform::SettleWorkers();
    EXPECT_FALSE(platform::CheckSynchronize());

    go.Set();
    platform::SettleWorkers();
    ASSERT_TRUE(platform::CheckSynchronize()) << "round " << round;
    ASSERT_EQ(handled, 1);

    platform::SettleWorkers();  // back in its wait, nothing more to hand over
    EXPECT_FALSE(platform::CheckSynchronize());
    stop.Set();
    worker.WaitFor();
  }
}

TEST_F(Threads, SettleReturnsAtOnceWithNoWorkers) { platform::SettleWorkers(); }

TEST_F(Threads, WaitAnyReportsTheLowestSetIndexAndConsumesAutoReset) {
  Event autoA(false, false);
  Event manualB(true, false);
  Event autoC(false, true);
  Event* events[] = {&autoA, &manualB, &autoC};

  autoA.Set();
  EXPECT_EQ(platform::WaitAny(events, 0), 0u);
  EXPECT_FALSE(autoA.IsSet());
  EXPECT_EQ(platform::WaitAny(events, 0), 2u);
  EXPECT_FALSE(autoC.IsSet());
  EXPECT_EQ(platform::WaitAny(events, 0), std::nullopt);

  manualB.Set();
  autoC.Set();
  EXPECT_EQ(platform::WaitAny(events, 0), 1u);
  EXPECT_EQ(platform::WaitAny(events, 0), 1u);  // manual reset stays set
  EXPECT_TRUE(autoC.IsSet());
  manualB.Reset();
  EXPECT_EQ(platform::WaitAny(events, 0), 2u);

  EXPECT_EQ(platform::WaitAny(std::span<Event* const>{}), std::nullopt);
}

TEST_F(Threads, AnAutoResetSetWakesExactlyOneWaiter) {
  Event job(false, false);
  Event stop(true, false);
  std::atomic<int> taken{0};
  auto body = [&] {
    Event* events[] = {&stop, &job};
    while (platform::WaitAny(events) == 1u) ++taken;
  };
  LambdaThread a(body);
  LambdaThread b(body);
  a.Resume();
  b.Resume();
  for (int i = 1; i <= 50; ++i) {
    platform::SettleWorkers();
    job.Set();
    platform::SettleWorkers();
    EXPECT_EQ(taken, i);
    EXPECT_FALSE(job.IsSet());
  }
  stop.Set();
  a.WaitFor();
  b.WaitFor();
}

}  // namespace
