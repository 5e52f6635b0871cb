// The serial devices this machine has now, as a user looks for a USB adapter.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct SerialDevice {
  std::string path;    // what to open
  std::string target;  // for a stable alias: the device it stands for; else empty
};

// The stable aliases first (/dev/serial/by-id/*, with what each points to),
// then the USB serial and modem devices (ttyUSB*, ttyACM*), each group sorted.
// devRoot is "/dev" but for tests.
std::vector<SerialDevice> FindSerialDevices(const std::string& devRoot = "/dev");

// Where FindSerialDevices looks, in words, for a user told it found nothing.
const char* SerialDevicePlaces();

}  // namespace platform
