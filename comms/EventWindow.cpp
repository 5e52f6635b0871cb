#include "comms/EventWindow.h"

#include "platform/threads.h"

namespace comms {

std::intptr_t EventWindow::Send(std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
  std::intptr_t result = 0;
  platform::Synchronize([&] { result = port_.WndProc(message, wParam, lParam); });
  return result;
}

std::intptr_t EventWindow::DefaultProc(std::uint32_t, std::uintptr_t, std::intptr_t) {
  return 0;
}

}  // namespace comms
