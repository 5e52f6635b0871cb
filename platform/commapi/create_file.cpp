// CreateFileA: the one place that decides what serves a device name.
#include "platform/commapi/bindings.h"
#include "platform/commapi/errors.h"
#include "platform/commapi/native_port.h"
#include "platform/commapi/virtual_port.h"

namespace commapi {

HANDLE CreateFileA(const char* fileName, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) {
  if (fileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  DeviceTarget target = ClaimDevice(fileName);
  if (target.error != 0) {
    SetLastError(target.error);
    return INVALID_HANDLE_VALUE;
  }
  if (target.device) {
    return RegisterHandle(VirtualPort::Open(std::move(target.name), std::move(target.device)));
  }
  std::shared_ptr<Port> port = OpenNativePort(target.name, target.path);
  if (!port) return INVALID_HANDLE_VALUE;
  return RegisterHandle(std::move(port));
}

}  // namespace commapi
