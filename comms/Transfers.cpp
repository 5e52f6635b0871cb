// Overlapped reads and writes and the stack of transfers still in progress.
#include "comms/ComError.h"
#include "comms/OperationRecord.h"

namespace comms {

std::int32_t TComPort::WriteText(const std::string& text, bool waitFor) {
  if (text.empty()) return 0;
  // WriteFile only reads the buffer.
  return Transfer(true, const_cast<char*>(text.data()),
                  static_cast<commapi::DWORD>(text.size()), waitFor, "Operation failed: ");
}

std::int32_t TComPort::ReadText(std::string& text, std::int32_t count, bool waitFor) {
  if (count < 1) {
    text.clear();
    return 0;
  }
  text.resize(static_cast<std::size_t>(count));
  return Transfer(false, text.data(), static_cast<commapi::DWORD>(count), waitFor,
                  "Operation aborted: ");
}

std::int32_t TComPort::Transfer(bool write, void* buffer, commapi::DWORD count, bool waitFor,
                                const char* failText) {
  using namespace commapi;
  OperationRecord& record = PushNewOperation();
  DWORD done = 0;
  const BOOL ok = write ? WriteFile(handle_, buffer, count, &done, &record.overlapped)
                        : ReadFile(handle_, buffer, count, &done, &record.overlapped);
  if (!ok) {
    const DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING) return waitFor ? WaitForLastOperation() : -1;
    PopOperation();
    RaiseComError(failText, error);
  }
  PopOperation();
  return static_cast<std::int32_t>(done);
}

bool TComPort::HasPending() const { return !pendingOperations_->IsEmpty(); }

std::int32_t TComPort::WaitForLastOperation() {
  using namespace commapi;
  if (!HasPending()) return -2;
  std::unique_ptr<OperationRecord> record = PopOperation();
  if (WaitForSingleObject(record->overlapped.hEvent, INFINITE) != WAIT_OBJECT_0) {
    // The transfer may still be running and write into its record: it stays
    // pending, for another wait or the purge of Close.
    const DWORD error = GetLastError();
    pendingOperations_->Push(record.release());
    RaiseComError("Operation failed: ", error);
  }
  DWORD done = 0;
  if (!GetOverlappedResult(handle_, &record->overlapped, &done, 0))
    RaiseComError("Operation failed: ");
  return static_cast<std::int32_t>(done);
}

void TComPort::AbortAllOperations() {
  using namespace commapi;
  if (!HasPending()) return;
  const bool purged = PurgeComm(handle_, PURGE_TXABORT | PURGE_RXABORT);
  const DWORD error = purged ? 0 : GetLastError();
  while (HasPending()) {
    std::unique_ptr<OperationRecord> record = PopOperation();
    // The system writes a transfer's completion into its record, so a record
    // is freed only once its transfer has ended. The purge ends every one;
    // without it, unfinished records wait for the device handle to close.
    const HANDLE done = record->overlapped.hEvent;
    if (purged)
      WaitForSingleObject(done, INFINITE);
    else if (WaitForSingleObject(done, 0) != WAIT_OBJECT_0)
      unfinishedOperations_.push_back(std::move(record));
  }
  if (!purged) RaiseComError("Cannot abort operation: ", error);
}

OperationRecord& TComPort::PushNewOperation() {
  auto record = std::make_unique<OperationRecord>();
  pendingOperations_->Push(record.get());
  return *record.release();
}

std::unique_ptr<OperationRecord> TComPort::PopOperation() {
  return std::unique_ptr<OperationRecord>(static_cast<OperationRecord*>(pendingOperations_->Pop()));
}

}  // namespace comms
