// A device that stands between a port and another device and passes
// everything on. Tests derive from it and override Transmit to watch or
// spoil what the port writes, or Intercept to fail the port's calls; line_
// is the port, for answering it directly.
#pragma once

#include <memory>
#include <string_view>
#include <utility>

#include "platform/commapi/virtual_device.h"

namespace testsupport {

class PassThroughDevice : public commapi::VirtualDevice {
 public:
  explicit PassThroughDevice(std::shared_ptr<commapi::VirtualDevice> modem)
      : modem_(std::move(modem)) {}

  void Attach(commapi::VirtualLine& line) override {
    line_ = &line;
    modem_->Attach(line);
  }
  void Detach() override {
    modem_->Detach();
    line_ = nullptr;
  }
  void Configure(const commapi::DCB& dcb, bool dtr, bool rts) override {
    modem_->Configure(dcb, dtr, rts);
  }
  void Transmit(std::string_view bytes) override { modem_->Transmit(bytes); }
  commapi::CallVerdict Intercept(commapi::PortCall call) override {
    return modem_->Intercept(call);
  }

 protected:
  std::shared_ptr<commapi::VirtualDevice> modem_;
  commapi::VirtualLine* line_ = nullptr;
};

}  // namespace testsupport
