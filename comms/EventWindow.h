// The port's hidden event window (used with smWindow): a message target that
// lives on the user-interface thread, which creates it at Open. Sending it a
// message hands the message over to that thread, runs the port's window
// procedure there and waits until it has returned.
#pragma once

#include <cstdint>

#include "comms/Comms.h"

namespace comms {

class EventWindow {
 public:
  explicit EventWindow(TComPort& port) : port_(port) {}
  EventWindow(const EventWindow&) = delete;
  EventWindow& operator=(const EventWindow&) = delete;

  // From any thread; an exception of the window procedure comes back here.
  std::intptr_t Send(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

  // What a window does with a message it has no use for.
  static std::intptr_t DefaultProc(std::uint32_t message, std::uintptr_t wParam,
                                   std::intptr_t lParam);

 private:
  TComPort& port_;
};

}  // namespace comms
