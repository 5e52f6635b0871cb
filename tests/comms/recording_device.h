// A virtual device for the port tests: records what the port sends it
// (control blocks, bytes, attach and detach) and lets a test act as the far
// end of the cable through the line it was attached to.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/commapi/virtual_device.h"
#include "platform/threads.h"

namespace comms_test {

struct ConfigureCall {
  commapi::DCB dcb;
  bool dtr;
  bool rts;
};

class RecordingDevice : public commapi::VirtualDevice {
 public:
  void Attach(commapi::VirtualLine& line) override;
  void Detach() override;
  void Transmit(std::string_view bytes) override;
  void Configure(const commapi::DCB& dcb, bool dtr, bool rts) override;
  // Answers each call of a spoilt kind with its verdict.
  commapi::CallVerdict Intercept(commapi::PortCall call) override;
  void Spoil(commapi::PortCall call, commapi::CallVerdict verdict);

  // The far end: only while attached.
  void Send(std::string_view bytes);
  void SetLines(bool cts, bool dsr, bool rlsd, bool ring = false);
  void Vanish();
  void FinishPending(commapi::DWORD error);
  // Set once a transfer has been left pending.
  platform::Event leftPending{true, false};

  std::vector<ConfigureCall> Configured() const;
  std::string Received() const;
  // "attach" and "detach" in the order they happened.
  std::vector<std::string> Attachments() const;

 private:
  commapi::VirtualLine& Line() const;

  mutable std::mutex mutex_;
  commapi::VirtualLine* line_ = nullptr;
  std::vector<ConfigureCall> configured_;
  std::string received_;
  std::vector<std::string> attachments_;
  std::map<commapi::PortCall, commapi::CallVerdict> verdicts_;
};

// Binds a new recording device to a device name for the life of the object.
class BoundDevice {
 public:
  explicit BoundDevice(std::string deviceName);
  ~BoundDevice();
  BoundDevice(const BoundDevice&) = delete;
  BoundDevice& operator=(const BoundDevice&) = delete;

  RecordingDevice* operator->() const { return device_.get(); }
  RecordingDevice& operator*() const { return *device_; }

 private:
  std::string name_;
  std::shared_ptr<RecordingDevice> device_;
};

}  // namespace comms_test
