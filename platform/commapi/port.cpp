#include "platform/commapi/port.h"

#include "platform/commapi/errors.h"
#include "platform/commapi/overlapped.h"

namespace commapi {

DWORD Port::UnusableError() const {
  if (closed_) return ERROR_INVALID_HANDLE;
  if (gone_) return ERROR_DEVICE_NOT_CONNECTED;
  return 0;
}

BOOL Port::SetupComm(DWORD inQueue, DWORD outQueue) {
  std::lock_guard lock(mutex_);
  if (DWORD error = CheckUsable()) return Fail(error);
  settings_.inQueue = inQueue;
  settings_.outQueue = outQueue;
  return 1;
}

BOOL Port::GetCommState(DCB* dcb) {
  std::lock_guard lock(mutex_);
  if (DWORD error = CheckUsable()) return Fail(error);
  *dcb = settings_.dcb;
  return 1;
}

BOOL Port::SetCommTimeouts(const COMMTIMEOUTS& timeouts) {
  std::lock_guard lock(mutex_);
  if (DWORD error = CheckUsable()) return Fail(error);
  settings_.timeouts = timeouts;
  return 1;
}

BOOL Port::SetCommMask(DWORD mask) {
  std::lock_guard lock(mutex_);
  if (DWORD error = CheckUsable()) return Fail(error);
  events_.SetMask(mask);
  return 1;
}

platform::clock::Millis Port::LastReadArrival() {
  std::lock_guard lock(mutex_);
  return times_ ? times_->LastRead() : platform::clock::Now();
}

platform::clock::Millis Port::LinesSince(DWORD status) {
  std::lock_guard lock(mutex_);
  return times_ ? times_->LinesSince(status) : platform::clock::Now();
}

BOOL Port::WaitCommEvent(DWORD* eventMask, OVERLAPPED* overlapped) {
  std::lock_guard lock(mutex_);
  if (DWORD error = CheckUsable()) {
    // The record's event stays reset, so a monitoring loop blocks instead of
    // spinning on a device that is gone.
    if (overlapped != nullptr) BeginOperation(overlapped);
    return Fail(error);
  }
  if (DWORD error = PrepareWait()) return Fail(error);
  return events_.Wait(eventMask, overlapped);
}

}  // namespace commapi
