// An unnamed manual-reset event of the communications API, closed with its
// owner.
#pragma once

#include "platform/commapi/commapi.h"

namespace comms {

class EventHandle {
 public:
  explicit EventHandle(bool initiallySet)
      : handle_(commapi::CreateEventA(nullptr, 1, initiallySet ? 1 : 0, nullptr)) {}
  ~EventHandle() {
    if (handle_) commapi::CloseHandle(handle_);
  }
  EventHandle(const EventHandle&) = delete;
  EventHandle& operator=(const EventHandle&) = delete;

  commapi::HANDLE Get() const { return handle_; }

 private:
  commapi::HANDLE handle_;
};

}  // namespace comms
