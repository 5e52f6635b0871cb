#include "platform/commapi/device_names.h"

namespace commapi {

// The device namespace form also reaches COM10 and above.
std::string DefaultDevicePath(int comNumber) { return "\\\\.\\COM" + std::to_string(comNumber); }

}  // namespace commapi
