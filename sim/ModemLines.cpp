// What the modem sends to the port and how it treats DTR and RTS.
#include <string>

#include "sim/ModemCore.h"

namespace sim {

// Brings the modem status lines (CTS, DSR, CD, RI) and the flow-control gate in line with the state.
// Called before every output and after every change, so each line change
// is queued in order with the bytes around it.
void ModemCore::Refresh() {
  out_.SetGate(!HoldsOutput() || rts_);
  out_.SetLines(ComputeLines());
}

LineStates ModemCore::ComputeLines() const {
  if (!powered_) return {};
  const bool carrier = call_ == Call::kUp;
  LineStates lines;
  lines.cts = !caps_.ctsFollowsRts || rts_;
  lines.rlsd = caps_.carrierAlwaysOn || active_.cdMode == 0 || carrier;
  switch (caps_.dsr) {
    case DsrWiring::kBySetting:
      lines.dsr = active_.dsrMode == 0 || carrier;
      break;
    case DsrWiring::kFollowsDtr:
      lines.dsr = dtr_;
      break;
    case DsrWiring::kNeverOn:
      lines.dsr = false;
      break;
    case DsrWiring::kAlwaysOn:
      lines.dsr = true;
      break;
  }
  if (restarting_) lines.cts = lines.dsr = false;
  return lines;
}

bool ModemCore::HoldsOutput() const {
  switch (caps_.flowLock) {
    case FlowLock::kAlwaysOn:
      return true;
    case FlowLock::kNever:
      return false;
    case FlowLock::kNone:
      break;
  }
  return active_.rtsFlow;
}

bool ModemCore::DtrHonoured() const { return !caps_.dtrIgnored && active_.dtrMode != 0; }

// &D2 and &D3 take a low DTR to mean that nobody is there to talk to.
bool ModemCore::InputBlocked() const { return DtrHonoured() && !dtr_ && active_.dtrMode >= 2; }

bool ModemCore::Garbling() const { return caps_.fixedBaud != 0 && baud_ != caps_.fixedBaud; }

void ModemCore::Send(std::string_view bytes) {
  if (!powered_) return;
  Refresh();
  out_.Send(Garbling() ? Garble(bytes) : std::string(bytes));
}

void ModemCore::SendResult(Result result) {
  if (active_.quiet) return;
  static constexpr struct {
    std::string_view word;
    char code;
  } kResults[] = {{"OK", '0'},    {"CONNECT", '1'},     {"NO CARRIER", '3'},
                  {"ERROR", '4'}, {"NO DIALTONE", '6'}, {"BUSY", '7'}};
  const auto& entry = kResults[static_cast<int>(result)];
  if (!active_.verbose) {
    Send(Spoil(std::string{entry.code, '\r'}));
    return;
  }
  std::string text = "\r\n" + std::string(entry.word);
  if (result == Result::kConnect)
    text += caps_.linkReport ? " 33600/ARQ/V34/LAPM/V42BIS" : " " + std::to_string(baud_);
  Send(Spoil(text + "\r\n"));
}

void ModemCore::SendInfo(std::string_view text) {
  Send(Spoil(active_.verbose ? "\r\n" + std::string(text) + "\r\n"
                             : std::string(text) + "\r\n"));
}

// Noise that lands right after the first character of a reply: inside "OK",
// between the digits of a number.
std::string ModemCore::Spoil(std::string text) {
  if (!spoilReply_) return text;
  spoilReply_ = false;
  const std::size_t first = text.find_first_not_of("\r\n");
  if (first != std::string::npos) text.insert(first + 1, noise_.Spike());
  return text;
}

void ModemCore::SetDtr(bool on) {
  if (on == dtr_) return;
  dtr_ = on;
  if (on || !powered_ || !DtrHonoured()) return;
  scan_ = Scan::kSeekA;
  switch (active_.dtrMode) {
    case 1:  // back to command mode, the call kept
      if (call_ == Call::kUp && online_) {
        online_ = false;
        SendResult(Result::kOk);
      }
      break;
    case 2:
      if (call_ != Call::kIdle) {
        EndCall();
        SendResult(Result::kNoCarrier);
      }
      break;
    default:  // &D3: hang up and reset
      EndCall();
      Reload();
      break;
  }
}

void ModemCore::SetRts(bool on) { rts_ = on; }

}  // namespace sim
