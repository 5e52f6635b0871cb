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
    : name_(std::move(name)), device_(std::move(device)) {
  times_.emplace();
}

CallVerdict VirtualPort::Ask(PortCall call) {
  if (DWORD error = UnusableError()) return {CallVerdict::kFail, error};
  CallVerdict verdict = device_->Intercept(call);
  if (verdict.action == CallVerdict::kVanish) {
    Disappear();
    return {CallVerdict::kFail, ERROR_DEVICE_NOT_CONNECTED};
  }
  return verdict;
}

DWORD VirtualPort::Refusal(PortCall call) {
  const CallVerdict verdict = Ask(call);
  return verdict.action == CallVerdict::kFail ? verdict.error : 0;
}

DWORD VirtualPort::PrepareWait() { return Refusal(PortCall::kWait); }

BOOL VirtualPort::SetCommState(const DCB& dcb) {
  {
    std::lock_guard lock(mutex_);
    if (DWORD error = Refusal(PortCall::kSetState)) return Fail(error);
    if (!IsValidDcb(dcb)) return Fail(ERROR_INVALID_PARAMETER);
    settings_.dcb = dcb;
  }
  device_->Configure(dcb, DtrRaised(dcb), RtsRaised(dcb));
  return 1;
}

BOOL VirtualPort::ClearCommError(DWORD* errors, COMSTAT* stat) {
  std::lock_guard lock(mutex_);
  if (DWORD error = Refusal(PortCall::kStatus)) return Fail(error);
  if (errors != nullptr) *errors = 0;
  if (stat != nullptr) *stat = COMSTAT{0, static_cast<DWORD>(input_.size()), 0};
  return 1;
}

BOOL VirtualPort::GetCommModemStatus(DWORD* modemStatus) {
  std::lock_guard lock(mutex_);
  if (DWORD error = Refusal(PortCall::kStatus)) return Fail(error);
  *modemStatus = modemStatus_;
  return 1;
}

BOOL VirtualPort::PurgeComm(DWORD flags) {
  std::lock_guard lock(mutex_);
  if (DWORD error = Refusal(PortCall::kPurge)) return Fail(error);
  if (flags & PURGE_RXCLEAR) {
    input_.clear();
    times_->Purged();
  }
  EndPending(flags & PURGE_RXABORT, flags & PURGE_TXABORT, ERROR_OPERATION_ABORTED);
  // The event wait is aborted too: its owner may release the record right
  // after the purge.
  if (flags & (PURGE_TXABORT | PURGE_RXABORT)) events_.AbortWait(ERROR_OPERATION_ABORTED);
  return 1;
}

BOOL VirtualPort::Defer(PendingTransfer transfer) {
  BeginOperation(transfer.record);
  pending_.push_back(std::move(transfer));
  return Fail(ERROR_IO_PENDING);
}

void VirtualPort::EndPending(bool reads, bool writes, DWORD error) {
  std::erase_if(pending_, [&](const PendingTransfer& transfer) {
    if (!(transfer.write ? writes : reads)) return false;
    CompleteOperation(transfer.record, error, 0);
    return true;
  });
}

DWORD VirtualPort::TakeInput(void* buffer, DWORD toRead) {
  const std::size_t count = std::min<std::size_t>(toRead, input_.size());
  if (count > 0) std::memcpy(buffer, input_.data(), count);
  input_.erase(0, count);
  if (count > 0) times_->Read(!input_.empty());
  return static_cast<DWORD>(count);
}

BOOL VirtualPort::ReadFile(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) {
  std::lock_guard lock(mutex_);
  const CallVerdict verdict = Ask(PortCall::kRead);
  if (verdict.action == CallVerdict::kFail) return Fail(verdict.error);
  if (verdict.action == CallVerdict::kPending && overlapped != nullptr)
    return Defer({false, {}, buffer, toRead, overlapped});
  return CompletedTransfer(overlapped, read, TakeInput(buffer, toRead));
}

BOOL VirtualPort::WriteFile(const void* buffer, DWORD toWrite, DWORD* written,
                            OVERLAPPED* overlapped) {
  const std::string_view bytes(static_cast<const char*>(buffer), toWrite);
  {
    std::lock_guard lock(mutex_);
    const CallVerdict verdict = Ask(PortCall::kWrite);
    if (verdict.action == CallVerdict::kFail) return Fail(verdict.error);
    if (verdict.action == CallVerdict::kPending && overlapped != nullptr)
      return Defer({true, std::string(bytes), nullptr, toWrite, overlapped});
  }
  // Unlocked: the device may answer from inside Transmit.
  if (toWrite > 0) device_->Transmit(bytes);
  {
    std::lock_guard lock(mutex_);
    events_.Raise(EV_TXEMPTY);
  }
  return CompletedTransfer(overlapped, written, toWrite);
}

void VirtualPort::FinishPending(DWORD error) {
  std::deque<PendingTransfer> transfers;
  {
    std::lock_guard lock(mutex_);
    transfers.swap(pending_);
  }
  for (PendingTransfer& transfer : transfers) {
    DWORD count = 0;
    if (error == 0 && transfer.write) {
      device_->Transmit(transfer.bytes);
      count = transfer.count;
    }
    std::lock_guard lock(mutex_);
    if (error == 0 && transfer.write) events_.Raise(EV_TXEMPTY);
    if (error == 0 && !transfer.write) count = TakeInput(transfer.buffer, transfer.count);
    CompleteOperation(transfer.record, error, count);
  }
}

void VirtualPort::Close() {
  {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    closed_ = true;
    EndPending(true, true, ERROR_OPERATION_ABORTED);
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
  times_->Arrived();
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
  times_->LinesAre(status);
  events_.Raise(events);
}

void VirtualPort::Vanish() {
  std::lock_guard lock(mutex_);
  if (closed_ || gone_) return;
  Disappear();
}

void VirtualPort::Disappear() {
  gone_ = true;
  EndPending(true, true, ERROR_DEVICE_NOT_CONNECTED);
  events_.AbortWait(ERROR_DEVICE_NOT_CONNECTED);
}

}  // namespace commapi
