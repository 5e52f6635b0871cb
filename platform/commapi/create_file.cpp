// CreateFileA: the one place that decides what serves a device name.
#include "platform/commapi/bindings.h"
#include "platform/commapi/errors.h"
#include "platform/commapi/native_port.h"
#include "platform/commapi/trace_recorder.h"
#include "platform/commapi/virtual_port.h"

namespace commapi {

HANDLE CreateFileA(const char* fileName, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) {
  if (fileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  DeviceTarget target = ClaimDevice(fileName);
  std::shared_ptr<Port> port;
  if (target.error != 0)
    SetLastError(target.error);
  else
    port = target.device ? VirtualPort::Open(target.name, std::move(target.device))
                         : OpenNativePort(target.name, target.path);
  if (!port) {
    if (trace_hooks::Recording()) trace_hooks::OpenFailed(GetLastError());
    return INVALID_HANDLE_VALUE;
  }
  HANDLE handle = RegisterHandle(std::move(port));
  if (trace_hooks::Recording()) trace_hooks::Opened(handle, target.name);
  return handle;
}

}  // namespace commapi
