// Event objects behind CreateEventA. They are built on platform::Event so
// that a thread waiting in WaitForMultipleObjects counts as blocked for
// virtual time; on Windows that is a kernel event, which kernel transfers
// signal themselves.
#pragma once

#include "platform/commapi/handles.h"
#include "platform/threads.h"

namespace commapi {

class EventObject : public HandleObject {
 public:
  EventObject(bool manualReset, bool initiallySet) : event(manualReset, initiallySet) {}
  platform::Event event;
};

// Sets or resets the event behind a handle; a null or unknown handle is
// ignored (an overlapped record need not carry an event).
void SignalEvent(HANDLE handle);
void ClearEvent(HANDLE handle);

}  // namespace commapi
