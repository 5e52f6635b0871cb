// The monitoring thread of an open port: waits on the device for the events
// of the port's mask and hands each completed batch to the port by its
// SyncMethod, waiting until the handlers have run.
#pragma once

#include "comms/Comms.h"
#include "comms/EventHandle.h"
#include "platform/threads.h"

namespace comms {

class TComThread final : public platform::Thread {
 public:
  // Sets the port's event mask on the device and starts monitoring.
  explicit TComThread(TComPort& port);
  // Stops the thread and waits for it; on the user-interface thread the wait
  // keeps serving the hand-over the thread may be blocked in.
  ~TComThread() override;

  void Stop();

 protected:
  void Execute() override;

 private:
  // After a wait that failed at once: false when stopped meanwhile.
  bool PauseAfterFailure();
  // Hands over a received-character event, when the mask has one, for the
  // handler to look at the input queue.
  void HandOverInput();
  void DispatchEvents();
  void DoEvents();
  void SendEvents();

  TComPort& ownerPort_;
  commapi::DWORD eventMask_ = 0;  // written by the device through the wait
  // Owned by the thread object rather than by Execute, so Stop never
  // signals a closed handle when Execute has already ended.
  EventHandle stopEvent_{false};
};

}  // namespace comms
