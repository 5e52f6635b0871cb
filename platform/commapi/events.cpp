#include "platform/commapi/events.h"

#include <memory>
#include <optional>
#include <vector>

#include "platform/commapi/errors.h"

namespace commapi {

namespace {

// Windows limits a wait to this many handles.
constexpr DWORD kMaxWaitObjects = 64;

std::optional<std::int64_t> Timeout(DWORD milliseconds) {
  if (milliseconds == INFINITE) return std::nullopt;
  return static_cast<std::int64_t>(milliseconds);
}

}  // namespace

HANDLE CreateEventA(void*, BOOL manualReset, BOOL initialState, const char*) {
  auto object = std::make_shared<EventObject>(manualReset != 0, initialState != 0);
  // Under its kernel handle where there is one, so an overlapped record
  // carrying this event serves a kernel transfer as it stands.
  HANDLE key = object->event.NativeHandle();
  return RegisterHandle(std::move(object), key);
}

BOOL SetEvent(HANDLE handle) {
  auto object = FindHandleAs<EventObject>(handle);
  if (!object) return Fail(ERROR_INVALID_HANDLE);
  object->event.Set();
  return 1;
}

BOOL ResetEvent(HANDLE handle) {
  auto object = FindHandleAs<EventObject>(handle);
  if (!object) return Fail(ERROR_INVALID_HANDLE);
  object->event.Reset();
  return 1;
}

void SignalEvent(HANDLE handle) {
  if (auto object = FindHandleAs<EventObject>(handle)) object->event.Set();
}

void ClearEvent(HANDLE handle) {
  if (auto object = FindHandleAs<EventObject>(handle)) object->event.Reset();
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  return WaitForMultipleObjects(1, &handle, 0, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll,
                             DWORD milliseconds) {
  if (count == 0 || count > kMaxWaitObjects || handles == nullptr || waitAll) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  // The shared references keep every event alive for the whole wait, even
  // when another thread closes its handle meanwhile.
  std::vector<std::shared_ptr<EventObject>> objects;
  std::vector<platform::Event*> events;
  for (DWORD i = 0; i < count; ++i) {
    auto object = FindHandleAs<EventObject>(handles[i]);
    if (!object) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    events.push_back(&object->event);
    objects.push_back(std::move(object));
  }
  std::optional<std::size_t> index = platform::WaitAny(events, Timeout(milliseconds));
  if (!index) return WAIT_TIMEOUT;
  return WAIT_OBJECT_0 + static_cast<DWORD>(*index);
}

}  // namespace commapi
