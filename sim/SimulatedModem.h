// A simulated Hayes-style modem with its answering system, for the virtual
// serial line of platform/commapi. Time comes only from platform/clock, so
// it runs in real time (the window) and in virtual time (tests, --fast).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/commapi/device_presence.h"
#include "platform/commapi/virtual_device.h"
#include "sim/Timing.h"

namespace sim {

struct ProfileInfo {
  std::string name;
  std::string description;  // one line, for --list-profiles
};

// Every named behaviour profile, "standard" first.
const std::vector<ProfileInfo>& Profiles();
bool IsProfile(const std::string& name);

class SimulatedModem : public commapi::VirtualDevice, public commapi::DevicePresence {
 public:
  // A powered-up modem with the profile's stored settings; null for an
  // unknown profile name.
  static std::shared_ptr<SimulatedModem> Create(const std::string& profile);
  ~SimulatedModem() override;

  // Switches the modem off and on again: all output lines drop, everything
  // pending is lost, and it comes back with its stored profile
  // timing::kBackAfterPowerCycleMs later (a profile may take longer). A USB
  // modem's device vanishes with the power and is absent for a while.
  void PowerCycle();

  // The cable is pulled: DTR and RTS drop as the modem sees them, and the
  // open port fails from now on. Opening the port again plugs it back in.
  void Unplug();

  // What the modem is doing, for tests.
  bool Powered() const;
  bool Present() const override;  // the device is there to be opened
  bool CallUp() const;                 // carrier up, online or in command mode
  bool Dialling() const;               // a dial under way, not yet answered
  bool Online() const;                 // in a call and passing data
  std::uint8_t Register(int n) const;  // the active value of Sn
  // What the answering system received in calls so far (the recent part).
  std::string AnsweringSystemReceived() const;

  void Attach(commapi::VirtualLine& line) override;
  void Detach() override;
  void Transmit(std::string_view bytes) override;
  void Configure(const commapi::DCB& dcb, bool dtr, bool rts) override;

  struct Impl;

 private:
  explicit SimulatedModem(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// Lets "sim:PROFILE" stand as a mapped device path (TELVORA_COMn=sim:standard).
// Calling it again does nothing.
void RegisterSimScheme();

}  // namespace sim
