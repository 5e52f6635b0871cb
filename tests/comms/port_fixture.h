// A port on COM3 with a recording device at the far end, and the hand-over
// pump the tests run instead of a window's message loop.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "comms/Comms.h"
#include "platform/threads.h"
#include "recording_device.h"

namespace comms_test {

// Runs the hand-overs the monitoring thread queued, once it has settled,
// until it is back in its wait with nothing to report.
inline void Pump() {
  do platform::SettleWorkers();
  while (platform::CheckSynchronize());
}

// Lines written by handlers, possibly from the monitoring thread.
class EventLog {
 public:
  void Add(std::string line) {
    std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
  }
  std::vector<std::string> Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

class PortTest : public ::testing::Test {
 protected:
  PortTest() {
    platform::SetMainThread();
    port.SetPort(comms::COM3);
    // The main window's lines: raised.
    port.FlowControl().SetControlDtr(comms::dtrEnable);
    port.FlowControl().SetControlRts(comms::rtsEnable);
  }

  // The port goes first: its destruction closes it, which may still call
  // handlers that write to the log.
  BoundDevice device{"\\\\.\\COM3"};
  EventLog log;
  comms::TComPort port{nullptr};
};

}  // namespace comms_test
