// The communications functions: find the port behind the handle, check what
// every port would check, and forward.
#include "platform/commapi/errors.h"
#include "platform/commapi/port.h"
#include "platform/commapi/port_settings.h"

namespace commapi {

namespace {

// Runs call on the port behind handle, or fails with ERROR_INVALID_HANDLE.
template <typename Call>
BOOL OnPort(HANDLE handle, Call call) {
  auto port = FindHandleAs<Port>(handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  return call(*port);
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
    return dcb == nullptr ? Fail(ERROR_INVALID_PARAMETER) : port.SetCommState(*dcb);
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
  return OnPort(file, [&](Port& port) { return port.WaitCommEvent(eventMask, overlapped); });
}

BOOL ClearCommError(HANDLE file, DWORD* errors, COMSTAT* stat) {
  return OnPort(file, [&](Port& port) { return port.ClearCommError(errors, stat); });
}

BOOL GetCommModemStatus(HANDLE file, DWORD* modemStatus) {
  return OnPort(file, [&](Port& port) {
    return modemStatus == nullptr ? Fail(ERROR_INVALID_PARAMETER)
                                  : port.GetCommModemStatus(modemStatus);
  });
}

BOOL PurgeComm(HANDLE file, DWORD flags) {
  return OnPort(file, [&](Port& port) {
    return (flags & ~kAllPurgeFlags) != 0 ? Fail(ERROR_INVALID_PARAMETER) : port.PurgeComm(flags);
  });
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) {
  return OnPort(file, [&](Port& port) {
    if (buffer == nullptr && toRead > 0) return Fail(ERROR_INVALID_PARAMETER);
    return port.ReadFile(buffer, toRead, read, overlapped);
  });
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written,
               OVERLAPPED* overlapped) {
  return OnPort(file, [&](Port& port) {
    if (buffer == nullptr && toWrite > 0) return Fail(ERROR_INVALID_PARAMETER);
    return port.WriteFile(buffer, toWrite, written, overlapped);
  });
}

}  // namespace commapi
