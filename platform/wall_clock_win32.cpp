#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "platform/wall_clock.h"

namespace platform {

// The C library's %z names the zone on Windows rather than giving its offset,
// so the offset is worked out from the zone's bias (minutes behind UTC).
std::string LocalDateTime() {
  SYSTEMTIME local{};
  ::GetLocalTime(&local);
  TIME_ZONE_INFORMATION zone{};
  LONG bias = 0;
  switch (::GetTimeZoneInformation(&zone)) {
    case TIME_ZONE_ID_DAYLIGHT:
      bias = zone.Bias + zone.DaylightBias;
      break;
    case TIME_ZONE_ID_STANDARD:
      bias = zone.Bias + zone.StandardBias;
      break;
    case TIME_ZONE_ID_UNKNOWN:
      bias = zone.Bias;
      break;
    default:
      break;
  }
  const long offset = -bias;
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d %c%02ld%02ld",
                int{local.wYear}, int{local.wMonth}, int{local.wDay}, int{local.wHour},
                int{local.wMinute}, int{local.wSecond}, offset < 0 ? '-' : '+',
                std::labs(offset) / 60, std::labs(offset) % 60);
  return text;
}

}  // namespace platform
