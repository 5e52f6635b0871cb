#include "platform/commapi/bindings.h"

#include <map>
#include <mutex>

#include "platform/commapi/device_names.h"
#include "platform/commapi/device_presence.h"

namespace commapi {

namespace {

struct Binding {
  std::shared_ptr<VirtualDevice> device;
  // The mapped path a scheme created the device for; empty when bound by hand.
  std::string createdFor;
  bool open = false;
};

struct Registry {
  std::mutex mutex;
  std::map<std::string, Binding> bindings;
  std::map<std::string, DeviceFactory> schemes;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

bool Present(const VirtualDevice& device) {
  const auto* presence = dynamic_cast<const DevicePresence*>(&device);
  return presence == nullptr || presence->Present();
}

}  // namespace

void BindVirtualDevice(const std::string& deviceName, std::shared_ptr<VirtualDevice> device) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  registry.bindings[CanonicalDeviceName(deviceName)] = Binding{std::move(device), {}, false};
}

void UnbindVirtualDevice(const std::string& deviceName) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  registry.bindings.erase(CanonicalDeviceName(deviceName));
}

std::shared_ptr<VirtualDevice> BoundVirtualDevice(const std::string& deviceName) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  auto it = registry.bindings.find(CanonicalDeviceName(deviceName));
  return it == registry.bindings.end() ? nullptr : it->second.device;
}

void RegisterDeviceScheme(const std::string& scheme, DeviceFactory factory) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  if (factory) {
    registry.schemes[scheme] = std::move(factory);
  } else {
    registry.schemes.erase(scheme);
  }
}

DeviceTarget ClaimDevice(const std::string& deviceName) {
  DeviceTarget target;
  target.name = CanonicalDeviceName(deviceName);
  const std::string mapped = MappedDevicePath(deviceName);

  Registry& registry = TheRegistry();
  std::unique_lock lock(registry.mutex);
  auto it = registry.bindings.find(target.name);
  // A device a scheme made for an earlier mapping does not stand for a new one.
  if (it != registry.bindings.end() && !it->second.open && !it->second.createdFor.empty() &&
      it->second.createdFor != mapped) {
    registry.bindings.erase(it);
    it = registry.bindings.end();
  }
  if (it == registry.bindings.end()) {
    const auto colon = mapped.find(':');
    auto scheme = colon == std::string::npos ? registry.schemes.end()
                                             : registry.schemes.find(mapped.substr(0, colon));
    if (scheme == registry.schemes.end()) {
      target.path = mapped;
      return target;
    }
    // The factory runs unlocked: building a device may take time or bind others.
    DeviceFactory factory = scheme->second;
    lock.unlock();
    std::shared_ptr<VirtualDevice> device = factory(mapped.substr(colon + 1));
    lock.lock();
    if (!device) {
      target.error = ERROR_FILE_NOT_FOUND;
      return target;
    }
    it = registry.bindings.try_emplace(target.name, Binding{std::move(device), mapped, false})
             .first;
  }
  if (!Present(*it->second.device)) {
    target.error = ERROR_FILE_NOT_FOUND;
    return target;
  }
  if (it->second.open) {
    target.error = ERROR_ACCESS_DENIED;
    return target;
  }
  it->second.open = true;
  target.device = it->second.device;
  return target;
}

void ReleaseDevice(const std::string& canonicalName, const VirtualDevice* device) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  auto it = registry.bindings.find(canonicalName);
  if (it != registry.bindings.end() && it->second.device.get() == device) it->second.open = false;
}

}  // namespace commapi
