// Which device names are served by virtual devices, and which of those are
// open: CreateFileA claims a device here and the port releases it on close.
#pragma once

#include <memory>
#include <string>

#include "platform/commapi/virtual_device.h"

namespace commapi {

struct DeviceTarget {
  std::string name;                       // the canonical device name
  std::shared_ptr<VirtualDevice> device;  // a virtual device, now claimed
  std::string path;                       // or else the native path to open
  DWORD error = 0;                        // nonzero: nothing can be opened
};

// Resolves a device name: a bound device (or one a registered scheme creates
// for the mapped path, which is then bound) is claimed for the caller; an
// already claimed one gives ERROR_ACCESS_DENIED.
DeviceTarget ClaimDevice(const std::string& deviceName);

// The port on a claimed device was closed.
void ReleaseDevice(const std::string& canonicalName, const VirtualDevice* device);

}  // namespace commapi
