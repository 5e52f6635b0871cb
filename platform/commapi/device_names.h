// COM device names and what they map to on this machine.
#pragma once

#include <optional>
#include <string>

namespace commapi {

// n for "\\.\COMn" or "COMn" (any letter case), else nullopt.
std::optional<int> ComPortNumber(const std::string& deviceName);

// "\\.\COMn" for every spelling of a COM name; other names unchanged. Bindings
// are kept under this form so "COM3" and "\\.\COM3" are one device.
std::string CanonicalDeviceName(const std::string& deviceName);

// The system's own device for COMn when TELVORA_COMn does not name another:
// /dev/ttyS(n-1) on POSIX, "\\.\COMn" itself on Windows.
std::string DefaultDevicePath(int comNumber);

}  // namespace commapi
