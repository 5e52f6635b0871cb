#include "platform/commapi/open_failure.h"

#include <map>
#include <mutex>

#include "platform/commapi/device_names.h"
#include "platform/commapi/virtual_device.h"

namespace commapi {

namespace {

struct Failure {
  std::string path;  // what the name mapped to then
  std::string line;
};

std::mutex failuresMutex;
std::map<std::string, Failure> failures;  // by canonical device name

}  // namespace

void RecordOpenFailure(const std::string& deviceName, const std::string& path, std::string line) {
  std::lock_guard lock(failuresMutex);
  failures[CanonicalDeviceName(deviceName)] = Failure{path, std::move(line)};
}

void ClearOpenFailure(const std::string& deviceName) {
  std::lock_guard lock(failuresMutex);
  failures.erase(CanonicalDeviceName(deviceName));
}

std::string DescribeOpenFailure(const std::string& deviceName) {
  const std::string path = MappedDevicePath(deviceName);
  std::lock_guard lock(failuresMutex);
  auto it = failures.find(CanonicalDeviceName(deviceName));
  return it != failures.end() && it->second.path == path ? it->second.line : std::string();
}

std::string MappingLine(const std::string& deviceName, const std::string& path,
                        const char* problem) {
  const std::optional<int> number = ComPortNumber(deviceName);
  if (!number) return path + " " + problem;
  const std::string com = "COM" + std::to_string(*number);
  return com + " maps to " + path + ", which " + problem + "; set TELVORA_" + com +
         " to the device to use";
}

}  // namespace commapi
