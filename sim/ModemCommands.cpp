// Command mode: finding "AT" lines in what the port sends, echo, and the
// execution of each command.
#include <cctype>
#include <cstdio>

#include "platform/clock.h"
#include "sim/ModemCore.h"
#include "sim/Timing.h"

namespace sim {
namespace {

// Longer lines are answered with ERROR rather than kept.
constexpr std::size_t kMaxLineLength = 255;

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::string ThreeDigits(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%03u", value);
  return text;
}

}  // namespace

void ModemCore::Receive(std::string_view bytes) {
  if (!powered_ || caps_.mute || InputBlocked()) return;
  const std::string in = Garbling() ? Garble(bytes) : std::string(bytes);
  const Millis now = platform::clock::Now();
  for (const char c : in) {
    if (call_ == Call::kUp && online_)
      DataByte(c, now);
    else if (call_ == Call::kIdle || call_ == Call::kUp)
      CommandByte(c);
    // While dialling, what arrives is dropped.
    lastReceived_ = now;
  }
}

void ModemCore::CommandByte(char c) {
  if (active_.echo) Send(std::string_view(&c, 1));
  const char u = Upper(c);
  switch (scan_) {
    case Scan::kSeekA:
      if (u == 'A') scan_ = Scan::kSeekT;
      break;
    case Scan::kSeekT:
      if (u == 'T') {
        scan_ = Scan::kInLine;
        lineBuffer_.clear();
        lineOverflow_ = false;
      } else if (u != 'A') {
        scan_ = Scan::kSeekA;
      }
      break;
    case Scan::kInLine:
      if (c == static_cast<char>(active_.s[3])) {
        scan_ = Scan::kSeekA;
        After(timing::kResultDelayMs, [this, body = lineBuffer_, overflow = lineOverflow_] {
          if (overflow)
            SendResult(Result::kError);
          else
            ExecuteLine(body);
        });
      } else if (c == static_cast<char>(active_.s[5])) {
        if (!lineBuffer_.empty()) lineBuffer_.pop_back();
      } else if (c != '\n') {
        if (lineBuffer_.size() < kMaxLineLength)
          lineBuffer_ += c;
        else
          lineOverflow_ = true;
      }
      break;
  }
}

void ModemCore::ExecuteLine(const std::string& body) {
  const auto commands = ParseCommandLine(body, caps_);
  if (!commands) {
    SendResult(Result::kError);
    return;
  }
  for (const Command& command : *commands)
    if (!Execute(command)) return;
  SendResult(Result::kOk);
}

// Returns false when the command ends the line and gives its own result.
bool ModemCore::Execute(const Command& c) {
  switch (c.op) {
    case Op::kEcho:
      active_.echo = c.value == 1;
      break;
    case Op::kVerbose:
      active_.verbose = c.value == 1;
      break;
    case Op::kQuiet:
      active_.quiet = c.value == 1;
      break;
    case Op::kReset:
      EndCall();
      After(timing::kResetMs, [this] {
        Reload();
        SendResult(Result::kOk);
      });
      return false;
    case Op::kFactory:
      active_ = profile_.settings;
      break;
    case Op::kStore:
      stored_ = active_;
      break;
    case Op::kInfo:
      SendInfo(c.value == 3 ? kIdentification : kProductCode);
      break;
    case Op::kQueryRegister:
      SendInfo(ThreeDigits(active_.s[c.reg]));
      break;
    case Op::kSetRegister:
      active_.s[c.reg] = static_cast<std::uint8_t>(c.value);
      break;
    case Op::kLockBaud:
      active_.lockBaud = c.value;
      break;
    case Op::kCarrierMode:
      active_.cdMode = c.value;
      break;
    case Op::kDtrMode:
      active_.dtrMode = c.value;
      break;
    case Op::kDsrMode:
      active_.dsrMode = c.value;
      break;
    case Op::kFlowK:
      active_.rtsFlow = c.value == 3;
      break;
    case Op::kFlowQ:
      active_.rtsFlow = c.value >= 2;
      break;
    case Op::kFlowR:
      active_.rtsFlow = c.value == 2;
      break;
    case Op::kFlowH:
      break;  // flow towards the modem: it never needs to stop the port
    case Op::kDial:
      Dial();
      return false;
    case Op::kHangUp:
      if (!caps_.h0Ignored) EndCall();
      break;
    case Op::kOnline:
      if (call_ != Call::kUp) {
        SendResult(Result::kNoCarrier);
      } else {
        online_ = true;
        SendResult(Result::kConnect);
      }
      return false;
  }
  return true;
}

}  // namespace sim
