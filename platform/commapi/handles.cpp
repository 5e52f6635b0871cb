#include "platform/commapi/handles.h"

#include <mutex>
#include <unordered_map>

#include "platform/commapi/errors.h"
#include "platform/commapi/trace_recorder.h"

namespace commapi {

namespace {

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<HANDLE, std::shared_ptr<HandleObject>> objects;
};

HandleTable& Table() {
  static HandleTable table;
  return table;
}

}  // namespace

HANDLE RegisterHandle(std::shared_ptr<HandleObject> object, HANDLE key) {
  HANDLE handle = key != nullptr ? key : object.get();
  HandleTable& table = Table();
  std::lock_guard lock(table.mutex);
  table.objects.emplace(handle, std::move(object));
  return handle;
}

std::shared_ptr<HandleObject> FindHandle(HANDLE handle) {
  HandleTable& table = Table();
  std::lock_guard lock(table.mutex);
  auto it = table.objects.find(handle);
  return it == table.objects.end() ? nullptr : it->second;
}

BOOL CloseHandle(HANDLE handle) {
  std::shared_ptr<HandleObject> object;
  {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.objects.find(handle);
    if (it == table.objects.end()) return Fail(ERROR_INVALID_HANDLE);
    object = std::move(it->second);
    table.objects.erase(it);
  }
  if (trace_hooks::Recording()) trace_hooks::Closed(handle);
  // Outside the table lock: closing a port detaches its device, which may
  // call back into the emulation.
  object->Close();
  return 1;
}

}  // namespace commapi
