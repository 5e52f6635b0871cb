// TComPort: construction, Open and Close, the status queries and the event
// methods the monitoring thread hands events to.
#include "comms/ComError.h"
#include "comms/ComThread.h"
#include "comms/DispatchTable.h"
#include "comms/EventWindow.h"
#include "comms/OperationRecord.h"
#include "platform/commapi/open_failure.h"

namespace comms {

TComPort::TComPort(rtl::TComponent* owner)
    : rtl::TComponent(owner),
      pendingOperations_(std::make_unique<TStack>()),
      parity_(std::make_unique<TParity>(this)),
      timeouts_(std::make_unique<TComTimeouts>(this)),
      flowControl_(std::make_unique<TFlowControl>(this)) {}

TComPort::~TComPort() {
  // A destructor must not raise: when Close fails, what it left behind is
  // released all the same.
  try {
    Close();
  } catch (...) {
    ReleaseAll();
  }
  pendingOperations_.reset();
  flowControl_.reset();
  timeouts_.reset();
  parity_.reset();
}

void TComPort::ReleaseAll() noexcept {
  thread_.reset();
  threadCreated_ = false;
  DestroyHandle();
  connected_ = false;
  eventWindow_.reset();
}

void TComPort::Open() {
  Close();
  CreateHandle();
  connected_ = true;
  try {
    ApplySettings();
    if (syncMethod_ == smWindow) eventWindow_ = std::make_unique<EventWindow>(*this);
    threadCreated_ = !events_.Empty();
    if (threadCreated_) thread_ = std::make_unique<TComThread>(*this);
  } catch (...) {
    // Whatever step failed (a setting, the thread), the port ends closed.
    ReleaseAll();
    throw;
  }
  if (OnOpen) OnOpen(this);
}

void TComPort::Close() {
  if (!connected_) return;
  // Closing waits for the monitoring thread, which is blocked in this very
  // hand-over (smSynchronize, smWindow) or is the caller itself (smNone).
  if (handlerThread_.load() == std::this_thread::get_id())
    throw EComPort("Cannot close the port from its own event handler");
  AbortAllOperations();
  if (threadCreated_) {
    // Waits for the thread; a hand-over it is blocked in runs meanwhile.
    thread_.reset();
    threadCreated_ = false;
  }
  DestroyHandle();
  connected_ = false;
  if (syncMethod_ == smWindow) eventWindow_.reset();
  if (OnClose) OnClose(this);
}

void TComPort::CreateHandle() {
  using namespace commapi;
  handle_ = CreateFileA(DeviceName().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                        OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  openFailureHint_.clear();
  openNote_ = DescribeOpenNote(DeviceName());  // empty for a failed open
  if (handle_ == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    openFailureHint_ = DescribeOpenFailure(DeviceName());
    RaiseComError("Unable to open com port: ", error);
  }
}

void TComPort::DestroyHandle() {
  if (handle_ != commapi::INVALID_HANDLE_VALUE) commapi::CloseHandle(handle_);
  handle_ = commapi::INVALID_HANDLE_VALUE;
}

namespace {

commapi::DWORD ModemStatus(commapi::HANDLE handle) {
  commapi::DWORD status = 0;
  if (!commapi::GetCommModemStatus(handle, &status)) RaiseComError("Unable to read com status: ");
  return status;
}

}  // namespace

bool TComPort::CtsState() const { return (ModemStatus(handle_) & commapi::MS_CTS_ON) != 0; }
bool TComPort::DsrState() const { return (ModemStatus(handle_) & commapi::MS_DSR_ON) != 0; }
bool TComPort::CarrierState() const {
  return (ModemStatus(handle_) & commapi::MS_RLSD_ON) != 0;
}

std::int32_t TComPort::InQueCount() {
  commapi::DWORD errors = 0;
  commapi::COMSTAT stat{};
  if (!commapi::ClearCommError(handle_, &errors, &stat))
    RaiseComError("Unable to read com status: ");
  return static_cast<std::int32_t>(stat.cbInQue);
}

void TComPort::DoRxChar() {
  // Only a handler wants the count, so only then is the driver asked.
  if (OnRxChar) OnRxChar(this, InQueCount());
}
void TComPort::DoTxEmpty() {
  if (OnTxEmpty) OnTxEmpty(this);
}
void TComPort::DoBreak() {
  if (OnBreak) OnBreak(this);
}
void TComPort::DoRing() {
  if (OnRing) OnRing(this);
}
void TComPort::DoCTS() {
  if (OnCTS) OnCTS(this);
}
void TComPort::DoDSR() {
  if (OnDSR) OnDSR(this);
}
void TComPort::DoRxFlag() {
  if (OnRxFlag) OnRxFlag(this);
}
void TComPort::DoRLSD() {
  if (OnRLSD) OnRLSD(this);
}
void TComPort::DoError() {
  if (OnError) OnError(this);
}
void TComPort::DoRx80Full() {
  if (OnRx80Full) OnRx80Full(this);
}

std::intptr_t TComPort::WndProc(std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
  if (message != kPortEventMessage) return EventWindow::DefaultProc(message, wParam, lParam);
  const HandlerScope scope(*this);
  // Exactly one bit per message: a combination matches nothing.
  for (const PortEvent& event : kDispatchTable)
    if (wParam == event.bit) (this->*event.method)();
  return 0;
}

}  // namespace comms
