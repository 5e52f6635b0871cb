// A port on a POSIX terminal device (a serial port, a USB adapter, a
// pseudo-terminal). Transfers finish within their call; EV_TXEMPTY follows
// each write. Events come from a watcher thread, started by the first
// WaitCommEvent, that polls the device for new input and samples the modem
// lines; it cannot see which bytes came, so there is no EV_RXFLAG here.
// A device without modem lines (a pseudo-terminal) reads its inputs as low
// and ignores DTR and RTS, like a three-wire cable.
#pragma once

#include <memory>
#include <thread>

#include "platform/commapi/port.h"
#include "platform/commapi/posix_lock_file.h"
#include "platform/commapi/unique_fd.h"

namespace commapi {

class PosixPort : public Port {
 public:
  // Holds the device's lock file, if one was made, until Close; setExclusive:
  // this port put the terminal into exclusive mode.
  PosixPort(UniqueFd fd, bool hasModemLines, std::unique_ptr<LockFile> lockFile,
            bool setExclusive);
  ~PosixPort() override;

  BOOL SetCommState(const DCB& dcb) override;
  BOOL ClearCommError(DWORD* errors, COMSTAT* stat) override;
  BOOL GetCommModemStatus(DWORD* modemStatus) override;
  BOOL PurgeComm(DWORD flags) override;
  BOOL ReadFile(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) override;
  BOOL WriteFile(const void* buffer, DWORD toWrite, DWORD* written,
                 OVERLAPPED* overlapped) override;
  void Close() override;

 private:
  // The rest runs with mutex_ held.
  DWORD CheckUsable() override;
  // The device went away: every call fails from now on.
  DWORD Vanished();
  // The error for a failed read, write or ioctl.
  DWORD FailureOf(int error);
  DWORD PrepareWait() override;
  DWORD ReadModemStatus(DWORD& status);
  DWORD SetOutputLines(bool dtr, bool rts);
  // Raises EV_RXCHAR for input not yet reported; true when input is queued.
  bool CheckInput();
  void CheckLines();

  void Watch();

  UniqueFd fd_;
  const bool hasModemLines_;
  std::unique_ptr<LockFile> lockFile_;
  const bool setExclusive_;

  DWORD reported_ = 0;   // queued bytes already reported as EV_RXCHAR
  DWORD lines_ = 0;      // modem status as the watcher last saw it
  unsigned readAborts_ = 0;   // purges that abort reads in progress
  unsigned writeAborts_ = 0;  // and writes

  // The watcher stops when the write end closes, and watches for input
  // again at each byte a read writes there.
  UniqueFd wakeRead_;
  UniqueFd wakeWrite_;
  std::thread watcher_;
};

}  // namespace commapi
