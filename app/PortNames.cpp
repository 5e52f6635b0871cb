#include "app/PortNames.h"

#include <filesystem>
#include <system_error>

#include "platform/commapi/virtual_device.h"

namespace ports {

ComPortInfo DescribeComPort(int number) {
  ComPortInfo info;
  info.name = "COM" + std::to_string(number);
  const std::string deviceName = "\\\\.\\" + info.name;
  info.mapped = commapi::MappedDevicePath(deviceName);
  const std::size_t colon = info.mapped.find(':');
  if (colon != std::string::npos && info.mapped.front() != '/') {
    // A device the program makes itself when the port opens.
    const std::string scheme = info.mapped.substr(0, colon);
    info.device = scheme == "sim" ? "simulated modem (" + info.mapped.substr(colon + 1) + ")"
                                  : info.mapped;
    info.present = true;
  } else if (commapi::BoundVirtualDevice(deviceName)) {
    info.device = "virtual device";
    info.present = true;
  } else {
    info.device = info.mapped;
    std::error_code error;
    info.present = std::filesystem::exists(info.mapped, error);
  }
  return info;
}

std::string ShownPort(const ComPortInfo& info) { return info.name + " \u2192 " + info.device; }

}  // namespace ports
