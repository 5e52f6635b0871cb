// A virtual device that can be absent, as a USB modem is while switched off:
// opening its name then fails as for a device that does not exist.
#pragma once

namespace commapi {

class DevicePresence {
 public:
  virtual ~DevicePresence() = default;
  virtual bool Present() const = 0;
};

}  // namespace commapi
