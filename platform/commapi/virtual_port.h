// A port opened on a bound virtual device. The port side keeps the input
// queue, the modem status, the event history and the settings; the device
// only sees bytes, the control block and its DTR / RTS outputs.
#pragma once

#include <memory>
#include <string>

#include "platform/commapi/port.h"
#include "platform/commapi/virtual_device.h"

namespace commapi {

class VirtualPort : public Port, public VirtualLine {
 public:
  // Opens the port on a claimed device and attaches the device to it.
  static std::shared_ptr<VirtualPort> Open(std::string name, std::shared_ptr<VirtualDevice> device);

  VirtualPort(std::string name, std::shared_ptr<VirtualDevice> device);

  BOOL SetCommState(const DCB& dcb) override;
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
  const std::string name_;
  const std::shared_ptr<VirtualDevice> device_;

  std::string input_;
  DWORD modemStatus_ = 0;
};

}  // namespace commapi
