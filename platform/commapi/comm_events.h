// The WaitCommEvent machinery every port shares: the event mask, the events
// that occurred since the last wait or SetCommMask, and the one pending wait.
// Not locked itself: the owning port calls it under its own lock, which also
// keeps a completion from racing with a purge that ends the wait's record.
#pragma once

#include "platform/commapi/commapi.h"

namespace commapi {

class CommEventState {
 public:
  DWORD Mask() const { return mask_; }
  bool WaitPending() const { return pendingRecord_ != nullptr; }

  // New mask: the history is cleared and a pending wait completes with 0.
  void SetMask(DWORD mask);

  // Events occurred: the masked ones complete a pending wait or join the
  // history for the next wait.
  void Raise(DWORD events);

  // WaitCommEvent: resets the record's event; TRUE when masked events are
  // already waiting (the record is completed too), else FALSE with
  // ERROR_IO_PENDING until Raise, SetMask or AbortWait ends it.
  BOOL Wait(DWORD* eventMask, OVERLAPPED* overlapped);

  // Ends a pending wait with a failure code and no events.
  void AbortWait(DWORD error);

 private:
  void CompleteWait(DWORD events, DWORD error);

  DWORD mask_ = 0;
  DWORD history_ = 0;
  DWORD* pendingMask_ = nullptr;
  OVERLAPPED* pendingRecord_ = nullptr;
};

// The events a change of the modem status (MS_*_ON bits) raises.
DWORD LineChangeEvents(DWORD before, DWORD after);

}  // namespace commapi
