// The serial ports Windows knows now (built-in, USB adapters, modems), from
// the map the serial drivers keep in the registry; devRoot has no meaning here.
#include <windows.h>

#include <algorithm>

#include "platform/serial_devices.h"

namespace platform {

const char* SerialDevicePlaces() { return "HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM"; }

std::vector<SerialDevice> FindSerialDevices(const std::string&) {
  std::vector<SerialDevice> devices;
  HKEY map = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &map) !=
      ERROR_SUCCESS) {
    return devices;
  }
  for (DWORD index = 0;; ++index) {
    char name[256], port[64];
    DWORD nameSize = sizeof name, portSize = sizeof port, type = 0;
    const LONG result = RegEnumValueA(map, index, name, &nameSize, nullptr, &type,
                                      reinterpret_cast<BYTE*>(port), &portSize);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS || type != REG_SZ) continue;
    devices.push_back({"\\\\.\\" + std::string(port, strnlen(port, portSize)), ""});
  }
  RegCloseKey(map);
  std::sort(devices.begin(), devices.end(),
            [](const SerialDevice& a, const SerialDevice& b) { return a.path < b.path; });
  return devices;
}

}  // namespace platform
