// The first contact with a modem, and the three commands of the Detect menu.
#include "app/TelvoraMain.h"
#include "app/Timings.h"

void TMain_Form::RaiseRtsAndDtr() {
  // RTS first; each setter leaves a line alone that is already enabled.
  ComPort->FlowControl().SetControlRts(comms::rtsEnable);
  ComPort->FlowControl().SetControlDtr(comms::dtrEnable);
}

bool TMain_Form::DetectModem() {
  RaiseRtsAndDtr();
  Pause(timing::kDetectSettleMs);
  if (MessageLevel >= 2) LogLine("Detecting modem");
  return SendCommand("AT V1", timing::kCommandReplyMs);
}

void TMain_Form::DetectAt(comms::TBaudRate speed, bool& detected, const std::string& speedText) {
  Output_Memo.Clear();
  ComPort->SetBaudRate(speed);
  OpenPort();
  detected = DetectModem();
  if (detected) {
    if (MessageLevel >= 2) LogLine("Modem detected at " + speedText);
  } else if (GotError) {
    LogLine("Error returned, try again at " + speedText);
  } else {
    LogLine("Modem NOT detected at " + speedText + ", Try again");
    LogLine(RxBuffer);  // what did arrive, if anything
  }
  ComPort->Close();
}

void TMain_Form::N96001Click(rtl::TObject*) { DetectAt(comms::br9600, DetectedAt9600, "9600"); }

void TMain_Form::N192001Click(rtl::TObject*) { DetectAt(comms::br19200, DetectedAt19200, "19200"); }

void TMain_Form::N384001Click(rtl::TObject*) { DetectAt(comms::br38400, DetectedAt38400, "38400"); }
