#include "recording_device.h"

#include <stdexcept>

namespace comms_test {

void RecordingDevice::Attach(commapi::VirtualLine& line) {
  std::lock_guard lock(mutex_);
  line_ = &line;
  attachments_.push_back("attach");
}

void RecordingDevice::Detach() {
  std::lock_guard lock(mutex_);
  line_ = nullptr;
  attachments_.push_back("detach");
}

void RecordingDevice::Transmit(std::string_view bytes) {
  std::lock_guard lock(mutex_);
  received_ += bytes;
}

void RecordingDevice::Configure(const commapi::DCB& dcb, bool dtr, bool rts) {
  std::lock_guard lock(mutex_);
  configured_.push_back({dcb, dtr, rts});
}

commapi::CallVerdict RecordingDevice::Intercept(commapi::PortCall call) {
  std::lock_guard lock(mutex_);
  const auto found = verdicts_.find(call);
  if (found == verdicts_.end()) return {};
  if (found->second.action == commapi::CallVerdict::kPending) leftPending.Set();
  return found->second;
}

void RecordingDevice::Spoil(commapi::PortCall call, commapi::CallVerdict verdict) {
  std::lock_guard lock(mutex_);
  verdicts_[call] = verdict;
}

commapi::VirtualLine& RecordingDevice::Line() const {
  std::lock_guard lock(mutex_);
  if (!line_) throw std::logic_error("the recording device is not attached");
  return *line_;
}

// The line is called without our lock held: it may call back into Transmit.
void RecordingDevice::Send(std::string_view bytes) { Line().Receive(bytes); }

void RecordingDevice::SetLines(bool cts, bool dsr, bool rlsd, bool ring) {
  Line().SetModemStatus(cts, dsr, rlsd, ring);
}

void RecordingDevice::Vanish() { Line().Vanish(); }

void RecordingDevice::FinishPending(commapi::DWORD error) { Line().FinishPending(error); }

std::vector<ConfigureCall> RecordingDevice::Configured() const {
  std::lock_guard lock(mutex_);
  return configured_;
}

std::string RecordingDevice::Received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

std::vector<std::string> RecordingDevice::Attachments() const {
  std::lock_guard lock(mutex_);
  return attachments_;
}

BoundDevice::BoundDevice(std::string deviceName)
    : name_(std::move(deviceName)), device_(std::make_shared<RecordingDevice>()) {
  commapi::BindVirtualDevice(name_, device_);
}

BoundDevice::~BoundDevice() { commapi::UnbindVirtualDevice(name_); }

}  // namespace comms_test
