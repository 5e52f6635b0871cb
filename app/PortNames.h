// What the COM names of the Port menu stand for on this machine: the device
// each maps to, as a user would recognise it, and whether it is there.
#pragma once

#include <string>

namespace ports {

struct ComPortInfo {
  std::string name;    // "COM3"
  std::string mapped;  // what it maps to: a device path or "scheme:argument"
  std::string device;  // that, as shown: "/dev/ttyUSB0", "simulated modem (standard)"
  bool present = false;
};

// number: 1 for COM1.
ComPortInfo DescribeComPort(int number);

// "COM3 → /dev/ttyUSB0" (UTF-8).
std::string ShownPort(const ComPortInfo& info);

}  // namespace ports
