#include "platform/commapi/open_failure.h"

#include <map>
#include <mutex>
#include <set>

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
std::set<std::string> namedByPath;        // canonical device names

bool NamedByPath(const std::string& deviceName) {
  std::lock_guard lock(failuresMutex);
  return namedByPath.count(CanonicalDeviceName(deviceName)) > 0;
}

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
  if (!number || NamedByPath(deviceName)) return path + " " + problem;
  const std::string com = "COM" + std::to_string(*number);
  return com + " maps to " + path + ", which " + problem + "; set TELVORA_" + com +
         " to the device to use";
}

void NameByPath(const std::string& deviceName, bool byPath) {
  std::lock_guard lock(failuresMutex);
  if (byPath)
    namedByPath.insert(CanonicalDeviceName(deviceName));
  else
    namedByPath.erase(CanonicalDeviceName(deviceName));
}

}  // namespace commapi
