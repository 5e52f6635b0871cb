// Ports on the machine's own devices (a serial port, a pseudo-terminal).
#pragma once

#include <memory>
#include <string>

#include "platform/commapi/port.h"

namespace commapi {

// Opens the device at path, which deviceName maps to, exclusively in raw
// mode; null with the last error set when it cannot be opened (and what
// DescribeOpenFailure tells about it).
std::shared_ptr<Port> OpenNativePort(const std::string& deviceName, const std::string& path);

}  // namespace commapi
