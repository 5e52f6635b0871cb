// Event reporting: the monitoring thread, the three hand-over methods, the
// dispatch order, and what a close or a failing handler does to it.
#include <gtest/gtest.h>

#include <exception>
#include <thread>

#include "comms/EventWindow.h"
#include "port_fixture.h"

namespace comms_test {
namespace {

using namespace comms;
using Lines = std::vector<std::string>;

class HandOverTest : public PortTest, public ::testing::WithParamInterface<TSyncMethod> {
 protected:
  HandOverTest() {
    port.SetSyncMethod(GetParam());
    port.OnRxChar = [this](rtl::TObject*, std::int32_t inQue) {
      std::string text;
      port.ReadText(text, inQue, true);
      Record("RxChar " + text.substr(0, inQue));
      if (auto then = onRx) then();  // a copy: it may clear itself
    };
    port.OnTxEmpty = Recorder("TxEmpty");
    port.OnBreak = Recorder("Break");
    port.OnRing = Recorder("Ring");
    port.OnCTS = Recorder("CTS");
    port.OnDSR = Recorder("DSR");
    port.OnRxFlag = Recorder("RxFlag");
    port.OnRLSD = Recorder("RLSD");
    port.OnError = Recorder("Error");
    port.OnRx80Full = Recorder("Rx80Full");
    port.OnClose = [this](rtl::TObject*) { log.Add("Close"); };  // always here
  }

  TNotifyEvent Recorder(std::string name) {
    return [this, name](rtl::TObject* sender) {
      EXPECT_EQ(sender, &port);
      Record(name);
    };
  }

  void Record(std::string line) {
    // Synchronised hand-overs run on this (the user-interface) thread, smNone
    // on the monitoring thread.
    EXPECT_EQ(platform::IsMainThread(), GetParam() != smNone) << line;
    log.Add(std::move(line));
  }

  // The handlers use onRx: close while it is there.
  void TearDown() override { port.Close(); }

  std::function<void()> onRx;  // runs inside the next OnRxChar
};

TEST_P(HandOverTest, OneBatchIsHandedOverInTableOrder) {
  port.SetEventChar('!');
  port.Open();
  // What happens while a batch is being handed over waits for the next wait,
  // which then reports it all at once.
  onRx = [this] {
    onRx = nullptr;
    device->Send("b!");
    device->SetLines(true, true, true, true);
  };
  device->Send("a");
  Pump();
  EXPECT_EQ(log.Lines(), (Lines{"RxChar a", "RxChar b!", "Ring", "CTS", "DSR", "RxFlag", "RLSD"}));
}

TEST_P(HandOverTest, CloseServesTheHandOverItFindsWaiting) {
  port.Open();
  device->Send("late");
  platform::SettleWorkers();  // a batch is on its way, nobody has run it
  port.Close();
  EXPECT_EQ(log.Lines(), (Lines{"RxChar late", "Close"}));
}

TEST_P(HandOverTest, OnlyTheChosenEventsAreReported) {
  port.SetEvents({evRxChar, evDSR});
  port.Open();
  device->SetLines(true, false, true);
  device->Send("x");
  device->SetLines(false, true, false);
  Pump();
  EXPECT_EQ(log.Lines(), (Lines{"RxChar x", "DSR"}));
}

TEST_P(HandOverTest, NoEventsMeansNoThreadAndNoHandlers) {
  port.SetEvents({});
  port.Open();
  device->Send("quiet");
  device->SetLines(true, true, true);
  Pump();
  EXPECT_TRUE(log.Lines().empty());
  EXPECT_EQ(port.InQueCount(), 5);  // left for whoever reads it
  EXPECT_TRUE(port.CtsState());
  EXPECT_EQ(port.WriteText("AT", true), 2);
}

TEST_P(HandOverTest, AnUnassignedRxCharLeavesTheBytesQueued) {
  port.OnRxChar = nullptr;
  port.Open();
  device->Send("abc");
  device->SetLines(true, false, false);
  Pump();
  EXPECT_EQ(log.Lines(), Lines{"CTS"});
  EXPECT_EQ(port.InQueCount(), 3);
}

// A handler that raises ends the monitoring thread: reported once, nothing
// terminates, and the port stays usable until it is closed.
TEST_P(HandOverTest, AFailingHandlerEndsMonitoringCleanly) {
  std::mutex mutex;
  Lines reported;
  platform::SetUnhandledExceptionHandler([&](std::exception_ptr error) {
    std::lock_guard lock(mutex);
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      reported.push_back(e.what());
    }
  });
  port.Open();
  onRx = [] { throw rtl::Exception("handler failed"); };
  device->Send("a");
  Pump();
  onRx = nullptr;
  device->Send("b");
  device->SetLines(true, true, true);
  Pump();
  platform::SetUnhandledExceptionHandler(nullptr);
  {
    std::lock_guard lock(mutex);
    EXPECT_EQ(reported, Lines{"handler failed"});
  }
  EXPECT_EQ(log.Lines(), Lines{"RxChar a"});
  EXPECT_TRUE(port.Connected());
  EXPECT_EQ(port.WriteText("AT", true), 2);
  port.Close();
  EXPECT_EQ(log.Lines(), (Lines{"RxChar a", "Close"}));
}

// A Close from inside a handler would wait for the thread the handler runs
// on (or free it under the handler): refused, and the port stays whole.
TEST_P(HandOverTest, CloseFromItsOwnHandlerIsRefused) {
  port.Open();
  onRx = [this] {
    onRx = nullptr;
    try {
      port.Close();
      log.Add("closed inside");
    } catch (const EComPort& e) {
      log.Add(e.what());
    }
  };
  device->Send("a");
  Pump();
  EXPECT_TRUE(port.Connected());
  port.Close();
  EXPECT_EQ(log.Lines(),
            (Lines{"RxChar a", "Cannot close the port from its own event handler", "Close"}));
}

std::string SyncMethodName(const ::testing::TestParamInfo<TSyncMethod>& info) {
  static const char* const names[] = {"Synchronize", "Window", "None"};
  return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(SyncMethods, HandOverTest,
                         ::testing::Values(smSynchronize, smWindow, smNone), SyncMethodName);

TEST_F(PortTest, AWaitThatFailsAtOnceBlocksInsteadOfSpinning) {
  port.Open();
  platform::SettleWorkers();  // in its first wait
  // Ends the pending wait; every wait after it fails at once (no mask).
  commapi::SetCommMask(port.Handle(), 0);
  int handOvers = 0;
  do platform::SettleWorkers();
  while (platform::CheckSynchronize() && ++handOvers < 50);
  EXPECT_EQ(handOvers, 1);  // the ended wait's, with nothing in it
}

TEST_F(PortTest, EventWindowTakesOneBitPerMessage) {
  Lines calls;
  port.OnCTS = [&](rtl::TObject*) { calls.push_back("CTS"); };
  port.OnDSR = [&](rtl::TObject*) { calls.push_back("DSR"); };
  EventWindow window(port);
  EXPECT_EQ(window.Send(1033, commapi::EV_CTS | commapi::EV_DSR, 0), 0);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(window.Send(1033, commapi::EV_DSR, 0), 0);
  EXPECT_EQ(window.Send(1034, commapi::EV_CTS, 0), 0);  // not ours: default handling
  EXPECT_EQ(calls, Lines{"DSR"});

  // From another thread the message is handled here, once it is served.
  std::thread sender([&] { window.Send(1033, commapi::EV_CTS, 0); });
  while (calls.size() < 2) platform::CheckSynchronize();
  sender.join();
  EXPECT_EQ(calls, (Lines{"DSR", "CTS"}));
}

}  // namespace
}  // namespace comms_test
