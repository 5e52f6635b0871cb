#include "platform/commapi/device_names.h"

namespace commapi {

std::string DefaultDevicePath(int comNumber) { return "/dev/ttyS" + std::to_string(comNumber - 1); }

}  // namespace commapi
