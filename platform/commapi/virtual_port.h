// A port opened on a bound virtual device. The port side keeps the input
// queue, the modem status, the event history and the settings; the device
// only sees bytes, the control block and its DTR / RTS outputs.
#pragma once

#include <deque>
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
  void FinishPending(DWORD error) override;

 private:
  // A read or write the device left in progress.
  struct PendingTransfer {
    bool write;
    std::string bytes;  // a write's bytes
    void* buffer;       // a read's destination, the caller's until the record completes
    DWORD count;
    OVERLAPPED* record;
  };

  // The rest runs with mutex_ held.
  DWORD PrepareWait() override;
  // What the device says about a call on a usable port; a vanish happens here.
  CallVerdict Ask(PortCall call);
  // 0 when the call may go on, else the error it fails with.
  DWORD Refusal(PortCall call);
  BOOL Defer(PendingTransfer transfer);
  // Fails the pending transfers that match (reads, writes or both).
  void EndPending(bool reads, bool writes, DWORD error);
  void Disappear();
  DWORD TakeInput(void* buffer, DWORD toRead);

  const std::string name_;
  const std::shared_ptr<VirtualDevice> device_;

  std::string input_;
  DWORD modemStatus_ = 0;
  std::deque<PendingTransfer> pending_;
};

}  // namespace commapi
