// An open communications device behind a HANDLE: a virtual port (a bound
// in-process device) or a native one. The API functions check their
// arguments and the handle, then forward here. The settings, the event
// machinery and the lock are the same for every emulated port and live here;
// a port the system itself provides (kernel32 on Windows) overrides them all.
#pragma once

#include <mutex>

#include <optional>

#include "platform/clock.h"
#include "platform/commapi/comm_events.h"
#include "platform/commapi/handles.h"
#include "platform/commapi/input_times.h"
#include "platform/commapi/port_settings.h"

namespace commapi {

class Port : public HandleObject {
 public:
  virtual BOOL SetupComm(DWORD inQueue, DWORD outQueue);
  virtual BOOL GetCommState(DCB* dcb);
  virtual BOOL SetCommState(const DCB& dcb) = 0;
  virtual BOOL SetCommTimeouts(const COMMTIMEOUTS& timeouts);
  virtual BOOL SetCommMask(DWORD mask);
  virtual BOOL WaitCommEvent(DWORD* eventMask, OVERLAPPED* overlapped);
  virtual BOOL ClearCommError(DWORD* errors, COMSTAT* stat) = 0;
  virtual BOOL GetCommModemStatus(DWORD* modemStatus) = 0;
  virtual BOOL PurgeComm(DWORD flags) = 0;
  virtual BOOL ReadFile(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) = 0;
  virtual BOOL WriteFile(const void* buffer, DWORD toWrite, DWORD* written,
                         OVERLAPPED* overlapped) = 0;
  virtual BOOL GetOverlappedResult(OVERLAPPED* overlapped, DWORD* transferred, BOOL wait);

  // For a session trace (input_times.h): when the input the last read took
  // reached the port, and since when the modem lines have read as status. A
  // port that cannot tell answers with the present time.
  platform::clock::Millis LastReadArrival();
  platform::clock::Millis LinesSince(DWORD status);

 protected:
  // The rest runs with mutex_ held.

  // The error every operation fails with now: 0 while the device is usable.
  DWORD UnusableError() const;
  // The same, for a port that has to look at its device to know whether it
  // is still there.
  virtual DWORD CheckUsable() { return UnusableError(); }
  // Called before a wait is queued: 0, or the error the wait fails with.
  virtual DWORD PrepareWait() { return 0; }

  mutable std::mutex mutex_;
  PortSettings settings_;
  CommEventState events_;
  // Kept by a port that sees its input come and its lines change.
  std::optional<InputTimes> times_;
  bool gone_ = false;  // the device disappeared while open
  bool closed_ = false;
};

}  // namespace commapi
