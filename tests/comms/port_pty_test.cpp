// The port on a real terminal device: a pseudo-terminal whose slave is bound
// to COM5 and whose master plays the far end. Real time, so every wait polls
// with a generous limit and never assumes a speed.
#include <gtest/gtest.h>
#include <termios.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "port_fixture.h"
#include "tests/support/pty.h"

namespace comms_test {
namespace {

using namespace comms;
using namespace std::chrono_literals;

constexpr auto kPatience = 20s;

// Polls until done() holds, serving hand-overs meanwhile; false on giving up.
bool WaitUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    if (!platform::CheckSynchronize()) std::this_thread::sleep_for(1ms);
  }
  return true;
}

class PtyTest : public ::testing::Test {
 protected:
  PtyTest() {
    platform::SetMainThread();
    port.SetPort(COM5);
    port.FlowControl().SetControlDtr(dtrEnable);
    port.FlowControl().SetControlRts(rtsEnable);
  }

  void TearDown() override { port.Close(); }

  testsupport::PtyPort com5{5};
  testsupport::PseudoTerminal& pty = com5.Pty();
  TComPort port{nullptr};
};

TEST_F(PtyTest, OpenAppliesSpeedAndRawEightNOne) {
  for (auto [rate, speed] : {std::pair{br9600, B9600}, std::pair{br19200, B19200},
                             std::pair{br38400, B38400}}) {
    port.SetBaudRate(rate);
    port.Open();
    const termios t = pty.SlaveSettings();
    EXPECT_EQ(cfgetospeed(&t), speed);
    EXPECT_EQ(cfgetispeed(&t), speed);
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);  // raw
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    port.Close();
  }
}

TEST_F(PtyTest, BytesTravelBothWays) {
  std::string received;
  std::int32_t reported = 0;
  port.OnRxChar = [&](rtl::TObject* sender, std::int32_t inQue) {
    EXPECT_EQ(sender, &port);
    EXPECT_TRUE(platform::IsMainThread());
    std::string text;
    EXPECT_EQ(port.ReadText(text, inQue, true), inQue);  // InQue was all there
    received += text;
    reported += inQue;
  };
  port.Open();
  EXPECT_EQ(port.WriteText("AT V1\r\n", true), 7);
  EXPECT_EQ(pty.Read(7), "AT V1\r\n");

  pty.Write("OK\r\n");
  EXPECT_TRUE(WaitUntil([&] { return received.size() >= 4; })) << received;
  EXPECT_EQ(received, "OK\r\n");
  EXPECT_EQ(reported, 4);
  port.Close();  // its handler uses this test's own variables
}

TEST_F(PtyTest, ReadTextKeepsTheRequestedLength) {
  port.Open();  // OnRxChar unassigned: the bytes stay queued
  pty.Write("abc");
  ASSERT_TRUE(WaitUntil([&] { return port.InQueCount() == 3; }));
  std::string text;
  EXPECT_EQ(port.ReadText(text, 5, true), 3);
  ASSERT_EQ(text.size(), 5u);
  EXPECT_EQ(text.substr(0, 3), "abc");
}

TEST_F(PtyTest, ASecondOpenerIsRefused) {
  port.Open();
  TComPort other(nullptr);
  other.SetPort(COM5);
  try {
    other.Open();
    FAIL() << "the device was opened twice";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.Message(), "Unable to open com port: 5");
  }
  EXPECT_FALSE(other.Connected());
  port.Close();
  other.Open();  // free again
  EXPECT_TRUE(other.Connected());
}

TEST_F(PtyTest, AVanishedDeviceFailsWhateverTheEventMask) {
  port.SetEvents({});  // no monitoring thread to notice
  port.Open();
  pty.CloseMaster();
  std::string text;
  const std::pair<std::function<void()>, const char*> calls[] = {
      {[&] { port.ReadText(text, 4, true); }, "Operation aborted: 1167"},
      {[&] { port.CtsState(); }, "Unable to read com status: 1167"},
  };
  for (const auto& [call, message] : calls) {
    try {
      call();
      ADD_FAILURE() << "no error, expected " << message;
    } catch (const EComPort& e) {
      EXPECT_EQ(e.Message(), message);
    }
  }
}

TEST_F(PtyTest, StatusQueriesReadAThreeWireCableAsLow) {
  port.Open();
  EXPECT_FALSE(port.CtsState());
  EXPECT_FALSE(port.DsrState());
  EXPECT_FALSE(port.CarrierState());
}

TEST_F(PtyTest, CloseDiscardsWhatWasNotRead) {
  port.Open();
  pty.Write("unread");
  ASSERT_TRUE(WaitUntil([&] { return port.InQueCount() == 6; }));
  port.Close();
  port.Open();
  EXPECT_EQ(port.InQueCount(), 0);
}

TEST_F(PtyTest, CloseReturnsWhileBytesKeepArriving) {
  std::atomic<std::int64_t> handled{0};
  port.OnRxChar = [&](rtl::TObject*, std::int32_t inQue) {
    std::string text;
    handled += port.ReadText(text, inQue, true);
  };
  std::atomic<bool> stop{false}, sent{false};
  std::thread sender([&] {
    while (!stop) pty.Write("0123456789");
    sent = true;
  });
  port.Open();
  EXPECT_TRUE(WaitUntil([&] { return handled > 100; }));
  port.Close();
  EXPECT_FALSE(port.Connected());

  // Keep draining until the sender has seen the stop: a full terminal queue
  // would hold its last write forever.
  stop = true;
  port.Open();
  EXPECT_TRUE(WaitUntil([&] { return sent.load(); }));
  sender.join();
  port.Close();  // here: a last hand-over still counts into `handled`
}

}  // namespace
}  // namespace comms_test
