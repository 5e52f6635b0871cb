#include "platform/commapi/loopback_device.h"

namespace commapi {

void LoopbackDevice::Attach(VirtualLine& line) {
  std::lock_guard lock(mutex_);
  line_ = &line;
  // Lines stay low until the port sets its control block.
  line_->SetModemStatus(false, false, false, false);
}

void LoopbackDevice::Detach() {
  std::lock_guard lock(mutex_);
  line_ = nullptr;
}

void LoopbackDevice::Transmit(std::string_view bytes) {
  std::lock_guard lock(mutex_);
  if (line_ != nullptr) line_->Receive(bytes);
}

void LoopbackDevice::Configure(const DCB&, bool dtr, bool rts) {
  std::lock_guard lock(mutex_);
  if (line_ != nullptr) line_->SetModemStatus(rts, dtr, dtr, false);
}

bool LoopbackDevice::Attached() const {
  std::lock_guard lock(mutex_);
  return line_ != nullptr;
}

}  // namespace commapi
