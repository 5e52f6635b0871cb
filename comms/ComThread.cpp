#include "comms/ComThread.h"

#include "comms/DispatchTable.h"
#include "comms/EventWindow.h"
#include "platform/clock.h"

namespace comms {

namespace {
constexpr platform::clock::Millis kRetryAfterFailureMs = 100;
}  // namespace

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
  bool failing = false;  // the last wait failed at once
  for (;;) {
    // A wait that fails at once does not touch the record; left signalled
    // from the last completion, it would be taken for a new one, forever.
    ResetEvent(waitDone.Get());
    const BOOL done = WaitCommEvent(device, &eventMask_, &record);
    const DWORD error = done ? 0 : GetLastError();
    waitPending = !done && error == ERROR_IO_PENDING;
    if (!done && !waitPending) {
      // Issued again after a pause, so the port neither spins nor goes deaf.
      // A device that is gone is reported through the input handler, whose
      // count query fails with it.
      if (error == ERROR_DEVICE_NOT_CONNECTED && !failing) HandOverInput();
      failing = true;
      if (!PauseAfterFailure()) break;
      continue;
    }
    failing = false;
    if (WaitForMultipleObjects(2, waitList, 0, INFINITE) != WAIT_OBJECT_0 + 1) break;
    waitPending = false;
    DWORD unused = 0;
    // A failed result loses what the wait would have reported: the input
    // handler looks at the queue instead. A handler's exception leaves here
    // with no wait outstanding, and the platform thread reports it once.
    if (GetOverlappedResult(device, &record, &unused, 0)) {
      DispatchEvents();
    } else {
      HandOverInput();
    }
  }
  // The device still points at record and eventMask_ while a wait is
  // outstanding: clearing the mask ends that wait, and record may only go
  // once it has.
  if (waitPending && SetCommMask(device, 0)) WaitForSingleObject(waitDone.Get(), INFINITE);
  PurgeComm(device, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
}

bool TComThread::PauseAfterFailure() {
  using namespace commapi;
  // Timed on the program's clock, so virtual time moves it too.
  const EventHandle retry(false);
  const platform::clock::TimerId timer =
      platform::clock::ScheduleAfter(kRetryAfterFailureMs, [event = retry.Get()] { SetEvent(event); });
  const HANDLE waitList[2] = {stopEvent_.Get(), retry.Get()};
  const bool stopped = WaitForMultipleObjects(2, waitList, 0, INFINITE) != WAIT_OBJECT_0 + 1;
  platform::clock::Cancel(timer);
  return !stopped;
}

void TComThread::HandOverInput() {
  eventMask_ = ownerPort_.EventMask() & commapi::EV_RXCHAR;
  if (eventMask_ != 0) DispatchEvents();
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
