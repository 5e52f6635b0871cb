// The handle table: every HANDLE the emulation gives out points at one of
// these objects. The table holds the only owning reference until CloseHandle;
// a lookup returns a shared reference, so an object stays alive while a call
// on another thread is still using it.
#pragma once

#include <memory>

#include "platform/commapi/commapi.h"

namespace commapi {

class HandleObject {
 public:
  virtual ~HandleObject() = default;
  // Called by CloseHandle once the handle has left the table.
  virtual void Close() {}
};

// Enters an object and returns its handle: the object's address, or `key`
// when given (an event is known by its kernel handle where it has one).
HANDLE RegisterHandle(std::shared_ptr<HandleObject> object, HANDLE key = nullptr);

// The live object behind a handle, or null (closed, never issued, or of
// another kind).
std::shared_ptr<HandleObject> FindHandle(HANDLE handle);

template <typename T>
std::shared_ptr<T> FindHandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(FindHandle(handle));
}

}  // namespace commapi
