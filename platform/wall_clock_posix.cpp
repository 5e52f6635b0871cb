#include <time.h>

#include "platform/wall_clock.h"

namespace platform {

std::string LocalDateTime() {
  const time_t now = ::time(nullptr);
  tm local{};
  char text[64];
  if (::localtime_r(&now, &local) == nullptr ||
      ::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %z", &local) == 0)
    return "";
  return text;
}

}  // namespace platform
