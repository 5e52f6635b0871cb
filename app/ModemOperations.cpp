// The building blocks of the tests: reset the modem, place a test call to the
// answering system, hang up. Each is a fixed script; what the modem fails to
// do is logged and, except where noted, tolerated.
#include "app/Strings.h"
#include "app/TelvoraMain.h"
#include "app/Timings.h"

using namespace timing;

namespace {

constexpr const char* kNumericResponses =
    "Modem Returns Numeric Responses. Need init string of AT V1";
constexpr const char* kNumericAfterEcho =
    "Modem Returns Numeric Responses (after reset responce). Need init string of AT V1";
constexpr const char* kNoEcho = "E0, No Echo, not supported";
constexpr const char* kV1Aborting = "V1, Verbal codes, not supported, aborting test";
constexpr const char* kV1Ok = "V1, Verbal code, responded OK";

}  // namespace

bool TMain_Form::ResetModem() {
  if (MessageLevel >= 3) {
    LogLine("");
    LogLine("Modem Reseting");
  }
  const std::string reset = NextelPhone->Checked() ? "AT Z0" : "AT Z";
  if (SendCommand(reset, kResetReplyMs)) {
    if (MessageLevel >= 3) LogLine("Modem Reset using " + reset);
  } else if (RxBuffer.empty()) {
    LogLine("Error Reseting modem!!, Ignoring");
  } else if (RxBuffer[0] == '0') {  // the numeric code for OK
    if (MessageLevel >= 2 && !RoverFindings.NumericResults) LogLine(kNumericResponses);
    RoverFindings.NumericResults = true;
    Pause(kBetweenCommandsMs);
    if (SendCommand("AT V1", kCommandReplyMs)) {
      if (MessageLevel >= 4) LogLine("V1, Verbal codes, responded OK");
    } else {
      LogLine("V1, Verbal codes, not supported, ignoring");
    }
  } else {
    LogLine("Error Reseting modem!!");
  }

  Pause(kBetweenCommandsMs);
  if (SendCommand("AT E0", kCommandReplyMs)) {
    if (MessageLevel >= 4) LogLine("E0, No echo, responded OK");
  } else if (RxBuffer.empty()) {
    LogLine(kNoEcho);
  } else {
    // With echo still on the reply follows the command's echo: drop the echo
    // with its CR and LF to see the reply itself.
    const std::size_t echo = RxBuffer.find("AT E0\r");
    if (echo != std::string::npos) {
      RxBuffer.erase(echo, 7);
      if (!RxBuffer.empty() && RxBuffer[0] == '\n') RxBuffer.erase(0, 1);
    }
    if (RxBuffer.size() < 2) {
      LogLine(kNoEcho);
    } else if (RxBuffer[0] == '0' && RxBuffer[1] == '\r') {
      if (MessageLevel >= 2 && !RoverFindings.NumericResults) LogLine(kNumericAfterEcho);
      RoverFindings.NumericResults = true;
      Pause(kResetSettleMs);
      if (!SendCommand("AT V1", kCommandReplyMs)) {
        LogLine(kV1Aborting);
        return false;
      }
      if (MessageLevel >= 4) LogLine(kV1Ok);
    } else {
      LogLine(kNoEcho);
    }
  }

  Pause(kResetSettleMs);
  if (!SendCommand("AT V1", kLastV1ReplyMs)) {
    LogLine(kV1Aborting);
    return false;
  }
  if (MessageLevel >= 4) LogLine(kV1Ok);
  if (MessageLevel >= 3) LogLine("");
  return true;
}

bool TMain_Form::PlaceTestCall() {
  const bool carrierBefore = ComPort->CarrierState();
  if (MessageLevel >= 3) {
    LogLine(carrierBefore ? "Carrier Detect high before calling."
                          : "Carrier Detect low before calling, expected.");
  }
  const bool cts = ComPort->CtsState();
  if (MessageLevel >= 4)
    LogLine(cts ? "CTS line high before calling" : "CTS line low before calling");
  const bool dsr = ComPort->DsrState();
  if (MessageLevel >= 4)
    LogLine(dsr ? "DSR line high before calling" : "DSR line low before calling");

  if (MessageLevel >= 4) {
    using Strings::BoolToText;
    using Strings::ByteToText;
    comms::TFlowControl& flow = ComPort->FlowControl();
    LogLine("Output CTS flow control " + BoolToText(flow.OutCtsFlow()));
    LogLine("Output DSR flow control " + BoolToText(flow.OutDsrFlow()));
    LogLine("Output Xon/Xoff flow control " + BoolToText(flow.XonXoffOut()));
    LogLine("Input  Xon/Xoff flow control " + BoolToText(flow.XonXoffIn()));
    LogLine("Control DTR " + ByteToText(flow.ControlDtr()));
    LogLine("Control RTS " + ByteToText(flow.ControlRts()));
  }

  if (!DialAndWait("ATDT " + PhoneNumber)) {
    if (GotNoCarrier) {
      LogLine("Dialed, no carrier. (Line busy?)");
    } else if (GotError) {
      LogLine("Dial returned error, (Check phone number)");
    } else if (MessageLevel >= 2) {
      LogLine("Dial timed out");
    }
    return false;
  }

  if (MessageLevel >= 2) LogLine("Dialed and Connected");
  if (ComPort->CarrierState()) {
    if (MessageLevel >= 3) LogLine("Carrier Detect high after calling, expected");
  } else if (MessageLevel >= 1) {
    LogLine("Carrier Detect low after calling, not expected.");
  }
  PlainSleep(kWelcomeMs);
  if (MessageLevel >= 2) {
    LogLine(GotWelcome ? "Got Welcome message from server"
                       : "Did not get Welcome message from server");
  }
  return true;
}

// After E&xit the waits would end at once and spoil the escape's guard
// times, so this hang-up's waits run their course.
void TMain_Form::HangUpOutlastingExit() {
  struct Restore {
    bool& flag;
    ~Restore() { flag = false; }
  } restore{waitsOutlastExit_};
  waitsOutlastExit_ = true;
  HangUp();
}

void TMain_Form::HangUp() {
  if (MessageLevel >= 2) LogLine("Hang up, takes upto 15 seconds");
  PlainSleep(kEscapeGuardMs);  // silence before the escape
  ComPort->WriteText("+++", true);
  SendCommand("", kEscapeGuardMs);  // and after it, collecting the answer
  if (MessageLevel >= 4) {
    LogLine(GotOK          ? "Did return to command mode"
            : GotNoCarrier ? "Hangs up on return to command mode via +++"
                           : "Did not return message on return to command mode, may not have "
                             "returned");
  }
  if (GotNoCarrier) return;  // the modem has dropped the call already

  SendCommand("", kAfterEscapeMs);
  SendCommand("AT H0", kHangUpReplyMs);
  if (GotNoCarrier) {
    if (MessageLevel >= 2) LogLine("Phone hung up");
    return;
  }
  if (!ComPort->CarrierState()) {
    if (MessageLevel >= 4) LogLine("Phone hung up, without reply. This is not a problem");
    return;
  }
  if (MessageLevel >= 1) {
    LogLine("Carrier Detect high after hang up. Most likely manual hang up required");
  }
  if (MessageLevel >= 3) LogLine("Attempting to hang up using DTR");
  ComPort->FlowControl().SetControlDtr(comms::dtrDisable);
  Pause(kDtrDropMs);
  ComPort->FlowControl().SetControlDtr(comms::dtrEnable);
  Pause(kAfterLineChangeMs);
  const bool stillUp = ComPort->CarrierState();
  if (MessageLevel >= 3) {
    LogLine(stillUp ? "Carrier Detect still high after DTR hang up."
                    : "Dropped connection by lowering DTR.");
  }
}
