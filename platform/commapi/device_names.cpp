#include "platform/commapi/device_names.h"

#include <cctype>
#include <optional>

#include "platform/commapi/virtual_device.h"
#include "platform/environment.h"

namespace commapi {

namespace {

constexpr std::string_view kDevicePrefix = "\\\\.\\";
constexpr int kMaxComPort = 255;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

}  // namespace

std::optional<int> ComPortNumber(const std::string& deviceName) {
  std::string_view name = deviceName;
  if (name.starts_with(kDevicePrefix)) name.remove_prefix(kDevicePrefix.size());
  if (!StartsWithNoCase(name, "COM")) return std::nullopt;
  name.remove_prefix(3);
  if (name.empty() || name.size() > 3 || name.front() == '0') return std::nullopt;
  int number = 0;
  for (char c : name) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    number = number * 10 + (c - '0');
  }
  if (number > kMaxComPort) return std::nullopt;
  return number;
}

std::string CanonicalDeviceName(const std::string& deviceName) {
  auto number = ComPortNumber(deviceName);
  if (!number) return deviceName;
  return std::string(kDevicePrefix) + "COM" + std::to_string(*number);
}

std::string MappedDevicePath(const std::string& deviceName) {
  auto number = ComPortNumber(deviceName);
  if (!number) return deviceName;
  const std::string variable = "TELVORA_COM" + std::to_string(*number);
  if (std::optional<std::string> value = platform::Variable(variable); value && !value->empty())
    return *value;
  return DefaultDevicePath(*number);
}

}  // namespace commapi
