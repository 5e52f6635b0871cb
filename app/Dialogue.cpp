// The dialogue engine: one command line out, then a wait that keeps the
// window responsive until a reply, the timer or the end of the program.
#include <algorithm>

#include "app/TelvoraMain.h"
#include "app/Timings.h"

using namespace timing;

void TMain_Form::StartDialogue(std::int32_t timeoutMs) {
  GotError = GotOK = GotConnect = GotNoCarrier = GotWelcome = TimedOut = false;
  // The countdown starts before anything is written. A zero interval would
  // leave the timer silent, and the wait endless.
  Timer.Arm(static_cast<std::uint32_t>(std::max<std::int32_t>(timeoutMs, 1)));
  ReplyText.clear();
  RxBuffer.clear();
  replyScanner_.Reset();
}

void TMain_Form::WaitPass() {
  ShowStatusBar();
  auto& app = toolkit::Application::Instance();
  app.ProcessMessages();
  app.Doze(kWaitPassMs);
  app.ProcessMessages();
  ThrowPortFault();
}

bool TMain_Form::SendCommand(const std::string& command, std::int32_t timeoutMs) {
  StartDialogue(timeoutMs);
  if (!command.empty()) ComPort->WriteText(command + "\r\n", true);
  do {
    WaitPass();
  } while (!(TimedOut || GotOK || GotError || ExitEndsWaits()));
  return GotOK;
}

bool TMain_Form::DialAndWait(const std::string& dialText) {
  StartDialogue(kDialReplyMs);
  callMayBeUp_ = true;
  ComPort->WriteText(dialText + "\r\n", true);
  do {
    WaitPass();
  } while (!(TimedOut || GotNoCarrier || GotError || GotConnect || ExitEndsWaits()));
  const bool connected = GotConnect;
  // "Welcome" usually follows CONNECT within this pause.
  Pause(kAfterDialMs);
  return connected;
}

void TMain_Form::TimerTimer(rtl::TObject*) { TimedOut = true; }

void TMain_Form::ComPortRxChar(rtl::TObject*, std::int32_t inQue) {
  if (inQue <= 0) return;
  std::string received;
  const std::int32_t got = ComPort->ReadText(received, inQue, true);
  // The text keeps the length asked for; only what was read is data.
  received.resize(static_cast<std::size_t>(std::clamp(got, 0, inQue)));
  replies::Receive(
      {RxBuffer, ReplyText, {&GotOK, &GotError, &GotConnect, &GotWelcome, &GotNoCarrier}},
      replyScanner_, received);
}

void TMain_Form::ComPortCTS(rtl::TObject*) {
  ReadModemLines();
  ShowLineState();
  if (!LineNoticesEnabled || MessageLevel < 4 || Terminating()) return;
  LogLine(ComPort->CtsState() ? "CTS line raised" : "CTS line lowered");
}

void TMain_Form::ComPortDSR(rtl::TObject*) {
  ReadModemLines();
  ShowLineState();
  if (!LineNoticesEnabled || MessageLevel < 3 || Terminating()) return;
  LogLine(ComPort->DsrState() ? "DSR line raised" : "DSR line lowered");
}

void TMain_Form::ComPortRLSD(rtl::TObject*) {
  ReadModemLines();
  ShowLineState();
  if (!LineNoticesEnabled || MessageLevel < 3 || Terminating()) return;
  LogLine(ComPort->CarrierState() ? "CD line raised" : "CD line lowered");
}
