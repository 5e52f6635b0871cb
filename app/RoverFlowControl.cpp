// The Rover Test's RTS experiments: does a call get through while RTS is held
// low, first in the modem's reset configuration, then with its flow control
// switched off in each of three ways ("\Q0", "&H0 &R1", "&K0")?
#include <array>
#include <cstdint>
#include <string>

#include "app/TelvoraMain.h"
#include "app/Timings.h"

using namespace timing;

namespace {

// A line written from a level up; a null text writes nothing.
struct Said {
  std::uint8_t minLevel = 0;
  const char* text = nullptr;
};

// A line whose wording depends on the level: `full` from `fullFrom` up,
// `terse` (when set) below.
struct Worded {
  std::uint8_t fullFrom = 0;
  const char* full = nullptr;
  const char* terse = nullptr;
};

}  // namespace

// The three calls share one shape; this is what sets them apart.
struct TMain_Form::FlowControlCall {
  const char* phase = nullptr;
  const char* command = nullptr;
  bool needsQ0Accepted = false;  // run only when the first "AT\Q0" was answered
  rover::Call rover::Findings::*call = nullptr;
  // The switch-off command is not answered: ERROR or time-out.
  const char* refusedLine = nullptr;
  const char* timedOutLine = nullptr;
  const char* exitLine = nullptr;  // set: a refusal ends the test; else the call is skipped
  // Announcement before and after RTS goes low.
  std::array<Said, 3> beforeLowering{};
  const char* afterLowering = nullptr;  // level 1
  std::uint8_t connectedLevel = 0;
  Worded works{};
  const char* noWelcomeLine = nullptr;  // level 0
  Worded notConnected{};
  bool cdLowEndsTest = false;
  std::uint32_t reconnectPauseMs = 0;  // with RTS raised, before the wait for CONNECT
  std::uint8_t reconnectedLevel = 0;
  bool restoresFlowControl = false;  // "AT\Q2" after the call
  const char* raisingLine = nullptr;
  bool resetAfter = false;
};

bool TMain_Form::RoverRtsLowCall() {
  RoverPhase("call with RTS low");
  if (!ResetModem()) return false;
  RoverLog(4, "Lowering RTS");
  RoverSetRts(false);
  Pause(kAfterLineChangeMs);
  RoverLog(1, "");
  RoverLog(1, "Testing dial with RTS low, expected to time out");

  const rover::Call call = RoverFindings.rtsLow = RoverCall();
  if (call != rover::Call::NotConnected) {
    RoverLog(2, "Got Connected with RTS low");
    if (call == rover::Call::Welcome) {
      RoverLog(1, "Got welcome message, not expected");
    } else {
      // The modem may just be holding "Welcome" back: let it through. Seeing
      // it now says nothing about calls with RTS low, so no finding.
      RoverLog(4, "Rasing RTS");
      RoverSetRts(true);
      Pause(kAfterLineChangeMs);
      SendCommand("", kHeldWelcomeMs);
      if (GotWelcome) RoverLog(3, "Got Welcome after rasing RTS");
    }
  } else {
    RoverLog(0, "Did not get connected message with RTS low, expected");
    if (ComPort->CarrierState()) {
      RoverLog(1, "Modem is connected (CD High)");
      RoverLog(1, "Will wait upto 45 seconds");
      RoverLog(4, "Rasing RTS");
      RoverSetRts(true);
      Pause(kAfterLineChangeMs);
      if (DialAndWait(""))
        RoverLog(3, "Did get connected after rasing RTS");
      else
        RoverLog(3, "Did not get connected after rasing RTS");
    } else {
      RoverLog(3, "Modem is not connected (CD LOW)");
    }
  }

  RoverLog(0, "");
  RoverLog(4, "Raising RTS");
  RoverSetRts(true);
  Pause(kRtsRaisedMs);
  SendCommand("", kDrainMs);
  HangUp();
  Pause(kAfterHangUpMs);
  RoverLog(2, "");
  return true;
}

void TMain_Form::RoverProbeQ0() {
  RoverPhase("flow-control commands");
  Q0Accepted = false;
  if (SendCommand("AT\\Q0", kCommandReplyMs)) {
    RoverLog(2, "\\Q0, No flow control, responded OK");
    Q0Accepted = true;
  } else {
    RoverLog(3, "\\Q0, No flow control, not supported");
  }
  if (SendCommand("AT\\Q2", kCommandReplyMs))
    RoverLog(2, "\\Q2, Flow control, responded OK");
  else
    RoverLog(3, "\\Q2, Flow control, not supported");
}

bool TMain_Form::RoverFlowControlCalls() {
  // In the order they run. A skipped call skips its reset too.
  static const FlowControlCall calls[] = {
      {.phase = "call with \\Q0",
       .command = "AT\\Q0",
       .needsQ0Accepted = true,
       .call = &rover::Findings::q0,
       .refusedLine = "\\Q0, No flow control, not supported.",
       .timedOutLine = "\\Q0, No flow control, not supported.",
       .exitLine = "Indicated was supported before, exiting",
       .beforeLowering = {{{4, "\\Q0, No flow control, responded OK"}}},
       .afterLowering = "Testing \\Q0 with RTS low",
       .connectedLevel = 2,
       .works = {0, "Dial with no flow control (\\Q0) works", nullptr},
       .noWelcomeLine = "Dial with no flow control (\\Q0) does not work",
       .notConnected = {1, "Did not get connected message with RTS low",
                        "Dial with no flow control (\\Q0) does not work"},
       .cdLowEndsTest = true,
       .reconnectPauseMs = kBeforeReconnectMs,
       .reconnectedLevel = 3,
       .restoresFlowControl = true,
       .raisingLine = "Raising RTS",
       .resetAfter = true},
      {.phase = "call with &H0 &R1",
       .command = "AT &H0 &R1",
       .call = &rover::Findings::h0r1,
       .refusedLine = "&H0 &R1 not supported",
       .timedOutLine = "Time out sending &H0 &R1",
       .beforeLowering = {{{1, ""}, {1, "Attempting to connect without flow control and &R1 &H0"},
                           {1, ""}}},
       .connectedLevel = 1,
       .works = {0, "AT &H0 &R1 worked", nullptr},
       .notConnected = {0, "Did not get connected message with RTS low", nullptr},
       .reconnectPauseMs = kAfterLineChangeMs,
       .reconnectedLevel = 2,
       .raisingLine = "Raising RTS",
       .resetAfter = true},
      {.phase = "call with &K0",
       .command = "AT &K0",
       .call = &rover::Findings::k0,
       .refusedLine = "&K0 not supported",
       .timedOutLine = "Time out sending &K0",
       .beforeLowering = {{{1, ""}, {1, "Attempting to connect without flow control and &K0"},
                           {1, ""}}},
       .connectedLevel = 2,
       .works = {2, "Got welcome message, expected", "Got Connected with RTS low and &K0"},
       .notConnected = {0, "Did not get connected message with RTS low", nullptr},
       .reconnectPauseMs = kBeforeReconnectMs,
       .reconnectedLevel = 3,
       .raisingLine = "Rasing RTS"},
  };
  for (const FlowControlCall& call : calls) {
    if (call.needsQ0Accepted && !Q0Accepted) continue;
    if (!RoverFlowControlCall(call)) return false;
  }
  RoverLog(0, "");
  return true;
}

bool TMain_Form::RoverFlowControlCall(const FlowControlCall& call) {
  RoverPhase(call.phase);
  auto say = [this](const Worded& line) {
    const char* text = MessageLevel >= line.fullFrom ? line.full : line.terse;
    if (text) LogLine(text);
  };

  if (!SendCommand(call.command, kCommandReplyMs)) {
    LogLine(GotError ? call.refusedLine : call.timedOutLine);
    if (!call.exitLine) return true;  // skip this call, go on with the next
    LogLine(call.exitLine);
    return false;
  }
  for (const Said& line : call.beforeLowering)
    if (line.text) RoverLog(line.minLevel, line.text);
  RoverLog(4, "Lowering RTS");
  RoverSetRts(false);
  Pause(kAfterLineChangeMs);
  if (call.afterLowering) RoverLog(1, call.afterLowering);

  const rover::Call outcome = RoverFindings.*call.call = RoverCall();
  if (outcome != rover::Call::NotConnected) {
    RoverLog(call.connectedLevel, "Got Connected with RTS low");
    if (outcome == rover::Call::Welcome)
      say(call.works);
    else if (call.noWelcomeLine)
      LogLine(call.noWelcomeLine);
  } else {
    say(call.notConnected);
    if (ComPort->CarrierState()) {
      RoverLog(3, "Modem is connected (CD High)");
    } else {
      RoverLog(3, "Modem is not connected (CD LOW)");
      if (call.cdLowEndsTest) return false;  // RTS stays low
    }
    // Only a dial that got no reply at all may be a CONNECT held back by the
    // modem's flow control.
    if (TimedOut) {
      RoverLog(4, "Raising RTS");
      RoverSetRts(true);
      Pause(call.reconnectPauseMs);
      if (DialAndWait("")) RoverLog(call.reconnectedLevel, "Did get connected after raising RTS");
    }
  }

  if (call.restoresFlowControl) {
    if (SendCommand("AT\\Q2", kCommandReplyMs))
      RoverLog(4, "\\Q2, Flow control, responded OK");
    else
      RoverLog(3, "\\Q2, Flow control, not supported. Following test may not be valid");
  }
  RoverLog(4, call.raisingLine);
  RoverSetRts(true);
  Pause(kBeforeHangUpMs);
  HangUp();
  Pause(kAfterHangUpMs);
  return !call.resetAfter || ResetModem();
}
