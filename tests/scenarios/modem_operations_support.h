// Shared by the modem operation scenarios: a window with its port open on a
// simulated modem (by profile) or on a scripted one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/commapi/virtual_device.h"
#include "tests/support/Scenario.h"
#include "tests/support/ScriptedModem.h"

namespace opstest {

using Lines = std::vector<std::string>;

// What a step logs at one message level.
struct LevelLog {
  std::uint8_t level;
  Lines log;
};

// The log lines an operation adds.
inline Lines LogOf(scenario::Scenario& s, const std::function<void()>& operation) {
  s.Form().Output_Memo.Clear();
  operation();
  return s.Log();
}

inline std::unique_ptr<scenario::Scenario> OpenOn(const std::string& profile, std::uint8_t level,
                                                  bool nextel = false) {
  auto s = std::make_unique<scenario::Scenario>(
      scenario::Options{.profile = profile, .level = level, .nextel = nextel});
  s->Form().OpenPort();
  return s;
}

// A window whose port is open on a scripted modem.
struct Scripted {
  explicit Scripted(std::uint8_t level, scenario::Options options = {}) {
    options.level = level;
    s = std::make_unique<scenario::Scenario>(options);
    commapi::BindVirtualDevice("\\\\.\\COM1", modem);
    s->Form().OpenPort();
  }
  TMain_Form& Form() { return s->Form(); }
  std::shared_ptr<testsupport::ScriptedModem> modem = testsupport::ScriptedModem::Create();
  std::unique_ptr<scenario::Scenario> s;
};

}  // namespace opstest
