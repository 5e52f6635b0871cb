// Why a device could not be opened, in words for the user.
#pragma once

#include <string>

namespace commapi {

// One line on the last failed open of deviceName ("\\.\COM3"): who holds the
// device, which group may use it, or what the name maps to and how to change
// that. Empty when there is nothing to add or the last open succeeded.
std::string DescribeOpenFailure(const std::string& deviceName);

}  // namespace commapi
