// The date and time on the user's clock, for a record of when something ran.
// Time that programs wait by is platform/clock; this one may jump.
#pragma once

#include <string>

namespace platform {

// Now, local time with its offset from UTC: "2024-05-01 14:03:27 +0200".
std::string LocalDateTime();

}  // namespace platform
