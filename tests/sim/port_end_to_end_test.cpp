// The real port component with its monitoring thread against the simulated
// modem, in virtual time: events reach the user-interface thread in the same
// order every time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "comms/Comms.h"
#include "platform/clock.h"
#include "platform/commapi/virtual_device.h"
#include "platform/threads.h"
#include "sim/SimulatedModem.h"
#include "tests/support/ScopedEnv.h"

namespace {

std::string Visible(const std::string& text) {
  std::string out;
  for (char c : text)
    out += c == '\r' ? std::string("<CR>") : c == '\n' ? "<LF>" : std::string(1, c);
  return out;
}

class PortOnModem : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetMainThread();
    platform::clock::UseVirtualTime(true);
  }
  void TearDown() override { platform::clock::UseVirtualTime(false); }

  // Opens the port, writes "AT V1", runs the message loop until "OK" comes
  // and returns every event the handlers saw, with the time they ran.
  static std::vector<std::string> DetectOn(comms::TPortType portName) {
    std::vector<std::string> events;
    std::string received;
    auto note = [&](const std::string& what) {
      events.push_back(std::to_string(platform::clock::Now()) +
                       (platform::IsMainThread() ? " " : " (worker) ") + what);
    };
    // After what its handlers use: a port left open by a failure still
    // closes while they are there.
    comms::TComPort port(nullptr);
    port.SetPort(portName);
    port.SetBaudRate(comms::br19200);
    port.FlowControl().SetControlDtr(comms::dtrEnable);
    port.FlowControl().SetControlRts(comms::rtsEnable);
    port.OnRxChar = [&](rtl::TObject*, std::int32_t count) {
      std::string text;
      port.ReadText(text, count, true);
      received += text;
      note("rx " + Visible(text));
    };
    port.OnCTS = [&](rtl::TObject*) { note(port.CtsState() ? "CTS on" : "CTS off"); };
    port.OnDSR = [&](rtl::TObject*) { note(port.DsrState() ? "DSR on" : "DSR off"); };
    port.OnRLSD = [&](rtl::TObject*) { note(port.CarrierState() ? "CD on" : "CD off"); };

    port.Open();
    port.WriteText("AT V1\r\n", true);
    while (received.find("OK\r\n") == std::string::npos && platform::clock::Now() < 3000) {
      platform::SettleWorkers();
      platform::CheckSynchronize();
      platform::clock::Sleep(10);
    }
    port.Close();
    return events;
  }
};

TEST_F(PortOnModem, OkArrivesOnTheUiThreadWithTheSameEventsEveryTime) {
  std::vector<std::string> first;
  for (int run = 0; run < 200; ++run) {
    platform::clock::UseVirtualTime(true);
    auto modem = sim::SimulatedModem::Create("standard");
    commapi::BindVirtualDevice("\\\\.\\COM1", modem);
    const std::vector<std::string> events = DetectOn(comms::COM1);
    commapi::UnbindVirtualDevice("\\\\.\\COM1");
    if (run == 0) {
      first = events;
      ASSERT_FALSE(first.empty());
      EXPECT_NE(first.back().find("OK<CR><LF>"), std::string::npos) << first.back();
      std::string all;
      for (const auto& e : first) all += e + '\n';
      EXPECT_EQ(all.find("(worker)"), std::string::npos) << all;
      EXPECT_NE(all.find("rx AT V1<CR><LF>"), std::string::npos) << all;
    } else {
      ASSERT_EQ(events, first) << "run " << run;
    }
  }
}

TEST_F(PortOnModem, SimSchemeMapsAPortToANewModem) {
  sim::RegisterSimScheme();
  sim::RegisterSimScheme();  // a second call changes nothing
  std::optional<testsupport::ScopedEnv> mapping;
  mapping.emplace("TELVORA_COM9", "sim:standard");
  const std::vector<std::string> events = DetectOn(comms::COM9);
  ASSERT_FALSE(events.empty());
  EXPECT_NE(events.back().find("OK<CR><LF>"), std::string::npos);
  EXPECT_NE(
      std::dynamic_pointer_cast<sim::SimulatedModem>(commapi::BoundVirtualDevice("\\\\.\\COM9")),
      nullptr);

  mapping.emplace("TELVORA_COM9", "sim:no-such-modem");
  comms::TComPort port(nullptr);
  port.SetPort(comms::COM9);
  EXPECT_THROW(port.Open(), comms::EComPort);
  mapping.reset();
  commapi::UnbindVirtualDevice("\\\\.\\COM9");
}

}  // namespace
