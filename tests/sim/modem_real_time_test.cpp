// Real time, as in the window: results come from the clock's own thread
// while the port's thread writes. Waits only for the replies themselves.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "platform/clock.h"
#include "platform/commapi/virtual_device.h"
#include "sim/SimulatedModem.h"

namespace {

class SharedLine : public commapi::VirtualLine {
 public:
  void Receive(std::string_view bytes) override {
    std::lock_guard lock(mutex_);
    text_.append(bytes);
    arrived_.notify_all();
  }
  void SetModemStatus(bool, bool, bool, bool) override {}
  void Vanish() override {}

  // The text once `count` copies of `reply` have come (or a generous time passed).
  std::string WaitFor(const std::string& reply, std::size_t count) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, std::chrono::seconds(20), [&] { return Count(reply) >= count; });
    return text_;
  }

  std::size_t Count(const std::string& reply) const {
    std::size_t n = 0;
    for (auto at = text_.find(reply); at != std::string::npos; at = text_.find(reply, at + 1)) ++n;
    return n;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::string text_;
};

TEST(ModemInRealTime, DeliversWholeRepliesFromTheClockThread) {
  platform::clock::UseVirtualTime(false);
  SharedLine line;
  auto modem = sim::SimulatedModem::Create("standard");
  modem->Attach(line);
  commapi::DCB dcb{};
  dcb.BaudRate = 19200;
  modem->Configure(dcb, true, true);
  for (int i = 0; i < 20; ++i) modem->Transmit("ATE0S7?\r\n");
  const std::string text = line.WaitFor("\r\n050\r\n\r\nOK\r\n", 20);
  EXPECT_EQ(line.Count("\r\n050\r\n\r\nOK\r\n"), 20u) << text;

  // Going away with callbacks still scheduled (a dial, line noise) is safe.
  modem->Transmit("ATDT1\r\n");
  auto other = sim::SimulatedModem::Create("garbage");
  other->Transmit("ATZ\r\n");
  modem.reset();
  other.reset();
}

}  // namespace
