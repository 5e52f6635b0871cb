// Every time-out and pause of the procedures, named once, and the longest
// each operation can take, built from them: the waits use the first, the
// progress bar's estimate adds up the second. A wait changed here changes
// the estimate with it.
#pragma once

#include <cstdint>

namespace timing {

// ---- The dialogue engine (Dialogue.cpp) ----
// A wait looks at its exit conditions after each pass of this long.
constexpr std::uint32_t kWaitPassMs = 10;
// A dial waits this long for CONNECT, NO CARRIER or ERROR...
constexpr std::uint32_t kDialReplyMs = 50000;
// ...then pauses this long: "Welcome" usually follows CONNECT within it.
constexpr std::uint32_t kAfterDialMs = 3000;

// ---- How long the modem has to answer ----
// An ordinary command.
constexpr std::uint32_t kCommandReplyMs = 1500;
// "AT Z": the modem reloads its stored profile.
constexpr std::uint32_t kResetReplyMs = 3000;
// The closing "AT V1" of a reset.
constexpr std::uint32_t kLastV1ReplyMs = 500;
// "AT &W": writing the stored profile is slow on some modems.
constexpr std::uint32_t kStoreReplyMs = 5000;
// "AT S7?", "AT S0?": a register read back.
constexpr std::uint32_t kRegisterReplyMs = 2000;
// "AT H0".
constexpr std::uint32_t kHangUpReplyMs = 8000;

// ---- Pauses ----
// After the port is opened, before the first command.
constexpr std::uint32_t kAfterOpenMs = 100;
// Between two commands where the modem wants a breath (the reset's steps,
// the Saving Settings Test's reads and writes).
constexpr std::uint32_t kBetweenCommandsMs = 100;
// After DTR or RTS changed, for the modem to see it.
constexpr std::uint32_t kAfterLineChangeMs = 100;
// Before the last "AT V1" of a reset, and before the one that follows a
// numeric reply to "AT E0".
constexpr std::uint32_t kResetSettleMs = 500;
// DTR and RTS raised before the first command of a detection.
constexpr std::uint32_t kDetectSettleMs = 1000;
// With DTR lowered, for DSR to follow it if it does.
constexpr std::uint32_t kDsrFollowMs = 1000;
// After a call connected: "Welcome" arrives meanwhile, unread (a plain sleep).
constexpr std::uint32_t kWelcomeMs = 1500;
// Silence before "+++", and the wait after it for the answer: the escape's
// guard times.
constexpr std::uint32_t kEscapeGuardMs = 3500;
// What still comes after the escape's answer.
constexpr std::uint32_t kAfterEscapeMs = 500;
// DTR held low to drop a call the modem will not hang up.
constexpr std::uint32_t kDtrDropMs = 1000;
// Before and after a test call is hung up.
constexpr std::uint32_t kBeforeHangUpMs = 1000;
constexpr std::uint32_t kAfterHangUpMs = 1000;
// A call connected with RTS low but without "Welcome": RTS is raised and
// the held-back text waited for this long.
constexpr std::uint32_t kHeldWelcomeMs = 2000;
// After the call with RTS low: RTS raised, a pause, then what the modem
// held back is drained before the hang-up.
constexpr std::uint32_t kRtsRaisedMs = 500;
constexpr std::uint32_t kDrainMs = 500;
// A silent dial with RTS low and flow control off: RTS raised this long
// before waiting for the held-back CONNECT.
constexpr std::uint32_t kBeforeReconnectMs = 1000;
// After the log went to the clipboard, before the port closes.
constexpr std::uint32_t kAfterCopyMs = 1000;
// A USB modem's device is gone while it is off and comes back some seconds
// after it is on again, as the system finds it anew: it is looked for every
// step, for this long.
constexpr std::uint32_t kDeviceBackMs = 10000;
constexpr std::uint32_t kReopenStepMs = 250;

}  // namespace timing

// The longest each operation can take along its slowest path, from the names
// above: what the progress bar's estimate adds up. Every pause counts at its
// length and every wait the run goes on after at its time-out. A command the
// run cannot go on without counts at the time a modem takes to answer it: if
// it is not answered the run ends there, and the phases left are not run.
namespace worst_case {

using namespace timing;

// A wait ends in the pass that sees its time-out.
constexpr std::uint32_t Waited(std::uint32_t timeoutMs) { return timeoutMs + kWaitPassMs; }
// A modem answers a command it takes well within half a second.
constexpr std::uint32_t kAnswerMs = 500;
constexpr std::uint32_t Answered(std::uint32_t timeoutMs) {
  return Waited(timeoutMs < kAnswerMs ? timeoutMs : kAnswerMs);
}

constexpr std::uint32_t kCommandMs = Waited(kCommandReplyMs);
// DetectModem: no modem, no run.
constexpr std::uint32_t kDetectMs = kDetectSettleMs + Answered(kCommandReplyMs);
// ResetModem. A modem answers in numbers after "AT Z" or after "AT E0", not
// both: the "AT V1" that follows switches it to words. After "AT E0" that
// "AT V1" must be answered, as must the closing one.
constexpr std::uint32_t kNumericAfterZMs = kBetweenCommandsMs + kCommandMs;
constexpr std::uint32_t kNumericAfterE0Ms = kResetSettleMs + Answered(kCommandReplyMs);
constexpr std::uint32_t kResetMs =
    Waited(kResetReplyMs) +
    (kNumericAfterZMs > kNumericAfterE0Ms ? kNumericAfterZMs : kNumericAfterE0Ms) +
    kBetweenCommandsMs + kCommandMs + kResetSettleMs + Answered(kLastV1ReplyMs);
// DialAndWait.
constexpr std::uint32_t kDialMs = Waited(kDialReplyMs) + kAfterDialMs;
// PlaceTestCall.
constexpr std::uint32_t kCallMs = kDialMs + kWelcomeMs;
// HangUp, down to dropping DTR.
constexpr std::uint32_t kHangUpMs = kEscapeGuardMs + Waited(kEscapeGuardMs) +
                                    Waited(kAfterEscapeMs) + Waited(kHangUpReplyMs) +
                                    kDtrDropMs + kAfterLineChangeMs;

}  // namespace worst_case
