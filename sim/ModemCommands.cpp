// Command mode: finding "AT" lines in what the port sends, echo, and the
// execution of each command.
#include <cctype>
#include <cstdio>

#include "platform/clock.h"
#include "sim/ModemCore.h"
#include "sim/Timing.h"

namespace sim {
namespace {

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::string RegisterText(unsigned value, bool padded) {
  char text[8];
  std::snprintf(text, sizeof text, padded ? "%03u" : "%u", value);
  return text;
}

}  // namespace

void ModemCore::Receive(std::string_view bytes) {
  if (!powered_ || caps_.mute || restarting_ || InputBlocked()) return;
  const std::string in = Garbling() ? Garble(bytes) : std::string(bytes);
  const Millis now = platform::clock::Now();
  for (const char c : in) {
    if (call_ == Call::kUp && online_) {
      DataByte(c, now);
    } else if (call_ == Call::kIdle || call_ == Call::kUp) {
      CommandByte(c);
    } else {
      // Any character while dialling abandons the dial; it is not a command.
      EndCall();
      SendResult(Result::kNoCarrier);
    }
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
          ExecuteLine(body, overflow);
        });
      } else if (c == static_cast<char>(active_.s[5])) {
        if (!lineBuffer_.empty()) lineBuffer_.pop_back();
      } else if (c != '\n') {
        // Longer lines are answered with ERROR rather than kept.
        if (lineBuffer_.size() < caps_.lineLimit)
          lineBuffer_ += c;
        else
          lineOverflow_ = true;
      }
      break;
  }
}

void ModemCore::ExecuteLine(const std::string& body, bool overlong) {
  // DTR lowered in &D2 or &D3 before the line ran: nobody is there to obey.
  if (InputBlocked()) return;
  if (caps_.spoiltReplyEvery > 0 && ++linesSeen_ % caps_.spoiltReplyEvery == 0)
    spoilReply_ = true;
  const auto commands = overlong ? std::nullopt : ParseAtCommands(body, caps_);
  if (!commands) {
    SendResult(caps_.okToAll && !overlong ? Result::kOk : Result::kError);
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
      active_.echo = c.value == 1 || caps_.echoFixed;
      break;
    case Op::kVerbose:
      active_.verbose = c.value == 1;
      break;
    case Op::kQuiet:
      active_.quiet = c.value == 1;
      break;
    case Op::kReset:
      EndCall();
      Restart(caps_.restartMs > 0 ? caps_.restartMs : timing::kResetMs, stored_);
      return false;
    case Op::kFactory:
      if (caps_.restartMs > 0) {
        Restart(caps_.restartMs, profile_.settings);
        return false;
      }
      active_ = profile_.settings;
      break;
    case Op::kStore:
      if (!caps_.storeForgets) stored_ = active_;
      break;
    case Op::kInfo:
      SendInfo(c.value == 3 ? kIdentification : kProductCode);
      break;
    case Op::kQueryRegister:
      SendInfo(RegisterText(active_.s[c.reg], caps_.paddedRegisters));
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
      active_.rtsFlow = c.value == 3 || (c.value == 2 && !caps_.q2IgnoresRts);
      break;
    case Op::kFlowR:
      active_.rtsFlow = c.value == 2;
      break;
    case Op::kFlowH:
      break;  // flow towards the modem: it never needs to stop the port
    case Op::kResultSet:
      active_.resultSet = c.value;
      break;
    case Op::kSpeaker:
      active_.speaker = c.value;
      break;
    case Op::kVolume:
      active_.volume = c.value;
      break;
    case Op::kIgnored:
      break;
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

// Z and &F: the load takes `duration`. A modem that restarts its firmware
// for it hears nothing and drops CTS and DSR meanwhile.
void ModemCore::Restart(Millis duration, const ModemSettings& settings) {
  restarting_ = caps_.restartMs > 0;
  After(duration, [this, settings] {
    restarting_ = false;
    Load(settings);
    SendResult(Result::kOk);
  });
}

}  // namespace sim
