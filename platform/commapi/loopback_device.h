// A loopback plug: every byte the port sends comes straight back, DTR is
// wired to DSR and carrier detect, RTS to CTS.
#pragma once

#include <mutex>

#include "platform/commapi/virtual_device.h"

namespace commapi {

class LoopbackDevice : public VirtualDevice {
 public:
  void Attach(VirtualLine& line) override;
  void Detach() override;
  void Transmit(std::string_view bytes) override;
  void Configure(const DCB& dcb, bool dtr, bool rts) override;

  bool Attached() const;

 private:
  mutable std::mutex mutex_;  // held while calling the line: the port never calls back locked
  VirtualLine* line_ = nullptr;
};

}  // namespace commapi
