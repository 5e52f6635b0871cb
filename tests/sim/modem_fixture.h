// A simulated modem on a recording line, in virtual time.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/clock.h"
#include "platform/commapi/virtual_device.h"
#include "sim/OutputQueue.h"
#include "sim/SimulatedModem.h"
#include "sim/Timing.h"

namespace simtest {

// The port side of the cable: keeps what arrives.
class RecordingLine : public commapi::VirtualLine {
 public:
  void Receive(std::string_view bytes) override { text.append(bytes); }
  void SetModemStatus(bool cts, bool dsr, bool rlsd, bool) override {
    lines = {cts, dsr, rlsd};
    // Marks where in the byte stream each line change came.
    text += rlsd != lastCarrier ? (rlsd ? "[CD+]" : "[CD-]") : "";
    lastCarrier = rlsd;
  }
  void Vanish() override { vanished = true; }

  std::string text;
  sim::LineStates lines;
  bool lastCarrier = false;
  bool vanished = false;
};

class ModemTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::clock::UseVirtualTime(true); }
  void TearDown() override {
    if (modem) modem->Detach();
    modem.reset();
    platform::clock::UseVirtualTime(false);
  }

  void Plug(const std::string& profile, std::uint32_t baud = 19200) {
    modem = sim::SimulatedModem::Create(profile);
    ASSERT_NE(modem, nullptr) << profile;
    baud_ = baud;
    modem->Attach(line);
    SetLines(true, true);
    line.text.clear();
  }

  void SetLines(bool dtr, bool rts) {
    commapi::DCB dcb{};
    dcb.BaudRate = baud_;
    dcb.ByteSize = 8;
    modem->Configure(dcb, dtr, rts);
  }

  static void Wait(platform::clock::Millis ms) {
    platform::clock::Sleep(static_cast<std::uint32_t>(ms));
  }

  // Writes bytes, lets `ms` pass, and returns what came back meanwhile.
  std::string Say(std::string_view bytes, platform::clock::Millis ms = 300) {
    line.text.clear();
    modem->Transmit(bytes);
    Wait(ms);
    return Take();
  }

  std::string Take() { return std::exchange(line.text, {}); }

  // Dials and waits for the connection and the greeting.
  void Connect() {
    Say("ATDT 5551234\r\n", sim::timing::kConnectMs + sim::timing::kGreetingMs + 100);
    ASSERT_TRUE(modem->Online());
  }

  // "+++" with a second of silence on both sides.
  std::string Escape() {
    Wait(1100);
    return Say("+++", 1100);
  }

  RecordingLine line;
  std::shared_ptr<sim::SimulatedModem> modem;

 private:
  std::uint32_t baud_ = 19200;
};

}  // namespace simtest
