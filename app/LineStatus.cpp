// The serial line in the status bar: which port and device, the speed, and
// the five modem lines as they are. DTR and RTS are what the program set;
// CTS, DSR and CD are read when the port opens and at each change the port
// reports. Nothing of it goes to the log.
#include <algorithm>
#include <array>

#include "app/PortNames.h"
#include "app/TelvoraMain.h"

namespace {

std::string SpeedText(comms::TBaudRate rate) {
  static constexpr std::array<int, 13> kBaud{110,   300,   600,   1200,  2400,  4800,  9600,
                                             14400, 19200, 38400, 56000, 57600, 115200};
  return std::to_string(kBaud.at(rate)) + " baud";
}

constexpr std::array<const char*, 5> kLampNames{"DTR", "RTS", "CTS", "DSR", "CD"};

toolkit::LampState Lamp(bool known, bool on) {
  using toolkit::LampState;
  return !known ? LampState::Grey : on ? LampState::On : LampState::Off;
}

}  // namespace

void TMain_Form::ReadModemLines() {
  // A port that went away mid-run cannot be read: its lamps go grey, and the
  // command in progress meets the error itself where it uses the port.
  try {
    modemLines_ = {true, true, ComPort->CtsState(), ComPort->DsrState(), ComPort->CarrierState()};
  } catch (const comms::EComPort&) {
    modemLines_ = {true, false};
  }
}

void TMain_Form::DescribeLinePort() {
  linePort_ = ports::ShownPort(ports::DescribeComPort(static_cast<int>(ComPort->Port()) + 1));
  ShowLineState();
}

void TMain_Form::ShowLineState() {
  // The port's own open and close events belong to no handler of the window;
  // an open is seen here, before the first wait after it.
  const bool open = ComPort->Connected();
  if (open != modemLines_.open) {
    if (open) {
      ReadModemLines();
    } else {
      modemLines_ = {};
    }
    DescribeLinePort();
    return;
  }
  // A port that cannot be read has vanished: nothing of it is known.
  const bool known = open && modemLines_.known;
  const std::array<toolkit::LampState, kLampNames.size()> lamps{
      Lamp(known, ComPort->FlowControl().ControlDtr() != comms::dtrDisable),
      Lamp(known, ComPort->FlowControl().ControlRts() != comms::rtsDisable),
      Lamp(known, modemLines_.cts), Lamp(known, modemLines_.dsr), Lamp(known, modemLines_.cd)};
  std::string speed = SpeedText(ComPort->BaudRate());
  // Every wait's pass comes here: a new line state only when something changed.
  const toolkit::TLineState& shown = Status.Line();
  if (shown.port == linePort_ && shown.speed == speed &&
      std::ranges::equal(shown.lamps, lamps, {}, &toolkit::TLamp::state))
    return;
  toolkit::TLineState line{linePort_, std::move(speed), {}};
  for (std::size_t i = 0; i < lamps.size(); ++i) line.lamps.push_back({kLampNames[i], lamps[i]});
  Status.SetLine(std::move(line));
}

void TMain_Form::ShowStatusBar() {
  ShowLineState();
  if (run_) run_->Tick();
}
