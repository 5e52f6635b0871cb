#include "app/TelvoraMain.h"

#include <functional>

#include "app/SessionTraces.h"
#include "platform/commapi/trace_recorder.h"

// A dial-in test line whose answering system greets callers with "Welcome".
const char* const DefaultPhoneNumber = "5550123";

TMain_Form::TMain_Form() : toolkit::TForm("Main_Form") {
  Caption = "Telvora";
  Left = 264;
  Top = 277;
  Width = 603;
  Height = 248;
  Menu = &MainMenu1;
  ClientMemo = &Output_Memo;
  // The log is the program's record: shown as written, in columns that line
  // up, large enough to read a test's section at once.
  Output_Memo.ReadOnly = true;
  Output_Memo.Monospace = true;
  Output_Memo.VisibleColumns = 100;
  Output_Memo.VisibleLines = 30;
  Output_Memo.PopupMenu = &PopupMenu1;
  BuildMenus();
  OnCloseRequest = [this] { FormCloseQuery(); };

  Timer.SetEnabled(false);
  Timer.SetInterval(1500);
  Timer.OnTimer = std::bind_front(&TMain_Form::TimerTimer, this);

  ComPort = std::make_unique<comms::TComPort>(this);
  ApplyStoredPortSettings();
  ComPort->OnRxChar = std::bind_front(&TMain_Form::ComPortRxChar, this);
  ComPort->OnCTS = std::bind_front(&TMain_Form::ComPortCTS, this);
  ComPort->OnDSR = std::bind_front(&TMain_Form::ComPortDSR, this);
  ComPort->OnRLSD = std::bind_front(&TMain_Form::ComPortRLSD, this);
  toolkit::Application::Instance().SetWorkerExceptionFilter(
      std::bind_front(&TMain_Form::KeepPortFault, this));

  FormCreate();
  DescribeLinePort();
}

TMain_Form::~TMain_Form() {
  // Closing the port may still run its event handlers (a modem that keeps
  // talking has a received-characters event waiting), and they use ComPort
  // itself and the fields below: so it closes first, while they are all
  // alive. unique_ptr::reset would clear ComPort before the close. What a
  // failed close leaves is released by the port's own destructor.
  try {
    ComPort->Close();
  } catch (const std::exception&) {
  }
  ComPort.reset();
  std::string unwritten;  // no box to say so while the window goes
  if (trace_.recorder) StopRecordingTrace(unwritten);
  toolkit::Application::Instance().SetWorkerExceptionFilter(nullptr);
}

// The window's port settings, every one listed as the window stores them:
// unlike the component's own defaults they raise DTR and RTS.
void TMain_Form::ApplyStoredPortSettings() {
  comms::TComPort& port = *ComPort;
  port.SetBaudRate(comms::br9600);
  port.SetPort(comms::COM1);
  port.Parity().SetBits(comms::prNone);
  port.Parity().SetCheck(false);
  port.Parity().SetReplace(false);
  port.Parity().SetReplaceChar(0);
  port.SetStopBits(comms::sbOneStopBit);
  port.SetDataBits(comms::dbEight);
  port.SetDiscardNull(false);
  port.SetEventChar(0);
  port.SetEvents(comms::TEvents::All());
  port.SetWriteBufSize(1024);
  port.SetReadBufSize(1024);
  port.FlowControl().SetOutCtsFlow(false);
  port.FlowControl().SetOutDsrFlow(false);
  port.FlowControl().SetControlDtr(comms::dtrEnable);
  port.FlowControl().SetControlRts(comms::rtsEnable);
  port.FlowControl().SetXonXoffOut(false);
  port.FlowControl().SetXonXoffIn(false);
  port.Timeouts().SetReadInterval(-1);
  port.Timeouts().SetReadTotalMultiplier(0);
  port.Timeouts().SetReadTotalConstant(0);
  port.Timeouts().SetWriteTotalMultiplier(100);
  port.Timeouts().SetWriteTotalConstant(1000);
  port.SetSyncMethod(comms::smSynchronize);
}

void TMain_Form::FormCreate() {
  PhoneNumber = DefaultPhoneNumber;
  LineNoticesEnabled = false;
  PhoneNumberSet = false;
  MessageLevel = 2;
}

void TMain_Form::LogLine(const std::string& text) {
  const std::size_t before = Output_Memo.Lines().size();
  Output_Memo.Append(text);
  TraceLogLines(*this, before);
}

void TMain_Form::OpenPort() {
  ComPort->Open();
  if (MessageLevel >= 3 && !ComPort->OpenNote().empty()) LogLine(ComPort->OpenNote());
}

void TMain_Form::SetControlLines(bool dtr, bool rts) {
  ComPort->FlowControl().SetControlDtr(dtr ? comms::dtrEnable : comms::dtrDisable);
  ComPort->FlowControl().SetControlRts(rts ? comms::rtsEnable : comms::rtsDisable);
}
