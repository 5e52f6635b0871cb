#include "platform/commapi/overlapped.h"

#include <atomic>

#include "platform/commapi/errors.h"
#include "platform/commapi/events.h"
#include "platform/commapi/port.h"
#include "platform/commapi/trace_recorder.h"

namespace commapi {

namespace {

ULONG_PTR LoadStatus(OVERLAPPED* overlapped) {
  return std::atomic_ref<ULONG_PTR>(overlapped->Internal).load(std::memory_order_acquire);
}

void StoreStatus(OVERLAPPED* overlapped, ULONG_PTR status) {
  std::atomic_ref<ULONG_PTR>(overlapped->Internal).store(status, std::memory_order_release);
}

}  // namespace

void BeginOperation(OVERLAPPED* overlapped) {
  if (overlapped == nullptr) return;
  ClearEvent(overlapped->hEvent);
  overlapped->InternalHigh = 0;
  StoreStatus(overlapped, kPending);
}

void CompleteOperation(OVERLAPPED* overlapped, DWORD error, DWORD count) {
  if (overlapped == nullptr) return;
  overlapped->InternalHigh = count;
  StoreStatus(overlapped, error);
  SignalEvent(overlapped->hEvent);
}

BOOL CompletedTransfer(OVERLAPPED* overlapped, DWORD* transferred, DWORD count) {
  if (transferred != nullptr) *transferred = count;
  CompleteOperation(overlapped, 0, count);
  return 1;
}

BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* transferred, BOOL wait) {
  auto port = FindHandleAs<Port>(file);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  if (overlapped == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  DWORD count = 0;
  const BOOL ok = port->GetOverlappedResult(overlapped, &count, wait);
  // Ended, even by a failure, it moved count bytes; else it is still in progress.
  if (ok || GetLastError() != ERROR_IO_INCOMPLETE) {
    if (transferred != nullptr) *transferred = count;
    if (trace_hooks::Recording()) trace_hooks::Ended(file, overlapped, count);
  }
  return ok;
}

BOOL Port::GetOverlappedResult(OVERLAPPED* overlapped, DWORD* transferred, BOOL wait) {
  ULONG_PTR status = LoadStatus(overlapped);
  if (status == kPending) {
    if (!wait) return Fail(ERROR_IO_INCOMPLETE);
    if (WaitForSingleObject(overlapped->hEvent, INFINITE) != WAIT_OBJECT_0) return 0;
    status = LoadStatus(overlapped);
  }
  if (transferred != nullptr) *transferred = static_cast<DWORD>(overlapped->InternalHigh);
  if (status != 0) return Fail(static_cast<DWORD>(status));
  return 1;
}

}  // namespace commapi
