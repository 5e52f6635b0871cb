// A port opened on a bound virtual device. The port side keeps the input
// queue, the modem status, the event history and the settings; the device
// only sees bytes, the control block and its DTR / RTS outputs.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/commapi/comm_events.h"
#include "platform/commapi/port.h"
#include "platform/commapi/port_settings.h"
#include "platform/commapi/virtual_device.h"

namespace commapi {

class VirtualPort : public Port, public VirtualLine {
 public:
  // Opens the port on a claimed device and attaches the device to it.
  static std::shared_ptr<VirtualPort> Open(std::string name, std::shared_ptr<VirtualDevice> device);

  VirtualPort(std::string name, std::shared_ptr<VirtualDevice> device);

  BOOL SetupComm(DWORD inQueue, DWORD outQueue) override;
  BOOL GetCommState(DCB* dcb) override;
  BOOL SetCommState(const DCB& dcb) override;
  BOOL SetCommTimeouts(const COMMTIMEOUTS& timeouts) override;
  BOOL SetCommMask(DWORD mask) override;
  BOOL WaitCommEvent(DWORD* eventMask, OVERLAPPED* overlapped) override;
  BOOL ClearCommError(DWORD* errors, COMSTAT* stat) override;
  BOOL GetCommModemStatus(DWORD* modemStatus) override;
  BOOL PurgeComm(DWORD flags) override;
  BOOL ReadFile(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) override;
  BOOL WriteFile(const void* buffer, DWORD toWrite, DWORD* written,
                 OVERLAPPED* overlapped) override;
  void Close() override;

  void Receive(std::string_view bytes) override;
  void SetModemStatus(bool cts, bool dsr, bool rlsd, bool ring) override;
  void Vanish() override;

 private:
  // The error every operation fails with now: 0 while the device is usable.
  DWORD UnusableError() const;

  const std::string name_;
  const std::shared_ptr<VirtualDevice> device_;

  mutable std::mutex mutex_;
  std::string input_;
  DWORD modemStatus_ = 0;
  CommEventState events_;
  PortSettings settings_;
  bool vanished_ = false;
  bool closed_ = false;
};

}  // namespace commapi
