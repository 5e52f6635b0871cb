#include "comms/ComThread.h"

#include "comms/DispatchTable.h"
#include "comms/EventWindow.h"

namespace comms {

TComThread::TComThread(TComPort& port) : ownerPort_(port) {
  // A failed mask only means no events; the port still works.
  commapi::SetCommMask(port.Handle(), port.EventMask());
  Resume();
}

TComThread::~TComThread() {
  Stop();
  WaitFor();
}

void TComThread::Stop() { commapi::SetEvent(stopEvent_.Get()); }

void TComThread::Execute() {
  using namespace commapi;
  const HANDLE device = ownerPort_.Handle();
  EventHandle waitDone(true);
  OVERLAPPED record{};
  record.hEvent = waitDone.Get();
  // Stop first: when both are signalled, the stop wins.
  const HANDLE waitList[2] = {stopEvent_.Get(), waitDone.Get()};

  bool waitPending = false;
  for (;;) {
    // A wait that fails at once does not touch the record; left signalled
    // from the last completion, it would be taken for a new one, forever.
    ResetEvent(waitDone.Get());
    waitPending = !WaitCommEvent(device, &eventMask_, &record) &&
                  GetLastError() == ERROR_IO_PENDING;
    if (WaitForMultipleObjects(2, waitList, 0, INFINITE) != WAIT_OBJECT_0 + 1) break;
    waitPending = false;
    DWORD unused = 0;
    // A failed result dispatches nothing; the wait is simply issued again.
    // A handler's exception leaves here with no wait outstanding, and the
    // platform thread reports it once.
    if (GetOverlappedResult(device, &record, &unused, 0)) DispatchEvents();
  }
  // The device still points at record and eventMask_ while a wait is
  // outstanding: clearing the mask ends that wait, and record may only go
  // once it has.
  if (waitPending && SetCommMask(device, 0)) WaitForSingleObject(waitDone.Get(), INFINITE);
  PurgeComm(device, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
}

void TComThread::DispatchEvents() {
  switch (ownerPort_.SyncMethod()) {
    case smSynchronize:
      platform::Synchronize([this] { DoEvents(); });
      break;
    case smWindow:
      SendEvents();
      break;
    default:
      DoEvents();
      break;
  }
}

void TComThread::DoEvents() {
  const TComPort::HandlerScope scope(ownerPort_);
  for (const PortEvent& event : kDispatchTable)
    if (eventMask_ & event.bit) (ownerPort_.*event.method)();
}

void TComThread::SendEvents() {
  for (const PortEvent& event : kDispatchTable)
    if (eventMask_ & event.bit) ownerPort_.eventWindow_->Send(kPortEventMessage, event.bit, 0);
}

}  // namespace comms
