// The communications functions: find the port behind the handle, check what
// every port would check, and forward.
#include "platform/commapi/errors.h"
#include "platform/commapi/port.h"
#include "platform/commapi/port_settings.h"
#include "platform/commapi/trace_recorder.h"

namespace commapi {

namespace {

// Runs call on the port behind handle, or fails with ERROR_INVALID_HANDLE.
// A session trace learns from a failure when the device has gone, but not
// from the monitoring thread's event wait: when that one fails is a matter
// of thread timing, and a trace must replay the same way every time.
template <bool kTraced = true, typename Call>
BOOL OnPort(HANDLE handle, Call call) {
  auto port = FindHandleAs<Port>(handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  const BOOL ok = call(*port);
  if (kTraced && !ok && trace_hooks::Recording()) trace_hooks::Failed(handle, GetLastError());
  return ok;
}

// What a completed transfer moved.
DWORD Transferred(const DWORD* count, const OVERLAPPED* overlapped) {
  if (count != nullptr) return *count;
  return overlapped != nullptr ? static_cast<DWORD>(overlapped->InternalHigh) : 0;
}

}  // namespace

BOOL SetupComm(HANDLE file, DWORD inQueue, DWORD outQueue) {
  return OnPort(file, [&](Port& port) { return port.SetupComm(inQueue, outQueue); });
}

BOOL GetCommState(HANDLE file, DCB* dcb) {
  return OnPort(file, [&](Port& port) {
    return dcb == nullptr ? Fail(ERROR_INVALID_PARAMETER) : port.GetCommState(dcb);
  });
}

BOOL SetCommState(HANDLE file, const DCB* dcb) {
  return OnPort(file, [&](Port& port) {
    if (dcb == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    const BOOL ok = port.SetCommState(*dcb);
    if (ok && trace_hooks::Recording()) trace_hooks::Configured(file, *dcb);
    return ok;
  });
}

BOOL SetCommTimeouts(HANDLE file, const COMMTIMEOUTS* timeouts) {
  return OnPort(file, [&](Port& port) {
    return timeouts == nullptr ? Fail(ERROR_INVALID_PARAMETER) : port.SetCommTimeouts(*timeouts);
  });
}

BOOL SetCommMask(HANDLE file, DWORD mask) {
  return OnPort(file, [&](Port& port) { return port.SetCommMask(mask); });
}

BOOL WaitCommEvent(HANDLE file, DWORD* eventMask, OVERLAPPED* overlapped) {
  return OnPort<false>(file, [&](Port& port) { return port.WaitCommEvent(eventMask, overlapped); });
}

BOOL ClearCommError(HANDLE file, DWORD* errors, COMSTAT* stat) {
  return OnPort(file, [&](Port& port) { return port.ClearCommError(errors, stat); });
}

BOOL GetCommModemStatus(HANDLE file, DWORD* modemStatus) {
  return OnPort(file, [&](Port& port) {
    if (modemStatus == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    const BOOL ok = port.GetCommModemStatus(modemStatus);
    if (ok && trace_hooks::Recording()) trace_hooks::LinesRead(file, *modemStatus);
    return ok;
  });
}

BOOL PurgeComm(HANDLE file, DWORD flags) {
  return OnPort(file, [&](Port& port) {
    if ((flags & ~kAllPurgeFlags) != 0) return Fail(ERROR_INVALID_PARAMETER);
    const BOOL ok = port.PurgeComm(flags);
    if (ok && trace_hooks::Recording()) trace_hooks::Purged(file, flags);
    return ok;
  });
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) {
  return OnPort(file, [&](Port& port) {
    if (buffer == nullptr && toRead > 0) return Fail(ERROR_INVALID_PARAMETER);
    const BOOL ok = port.ReadFile(buffer, toRead, read, overlapped);
    if (trace_hooks::Recording()) {
      if (ok)
        trace_hooks::Received(file,
                              {static_cast<const char*>(buffer), Transferred(read, overlapped)});
      else if (GetLastError() == ERROR_IO_PENDING)
        trace_hooks::LeftPendingRead(file, overlapped, buffer);
    }
    return ok;
  });
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written,
               OVERLAPPED* overlapped) {
  return OnPort(file, [&](Port& port) {
    if (buffer == nullptr && toWrite > 0) return Fail(ERROR_INVALID_PARAMETER);
    const BOOL ok = port.WriteFile(buffer, toWrite, written, overlapped);
    if (trace_hooks::Recording()) {
      if (ok)
        trace_hooks::Sent(file,
                          {static_cast<const char*>(buffer), Transferred(written, overlapped)});
      else if (GetLastError() == ERROR_IO_PENDING)
        trace_hooks::LeftPendingWrite(file, overlapped,
                                      {static_cast<const char*>(buffer), toWrite});
    }
    return ok;
  });
}

}  // namespace commapi
