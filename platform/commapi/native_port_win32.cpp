// Ports on the machine's own devices under Windows: kernel32 itself. The
// port is still an entry of the handle table, so whatever wraps ports there
// wraps these too; every call forwards, and a failure leaves kernel32's own
// error code as this thread's last error.
#include "platform/commapi/kernel32.h"
// After <windows.h>: see kernel32.h.
#include <cstddef>

#include "platform/commapi/errors.h"
#include "platform/commapi/native_port.h"
#include "platform/commapi/open_failure.h"

namespace commapi {

namespace {

// The records are handed to kernel32 as they are: the layouts must agree.
static_assert(sizeof(DCB) == sizeof(::DCB));
static_assert(offsetof(DCB, XonLim) == offsetof(::DCB, XonLim));
static_assert(offsetof(DCB, EvtChar) == offsetof(::DCB, EvtChar));
static_assert(sizeof(COMMTIMEOUTS) == sizeof(::COMMTIMEOUTS));
static_assert(sizeof(COMSTAT) == sizeof(::COMSTAT));
static_assert(offsetof(COMSTAT, cbInQue) == offsetof(::COMSTAT, cbInQue));
static_assert(sizeof(OVERLAPPED) == sizeof(::OVERLAPPED));
static_assert(offsetof(OVERLAPPED, InternalHigh) == offsetof(::OVERLAPPED, InternalHigh));
static_assert(offsetof(OVERLAPPED, hEvent) == offsetof(::OVERLAPPED, hEvent));
static_assert(sizeof(DWORD) == sizeof(::DWORD));

::DCB* Native(DCB* dcb) { return reinterpret_cast<::DCB*>(dcb); }
::LPOVERLAPPED Native(OVERLAPPED* overlapped) {
  return reinterpret_cast<::LPOVERLAPPED>(overlapped);
}
::DWORD* Native(DWORD* value) { return reinterpret_cast<::DWORD*>(value); }

BOOL Forwarded(::BOOL ok) { return ok ? 1 : Fail(::GetLastError()); }

// The port's input and lines as the monitoring thread is told of them, for
// the times of a session trace (input_times.h): kernel32 does not say when
// bytes came, but the event wait that reports them ends then.
class Win32Port : public Port {
 public:
  explicit Win32Port(::HANDLE file) : file_(file) { times_.emplace(); }
  ~Win32Port() override { Close(); }

  BOOL SetupComm(DWORD inQueue, DWORD outQueue) override {
    return Forwarded(::SetupComm(file_, inQueue, outQueue));
  }
  BOOL GetCommState(DCB* dcb) override { return Forwarded(::GetCommState(file_, Native(dcb))); }
  BOOL SetCommState(const DCB& dcb) override {
    DCB copy = dcb;
    return Forwarded(::SetCommState(file_, Native(&copy)));
  }
  BOOL SetCommTimeouts(const COMMTIMEOUTS& timeouts) override {
    ::COMMTIMEOUTS native{timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                          timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                          timeouts.WriteTotalTimeoutConstant};
    return Forwarded(::SetCommTimeouts(file_, &native));
  }
  BOOL SetCommMask(DWORD mask) override {
    const BOOL ok = Forwarded(::SetCommMask(file_, mask));
    std::lock_guard lock(mutex_);
    wait_ = nullptr;  // a new mask ends the wait
    return ok;
  }
  BOOL WaitCommEvent(DWORD* eventMask, OVERLAPPED* overlapped) override {
    const BOOL ok = Forwarded(::WaitCommEvent(file_, Native(eventMask), Native(overlapped)));
    std::lock_guard lock(mutex_);
    if (ok) {
      NoteEvents(*eventMask);
    } else if (GetLastError() == ERROR_IO_PENDING) {
      wait_ = overlapped;
      waitMask_ = eventMask;
    }
    return ok;
  }
  BOOL ClearCommError(DWORD* errors, COMSTAT* stat) override {
    return Forwarded(
        ::ClearCommError(file_, Native(errors), reinterpret_cast<::COMSTAT*>(stat)));
  }
  BOOL GetCommModemStatus(DWORD* modemStatus) override {
    return Forwarded(::GetCommModemStatus(file_, Native(modemStatus)));
  }
  BOOL PurgeComm(DWORD flags) override {
    const BOOL ok = Forwarded(::PurgeComm(file_, flags));
    std::lock_guard lock(mutex_);
    if (flags & (PURGE_RXABORT | PURGE_TXABORT)) wait_ = nullptr;
    if (ok && (flags & PURGE_RXCLEAR)) times_->Purged();
    return ok;
  }
  BOOL ReadFile(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) override {
    const BOOL ok = Forwarded(::ReadFile(file_, buffer, toRead, Native(read), Native(overlapped)));
    // What came after the count the program read by gets an event of its own.
    std::lock_guard lock(mutex_);
    if (ok) times_->Read(false);
    return ok;
  }
  BOOL WriteFile(const void* buffer, DWORD toWrite, DWORD* written,
                 OVERLAPPED* overlapped) override {
    return Forwarded(::WriteFile(file_, buffer, toWrite, Native(written), Native(overlapped)));
  }
  BOOL GetOverlappedResult(OVERLAPPED* overlapped, DWORD* transferred, BOOL wait) override {
    const BOOL ok =
        Forwarded(::GetOverlappedResult(file_, Native(overlapped), Native(transferred), wait));
    std::lock_guard lock(mutex_);
    if (overlapped == wait_ && (ok || GetLastError() != ERROR_IO_INCOMPLETE)) {
      if (ok) NoteEvents(*waitMask_);
      wait_ = nullptr;
    }
    return ok;
  }
  void Close() override {
    if (file_ == nullptr) return;
    ::CloseHandle(file_);
    file_ = nullptr;
  }

 private:
  // With mutex_ held.
  void NoteEvents(DWORD events) {
    if (events & EV_RXCHAR) times_->Arrived();
    ::DWORD status = 0;
    if ((events & (EV_CTS | EV_DSR | EV_RLSD)) && ::GetCommModemStatus(file_, &status))
      times_->LinesAre(status);
  }

  ::HANDLE file_;
  // The event wait in progress, whose end is when what it reports came.
  OVERLAPPED* wait_ = nullptr;
  DWORD* waitMask_ = nullptr;
};

}  // namespace

// Exclusive by the share mode: a port another program has open fails with
// ERROR_ACCESS_DENIED, and kernel32 says no more about who holds it.
std::shared_ptr<Port> OpenNativePort(const std::string& deviceName, const std::string& path) {
  ::HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (file == reinterpret_cast<::HANDLE>(INVALID_HANDLE_VALUE)) {
    const DWORD error = ::GetLastError();
    const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    RecordOpenFailure(deviceName, path, missing ? MappingLine(deviceName, path, "does not exist")
                                                : std::string());
    Fail(error);
    return nullptr;
  }
  ClearOpenFailure(deviceName);
  return std::make_shared<Win32Port>(file);
}

}  // namespace commapi
