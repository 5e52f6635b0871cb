#include "platform/commapi/virtual_port.h"

#include <algorithm>
#include <cstring>

#include "platform/commapi/bindings.h"
#include "platform/commapi/errors.h"
#include "platform/commapi/overlapped.h"

namespace commapi {

std::shared_ptr<VirtualPort> VirtualPort::Open(std::string name,
                                               std::shared_ptr<VirtualDevice> device) {
  auto port = std::make_shared<VirtualPort>(std::move(name), std::move(device));
  port->device_->Attach(*port);
  return port;
}

VirtualPort::VirtualPort(std::string name, std::shared_ptr<VirtualDevice> device)
    : name_(std::move(name)), device_(std::move(device)) {}

BOOL VirtualPort::SetCommState(const DCB& dcb) {
  {
    std::lock_guard lock(mutex_);
    if (DWORD error = UnusableError()) return Fail(error);
    if (!IsValidDcb(dcb)) return Fail(ERROR_INVALID_PARAMETER);
    settings_.dcb = dcb;
  }
  device_->Configure(dcb, DtrRaised(dcb), RtsRaised(dcb));
  return 1;
}

BOOL VirtualPort::ClearCommError(DWORD* errors, COMSTAT* stat) {
  std::lock_guard lock(mutex_);
  if (DWORD error = UnusableError()) return Fail(error);
  if (errors != nullptr) *errors = 0;
  if (stat != nullptr) *stat = COMSTAT{0, static_cast<DWORD>(input_.size()), 0};
  return 1;
}

BOOL VirtualPort::GetCommModemStatus(DWORD* modemStatus) {
  std::lock_guard lock(mutex_);
  if (DWORD error = UnusableError()) return Fail(error);
  *modemStatus = modemStatus_;
  return 1;
}

BOOL VirtualPort::PurgeComm(DWORD flags) {
  std::lock_guard lock(mutex_);
  if (DWORD error = UnusableError()) return Fail(error);
  if (flags & PURGE_RXCLEAR) input_.clear();
  // Transfers complete within their call; what an abort can still end is the
  // event wait, whose record its owner may release right after the purge.
  if (flags & (PURGE_TXABORT | PURGE_RXABORT)) events_.AbortWait(ERROR_OPERATION_ABORTED);
  return 1;
}

BOOL VirtualPort::ReadFile(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) {
  std::lock_guard lock(mutex_);
  if (DWORD error = UnusableError()) return Fail(error);
  const std::size_t count = std::min<std::size_t>(toRead, input_.size());
  if (count > 0) std::memcpy(buffer, input_.data(), count);
  input_.erase(0, count);
  return CompletedTransfer(overlapped, read, static_cast<DWORD>(count));
}

BOOL VirtualPort::WriteFile(const void* buffer, DWORD toWrite, DWORD* written,
                            OVERLAPPED* overlapped) {
  {
    std::lock_guard lock(mutex_);
    if (DWORD error = UnusableError()) return Fail(error);
  }
  // Unlocked: the device may answer from inside Transmit.
  if (toWrite > 0) device_->Transmit(std::string_view(static_cast<const char*>(buffer), toWrite));
  {
    std::lock_guard lock(mutex_);
    events_.Raise(EV_TXEMPTY);
  }
  return CompletedTransfer(overlapped, written, toWrite);
}

void VirtualPort::Close() {
  {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    closed_ = true;
    events_.AbortWait(ERROR_OPERATION_ABORTED);
  }
  device_->Detach();
  ReleaseDevice(name_, device_.get());
}

void VirtualPort::Receive(std::string_view bytes) {
  if (bytes.empty()) return;
  std::lock_guard lock(mutex_);
  if (closed_ || gone_) return;
  input_.append(bytes);
  DWORD events = EV_RXCHAR;
  if (bytes.find(settings_.dcb.EvtChar) != std::string_view::npos) events |= EV_RXFLAG;
  events_.Raise(events);
}

void VirtualPort::SetModemStatus(bool cts, bool dsr, bool rlsd, bool ring) {
  const DWORD status = (cts ? MS_CTS_ON : 0) | (dsr ? MS_DSR_ON : 0) | (rlsd ? MS_RLSD_ON : 0) |
                       (ring ? MS_RING_ON : 0);
  std::lock_guard lock(mutex_);
  if (closed_ || gone_) return;
  const DWORD events = LineChangeEvents(modemStatus_, status);
  modemStatus_ = status;
  events_.Raise(events);
}

void VirtualPort::Vanish() {
  std::lock_guard lock(mutex_);
  if (closed_ || gone_) return;
  gone_ = true;
  events_.AbortWait(ERROR_DEVICE_NOT_CONNECTED);
}

}  // namespace commapi
