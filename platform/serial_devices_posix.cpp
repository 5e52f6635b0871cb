#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/serial_devices.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

// Directory entries, sorted; none for a directory that is not there.
std::vector<fs::path> Entries(const fs::path& dir) {
  std::vector<fs::path> found;
  std::error_code error;
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error))
    found.push_back(it->path());
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace

const char* SerialDevicePlaces() { return "/dev/serial/by-id, /dev/ttyUSB*, /dev/ttyACM*"; }

std::vector<SerialDevice> FindSerialDevices(const std::string& devRoot) {
  std::vector<SerialDevice> devices;
  // udev names each USB serial device after its maker, model and serial
  // number here, whichever socket it is in.
  for (const fs::path& alias : Entries(fs::path(devRoot) / "serial" / "by-id")) {
    std::error_code error;
    const fs::path target = fs::canonical(alias, error);
    devices.push_back({alias.string(), error ? std::string() : target.string()});
  }
  for (const fs::path& device : Entries(devRoot)) {
    const std::string name = device.filename().string();
    if (name.starts_with("ttyUSB") || name.starts_with("ttyACM"))
      devices.push_back({device.string(), {}});
  }
  return devices;
}

}  // namespace platform
