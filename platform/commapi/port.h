// An open communications device behind a HANDLE: a virtual port (a bound
// in-process device) or a native one. The API functions check their
// arguments and the handle, then forward here.
#pragma once

#include "platform/commapi/handles.h"

namespace commapi {

class Port : public HandleObject {
 public:
  virtual BOOL SetupComm(DWORD inQueue, DWORD outQueue) = 0;
  virtual BOOL GetCommState(DCB* dcb) = 0;
  virtual BOOL SetCommState(const DCB& dcb) = 0;
  virtual BOOL SetCommTimeouts(const COMMTIMEOUTS& timeouts) = 0;
  virtual BOOL SetCommMask(DWORD mask) = 0;
  virtual BOOL WaitCommEvent(DWORD* eventMask, OVERLAPPED* overlapped) = 0;
  virtual BOOL ClearCommError(DWORD* errors, COMSTAT* stat) = 0;
  virtual BOOL GetCommModemStatus(DWORD* modemStatus) = 0;
  virtual BOOL PurgeComm(DWORD flags) = 0;
  virtual BOOL ReadFile(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) = 0;
  virtual BOOL WriteFile(const void* buffer, DWORD toWrite, DWORD* written,
                         OVERLAPPED* overlapped) = 0;
};

}  // namespace commapi
