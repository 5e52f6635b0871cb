// A whole procedure against a simulated modem, in virtual time: the real
// window class on the headless toolkit, the real port component with its
// monitoring thread, and a simulated modem bound to the chosen port.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/TelvoraMain.h"
#include "platform/toolkit/headless.h"
#include "sim/SimulatedModem.h"

namespace scenario {

struct Options {
  std::string profile = "standard";
  // Chosen through the Message Level menu (0 Summary ... 4 Debug).
  std::uint8_t level = 2;
  // Entered through File › Phone Number with OK; nullopt: never entered.
  std::optional<std::string> phone = "5551234";
  // "Nextel Phone" checked.
  bool nextel = false;
  comms::TPortType port = comms::COM1;
};

class Scenario {
 public:
  explicit Scenario(Options options = {});
  ~Scenario();
  Scenario(const Scenario&) = delete;
  Scenario& operator=(const Scenario&) = delete;

  TMain_Form& Form();
  sim::SimulatedModem& Modem();
  toolkit::HeadlessBackend& Ui();

  // Chooses a menu item as the user would.
  void Click(toolkit::TMenuItem* item);
  // From now on the person in front of the "Action Required" box switches
  // the modem off and on and presses OK once it is powered up again; the
  // open box keeps handling the port's events.
  void PowerCycleWhenAsked();

  std::vector<std::string> Log() const;
  std::string Clipboard() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The last n lines of a log (all of it when shorter).
std::vector<std::string> Tail(const std::vector<std::string>& log, std::size_t n);

// True when `line` occurs in `log` as a whole line.
bool Contains(const std::vector<std::string>& log, const std::string& line);

// True when `expected` occurs in `log` as consecutive lines.
bool ContainsRun(const std::vector<std::string>& log, const std::vector<std::string>& expected);

}  // namespace scenario
