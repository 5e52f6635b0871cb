#include "platform/commapi/comm_events.h"

#include "platform/commapi/errors.h"
#include "platform/commapi/overlapped.h"

namespace commapi {

void CommEventState::SetMask(DWORD mask) {
  mask_ = mask;
  history_ = 0;
  if (WaitPending()) CompleteWait(0, 0);
}

void CommEventState::Raise(DWORD events) {
  const DWORD masked = events & mask_;
  if (masked == 0) return;
  if (WaitPending()) {
    CompleteWait(masked, 0);
  } else {
    history_ |= masked;
  }
}

BOOL CommEventState::Wait(DWORD* eventMask, OVERLAPPED* overlapped) {
  // One wait at a time, and it needs a record to complete into.
  if (overlapped == nullptr || eventMask == nullptr || WaitPending() || mask_ == 0) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  BeginOperation(overlapped);
  pendingMask_ = eventMask;
  pendingRecord_ = overlapped;
  if (history_ != 0) {
    const DWORD events = history_;
    history_ = 0;
    CompleteWait(events, 0);
    return 1;
  }
  return Fail(ERROR_IO_PENDING);
}

void CommEventState::AbortWait(DWORD error) {
  if (WaitPending()) CompleteWait(0, error);
}

void CommEventState::CompleteWait(DWORD events, DWORD error) {
  *pendingMask_ = events;
  OVERLAPPED* record = pendingRecord_;
  pendingMask_ = nullptr;
  pendingRecord_ = nullptr;
  CompleteOperation(record, error, 0);
}

DWORD LineChangeEvents(DWORD before, DWORD after) {
  const DWORD changed = before ^ after;
  DWORD events = 0;
  if (changed & MS_CTS_ON) events |= EV_CTS;
  if (changed & MS_DSR_ON) events |= EV_DSR;
  if (changed & MS_RLSD_ON) events |= EV_RLSD;
  if (changed & MS_RING_ON) events |= EV_RING;
  return events;
}

}  // namespace commapi
