#include "platform/commapi/open_failure.h"

#include <map>
#include <mutex>
#include <set>

#include "platform/commapi/device_names.h"
#include "platform/commapi/virtual_device.h"

namespace commapi {

namespace {

// The last open of a device that left something to tell.
struct Outcome {
  std::string path;  // what the name mapped to then
  std::string line;
  bool failed;
};

std::mutex outcomesMutex;
std::map<std::string, Outcome> outcomes;  // by canonical device name
std::set<std::string> namedByPath;        // canonical device names

std::string LineOf(const std::string& deviceName, bool failed) {
  const std::string path = MappedDevicePath(deviceName);
  std::lock_guard lock(outcomesMutex);
  auto it = outcomes.find(CanonicalDeviceName(deviceName));
  if (it == outcomes.end() || it->second.path != path || it->second.failed != failed) return {};
  return it->second.line;
}

void Record(const std::string& deviceName, Outcome outcome) {
  std::lock_guard lock(outcomesMutex);
  outcomes[CanonicalDeviceName(deviceName)] = std::move(outcome);
}

bool NamedByPath(const std::string& deviceName) {
  std::lock_guard lock(outcomesMutex);
  return namedByPath.count(CanonicalDeviceName(deviceName)) > 0;
}

}  // namespace

void RecordOpenFailure(const std::string& deviceName, const std::string& path, std::string line) {
  Record(deviceName, {path, std::move(line), true});
}

void RecordOpenNote(const std::string& deviceName, const std::string& path, std::string note) {
  Record(deviceName, {path, std::move(note), false});
}

void ClearOpenFailure(const std::string& deviceName) {
  std::lock_guard lock(outcomesMutex);
  outcomes.erase(CanonicalDeviceName(deviceName));
}

std::string DescribeOpenFailure(const std::string& deviceName) { return LineOf(deviceName, true); }

std::string DescribeOpenNote(const std::string& deviceName) { return LineOf(deviceName, false); }

std::string MappingLine(const std::string& deviceName, const std::string& path,
                        const char* problem) {
  const std::optional<int> number = ComPortNumber(deviceName);
  if (!number || NamedByPath(deviceName)) return path + " " + problem;
  const std::string com = "COM" + std::to_string(*number);
  return com + " maps to " + path + ", which " + problem + "; set TELVORA_" + com +
         " to the device to use";
}

void NameByPath(const std::string& deviceName, bool byPath) {
  std::lock_guard lock(outcomesMutex);
  if (byPath)
    namedByPath.insert(CanonicalDeviceName(deviceName));
  else
    namedByPath.erase(CanonicalDeviceName(deviceName));
}

}  // namespace commapi
