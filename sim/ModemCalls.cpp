// Calls: dialling the answering system, online data, the "+++" escape with
// its guard times, and hanging up.
#include <algorithm>

#include "sim/ModemCore.h"
#include "sim/Timing.h"

namespace sim {

void ModemCore::Dial() {
  if (call_ != Call::kIdle) {
    SendResult(Result::kError);
    return;
  }
  call_ = Call::kDialling;
  switch (caps_.phoneLine) {
    case PhoneLine::kBusy:
      callTimer_ = After(timing::kBusyMs, [this] { DialFailed(Result::kBusy); });
      return;
    case PhoneLine::kNoDialtone:
      callTimer_ = After(timing::kNoDialtoneMs, [this] { DialFailed(Result::kNoDialtone); });
      return;
    case PhoneLine::kRings:
      break;
  }
  if (caps_.linkReport)
    ringTimer_ = After(timing::kRingingMs, [this] {
      if (!active_.quiet) SendInfo("RING");
    });
  // S7 bounds the wait for carrier: a far end that answers later is missed.
  const Millis carrierWait = Millis{active_.s[7]} * 1000;
  const Millis farEndAnswer = caps_.farEndCarrier ? timing::kConnectMs : timing::kHandshakeFailMs;
  const bool connects = caps_.farEndCarrier && timing::kConnectMs <= carrierWait;
  callTimer_ = After(std::min(farEndAnswer, carrierWait), [this, connects] {
    Drop(ringTimer_);
    if (connects)
      Connected();
    else
      DialFailed(Result::kNoCarrier);
  });
}

// X decides which call progress results are named; the others show as
// NO CARRIER (X0, X1: neither; X2: no dial tone; X3: busy; X4: both).
void ModemCore::DialFailed(Result result) {
  call_ = Call::kIdle;
  const int x = active_.resultSet;
  if ((result == Result::kBusy && x < 3) || (result == Result::kNoDialtone && x != 2 && x != 4))
    result = Result::kNoCarrier;
  SendResult(result);
}

void ModemCore::Connected() {
  call_ = Call::kUp;
  online_ = true;
  plusCount_ = 0;
  if (caps_.linkReport && !active_.quiet)
    for (std::string_view line : {"CARRIER 33600", "PROTOCOL: LAPM", "COMPRESSION: V.42BIS"})
      SendInfo(line);
  SendResult(Result::kConnect);
  if (caps_.farEndGreets)
    callTimer_ = After(timing::kGreetingMs, [this] { Send(AnsweringSystem::kGreeting); });
}

void ModemCore::DataByte(char c, Millis now) {
  farEnd_.Receive(c);
  Drop(escapeTimer_);  // any byte inside the closing guard time spoils the escape
  if (c != static_cast<char>(active_.s[2])) {
    plusCount_ = 0;
    return;
  }
  const Millis guard = Millis{active_.s[12]} * timing::kGuardUnitMs;
  if (plusCount_ > 0 && now - lastPlus_ < guard)
    ++plusCount_;
  else
    plusCount_ = now - lastReceived_ >= guard ? 1 : 0;  // the first needs silence before it
  lastPlus_ = now;
  if (plusCount_ == 3) escapeTimer_ = After(guard, [this] { EscapeConfirmed(); });
}

void ModemCore::EscapeConfirmed() {
  plusCount_ = 0;
  if (caps_.escapeDropsCall) {
    EndCall();
    SendResult(Result::kNoCarrier);
  } else {
    online_ = false;
    SendResult(Result::kOk);
  }
}

void ModemCore::EndCall() {
  call_ = Call::kIdle;
  online_ = false;
  plusCount_ = 0;
  Drop(callTimer_);
  Drop(ringTimer_);
  Drop(escapeTimer_);
}

}  // namespace sim
