// The Rover Test: can this modem serve the 4700 and 5700 rovers through cable
// 37779, and how must it be set up? Start, identification, the first call and
// the DTR/DSR experiments live here; the RTS and flow-control calls in
// RoverFlowControl.cpp; the recommendation is chosen in RoverVerdict.cpp.
#include <algorithm>
#include <string>

#include "app/RoverVerdict.h"
#include "app/RunStatus.h"
#include "app/TelvoraMain.h"
#include "app/Timings.h"

using namespace timing;

namespace {

using namespace worst_case;

// The longest each phase can take, along the path the code below takes at
// its slowest. A call with RTS low may wait for a held-back CONNECT after
// its own dial, or for a held-back "Welcome" after connecting.
constexpr std::uint32_t kHeldBackMs = std::max(kDialMs, Waited(kHeldWelcomeMs));
// One of the three calls with flow control switched off ("\Q0" may be
// skipped); "\Q0" is switched back on after its call.
constexpr std::uint32_t kFlowControlCallMs = kCommandMs + kAfterLineChangeMs + kCallMs +
                                             kBeforeReconnectMs + kDialMs + kCommandMs +
                                             kBeforeHangUpMs + kHangUpMs + kAfterHangUpMs +
                                             kResetMs;
constexpr RunPhase kRoverPhases[] = {
    {"start", kDetectMs + kAfterOpenMs + kResetMs},
    {"identification", Waited(kStoreReplyMs) + 2 * kCommandMs + kResetMs},
    {"dial test", kCallMs + kHangUpMs + kAfterHangUpMs},
    {"DTR and DSR settings", 3 * kCommandMs + kResetMs + kAfterLineChangeMs + kDsrFollowMs},
    {"call without DTR", kCallMs + kBeforeHangUpMs + kHangUpMs + kAfterHangUpMs + kResetMs},
    {"ignore-DTR mode", kCommandMs + kAfterLineChangeMs + kCommandMs + kCallMs +
                            kAfterLineChangeMs + kHangUpMs + kAfterHangUpMs + kCommandMs},
    {"call with RTS low", kResetMs + kAfterLineChangeMs + kCallMs + kAfterLineChangeMs +
                              kHeldBackMs + kRtsRaisedMs + Waited(kDrainMs) + kHangUpMs +
                              kAfterHangUpMs},
    {"flow-control commands", 2 * kCommandMs},
    {"call with \\Q0", kFlowControlCallMs},
    {"call with &H0 &R1", kFlowControlCallMs},
    {"call with &K0", kFlowControlCallMs},
    {"verdict", kAfterCopyMs},
};

}  // namespace

std::span<const RunPhase> RoverPhases() { return kRoverPhases; }

void TMain_Form::Test1Click(rtl::TObject*) {
  RunStatus status(Status, "Rover Test", kRoverPhases, run_);
  if (!RoverStart() || !RoverIdentification() || !RoverDialTest() || !RoverDtrDsrSettings() ||
      !RoverCallWithoutDtr() || !RoverIgnoreDtrMode() || !RoverRtsLowCall()) {
    RoverEndEarly();
    return;
  }
  RoverProbeQ0();
  // Once the user has asked to quit, every wait ends at once and the calls
  // above all "fail": their findings say nothing about the modem, so they
  // must not become a recommendation (nor overwrite the clipboard).
  if (!RoverFlowControlCalls() || Terminating()) {
    RoverEndEarly();
    return;
  }
  RoverVerdict();
  status.Finished();
}

// A call may still be up at an early end (after E&xit during a call, or
// after a hang-up the modem ignored). On a modem that ignores DTR, or in
// &D0, closing the port cannot drop it, and it would hold the line for good:
// hang it up first.
void TMain_Form::RoverEndEarly() {
  if (!ComPort->Connected() || !ComPort->CarrierState()) return;
  RoverPhase("hanging up");
  HangUpOutlastingExit();
}

void TMain_Form::RoverLog(std::uint8_t minLevel, const std::string& text) {
  if (MessageLevel >= minLevel) LogLine(text);
}

void TMain_Form::RoverPhase(const char* phase) {
  if (run_) run_->Enter(phase);
}

void TMain_Form::RoverSetDtr(bool high) {
  ComPort->FlowControl().SetControlDtr(high ? comms::dtrEnable : comms::dtrDisable);
}

void TMain_Form::RoverSetRts(bool high) {
  ComPort->FlowControl().SetControlRts(high ? comms::rtsEnable : comms::rtsDisable);
}

rover::Call TMain_Form::RoverCall() {
  if (!PlaceTestCall()) return rover::Call::NotConnected;
  return GotWelcome ? rover::Call::Welcome : rover::Call::NoWelcome;
}

bool TMain_Form::RoverStart() {
  RoverPhase("start");
  RoverFindings = {};
  Q0Accepted = false;
  Results.Close();

  if (!PhoneNumberSet) {
    std::string number = PhoneNumber;
    if (toolkit::InputQuery("Confirm Phone Number", "Phone Number to dial", number))
      PhoneNumber = NumberAsEntered(number);
    PhoneNumberSet = true;
  }

  Output_Memo.Clear();
  LineNoticesEnabled = true;

  if (!DetectedAt9600 && !DetectedAt19200 && !DetectedAt38400) N192001Click(nullptr);
  if (!DetectedAt9600 && !DetectedAt19200 && !DetectedAt38400) {
    RoverLog(0, "No Modem detected stopping test");
    return false;
  }

  // A run that ended early may have left RTS (or DTR) low; a modem that holds
  // its replies back while RTS is low would then fail every command of this
  // run. Start from the lines a detection leaves.
  RaiseRtsAndDtr();
  OpenPort();
  Pause(kAfterOpenMs);
  return ResetModem();
}

bool TMain_Form::RoverIdentification() {
  RoverPhase("identification");
  if (SendCommand("AT &W", kStoreReplyMs)) {
    RoverLog(3, "Indicated supports writing of settings");
    RoverLog(3, "  Still might not work, use Saving setting test");
  } else {
    RoverLog(3, "Does not support writing of settings");
    RoverLog(3, "   Use the init string to configure the modem");
  }
  RoverLog(3, "");

  if (SendCommand("AT I3", kCommandReplyMs)) {
    if (MessageLevel >= 3)
      LogLine("I3 , ID string responded with " + ReplyText);
    else
      LogLine("Modem Type " + ReplyText);
  } else {
    RoverLog(3, "I3 , ID string not supported");
  }

  if (SendCommand("AT &B1", kCommandReplyMs))
    RoverLog(3, "&B1, Lock Baud Rates, responded OK");
  else
    RoverLog(3, "&B1, Lock Baud Rates, not supported (most likely not needed)");
  return ResetModem();
}

bool TMain_Form::RoverDialTest() {
  RoverPhase("dial test");
  RoverLog(1, "Dial test, " + PhoneNumber);
  const rover::Call call = RoverFindings.dialTest = RoverCall();
  if (call == rover::Call::NotConnected) {
    RoverLog(0, "Dial test failed, please check cables");
    return false;
  }
  if (call == rover::Call::NoWelcome) {
    // Whatever answered is not the answering system; do not leave the line
    // held by a call nobody will end.
    HangUp();
    RoverLog(0,
             "Did not get Welcome message from answering system. Answering system must send "
             "text Welcome");
    return false;
  }
  RoverLog(0, "Dial test passed");
  HangUp();
  Pause(kAfterHangUpMs);
  RoverLog(3, "");
  return true;
}

bool TMain_Form::RoverDtrDsrSettings() {
  RoverPhase("DTR and DSR settings");
  if (SendCommand("AT &D2", kCommandReplyMs))
    RoverLog(2, "&D2, DTR normal responded OK");
  else
    RoverLog(3, "&D2, DTR  normal not supported");
  if (SendCommand("AT &S5", kCommandReplyMs))
    RoverLog(2, "&S5, DTR follows CD responded OK");
  else
    RoverLog(3, "&S5, DTR follows CD not supported");
  if (SendCommand("AT &S0", kCommandReplyMs))
    RoverLog(2, "&S0, DTR normal, supported");
  else
    RoverLog(3, "&S0, DTR normal not supported");
  if (!ResetModem()) return false;

  // Standard cables need DSR high whatever DTR does.
  std::optional<bool>& dsrStandard = RoverFindings.DsrStandard;
  dsrStandard = true;
  if (!ComPort->DsrState()) {
    RoverLog(1, "DSR low when not expected. Standard cables may not work");
    dsrStandard = false;
  }
  RoverLog(4, "Lowering DTR");
  RoverSetDtr(false);
  Pause(kAfterLineChangeMs);
  Pause(kDsrFollowMs);
  if (!ComPort->DsrState() && *dsrStandard) {
    RoverLog(1, "DSR lowered when DTR lowed not expected. Standard cables will not work");
    dsrStandard = false;
  }
  return true;
}

bool TMain_Form::RoverCallWithoutDtr() {
  RoverPhase("call without DTR");
  RoverLog(1, "");
  RoverLog(1, "Dial in default mode without DTR test, " + PhoneNumber);
  RoverLog(1, "Expected to fail");
  const rover::Call call = RoverFindings.withoutDtr = RoverCall();
  if (call == rover::Call::NotConnected) {
    RoverLog(0, "Expected behaviour when calling without DTR, did not connect");
  } else {
    RoverLog(3, "Got Connected in default mode without DTR test, not expected");
    if (call == rover::Call::Welcome)
      LogLine(MessageLevel >= 2 ? "Got Welcome in default mode without DTR test, not expected"
                                : "Got connected without DTR, not expected");
  }
  if (Terminating()) return false;  // DTR stays low, the call stays up

  RoverLog(4, "Rasing DTR");
  RoverSetDtr(true);
  RoverLog(1, "");
  Pause(kBeforeHangUpMs);
  HangUp();
  Pause(kAfterHangUpMs);
  return ResetModem();
}

bool TMain_Form::RoverIgnoreDtrMode() {
  RoverPhase("ignore-DTR mode");
  if (!SendCommand("AT &D0", kCommandReplyMs)) {
    RoverLog(4, "&DO, ingore DTR not supported");
    return true;
  }
  RoverLog(3, "&D0, DTR responded OK");
  RoverLog(4, "Lowering DTR");
  RoverSetDtr(false);
  Pause(kAfterLineChangeMs);

  if (!SendCommand("AT V1", kCommandReplyMs)) {
    RoverFindings.ignoreDtr = rover::Call::NoCommands;
    RoverLog(1, "Did not reply to commands with no DTR, &D0 does not work");
    RoverLog(1, "   You must create a cable for this modem to work, DTR DSR Looped");
    RoverLog(1, "Rasing DTR");
    RoverSetDtr(true);
    Pause(kAfterLineChangeMs);
    return true;
  }
  RoverLog(4, "Replied to commands with no DTR, &D0 may work");
  RoverLog(4, "");
  RoverLog(1, "Dial in ignore DTR mode without DTR test, " + PhoneNumber);

  const rover::Call call = RoverFindings.ignoreDtr = RoverCall();
  if (call != rover::Call::NotConnected)
    RoverLog(3, "Got Connected in ingore DTR mode without DTR test, expected");
  if (call == rover::Call::Welcome)
    LogLine(MessageLevel >= 2 ? "Got Welcome in ignore DTR mode without DTR test, expected"
                              : "Dial with ignore DTR works");
  else
    RoverLog(0, "Dial with ignore DTR does not work");
  if (Terminating()) return false;  // DTR stays low, the call stays up

  RoverLog(4, "Rasing DTR");
  RoverSetDtr(true);
  Pause(kAfterLineChangeMs);
  RoverLog(2, "");
  if (ComPort->CarrierState()) {
    HangUp();
    Pause(kAfterHangUpMs);
  }
  if (SendCommand("AT &D2", kCommandReplyMs))
    RoverLog(4, "Modem set back to require DTR");
  else
    RoverLog(4, "Failed to reset modem to require DTR");
  return true;
}

void TMain_Form::RoverVerdict() {
  RoverPhase("verdict");
  RoverFindings.reachedVerdict = true;
  for (const std::string& line : rover::VerdictLines(RoverFindings)) LogLine(line);
  LogLine("");
  LogLine("Dial Test Version 2.01");
  Output_Memo.SelectAll();
  Output_Memo.CopyToClipboard();
  LogLine("Test Finished, results copied to clipboard");
  Pause(kAfterCopyMs);
  ComPort->Close();
  Results.Show(RoverResultsOf(RoverFindings));
}
