// The main window: menus, settings and log; the dialogue engine; the modem
// operations; the Detect commands and the two test procedures. One class,
// its member functions spread over the app/ files named for what they hold.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "app/OutputFile.h"
#include "app/ReplyRecognition.h"
#include "app/RoverFindings.h"
#include "app/RunResults.h"
#include "app/RunStatus.h"
#include "app/SessionReport.h"
#include "comms/Comms.h"
#include "platform/toolkit/toolkit.h"

namespace commapi {
class TraceRecorder;
}
namespace report {
class RunRecording;
}

class TMain_Form : public toolkit::TForm {
 public:
  TMain_Form();
  ~TMain_Form() override;
  const char* ClassName() const override { return "TMain_Form"; }

  // Components, named as the window's.
  toolkit::TMainMenu MainMenu1{"MainMenu1"};
  toolkit::TMenuItem *File1, *N1, *N3, *NextelPhone, *N2, *MessageLevel1, *Summary, *Minimal,
      *Normal, *Verbose, *Debug, *N4, *SaveLog1, *SaveReport1, *RecordTrace1, *Exit1;
  toolkit::TMenuItem *Port1, *COM11, *COM21, *COM31, *COM41, *COM51, *COM61, *COM71, *COM81,
      *COM91, *COM101;
  toolkit::TMenuItem *Detec1, *N96001, *N192001, *N384001;
  toolkit::TMenuItem *Test1, *SavingSettingsTest1;
  toolkit::TMenuItem *Help1, *About1;
  toolkit::TMemo Output_Memo{"Output_Memo"};
  // The log's context menu, after the control's own Copy and Select All.
  toolkit::TMenuItem PopupMenu1{"PopupMenu1", ""};
  toolkit::TMenuItem* SaveLog2;
  toolkit::TTimer Timer{"Timer"};

  // State (nothing of it is saved).
  bool TimedOut = false;
  bool GotError = false;
  bool GotConnect = false;
  bool GotNoCarrier = false;
  bool GotWelcome = false;
  bool GotOK = false;
  bool DetectedAt9600 = false;
  bool DetectedAt19200 = false;
  bool DetectedAt38400 = false;
  bool PhoneNumberSet = false;
  std::string PhoneNumber;
  std::string RxBuffer;
  std::string ReplyText;
  std::uint8_t MessageLevel = 2;
  bool LineNoticesEnabled = false;
  // What the Rover Test found (NumericResults also by the resets of other
  // procedures): its verdict, the results pane and any report read this.
  rover::Findings RoverFindings;

  // Start-up and window (TelvoraMain.cpp, MainMenu.cpp).
  void FormCreate();
  void LogLine(const std::string& text);
  void N1Click(rtl::TObject* sender);
  void NextelPhoneClick(rtl::TObject* sender);
  void SummaryClick(rtl::TObject* sender);
  void MinimalClick(rtl::TObject* sender);
  void NormalClick(rtl::TObject* sender);
  void VerboseClick(rtl::TObject* sender);
  void DebugClick(rtl::TObject* sender);
  void COM11Click(rtl::TObject* sender);
  void COM21Click(rtl::TObject* sender);
  void COM31Click(rtl::TObject* sender);
  void COM41Click(rtl::TObject* sender);
  void COM51Click(rtl::TObject* sender);
  void COM61Click(rtl::TObject* sender);
  void COM71Click(rtl::TObject* sender);
  void COM81Click(rtl::TObject* sender);
  void COM91Click(rtl::TObject* sender);
  void COM101Click(rtl::TObject* sender);
  // The Port menu opens: each COMn item's hint names its device and says
  // whether it is there.
  void Port1Popup(rtl::TObject* sender);
  void Exit1Click(rtl::TObject* sender);
  // File › Save Log... (LogFile.cpp): the log as a text file, CR LF line ends.
  void SaveLog1Click(rtl::TObject* sender);
  // File › Save Report... (RunReports.cpp): the session report of the last
  // procedure run, as an HTML page; enabled once one has run.
  void SaveReport1Click(rtl::TObject* sender);
  // File › Record Trace... (SessionTraces.cpp): checked while recording.
  void RecordTrace1Click(rtl::TObject* sender);
  // The user closes the window: during a command, only after a Yes.
  void FormCloseQuery();

  // Dialogue engine and detection (Dialogue.cpp, Detect.cpp).
  bool SendCommand(const std::string& command, std::int32_t timeoutMs);
  bool DialAndWait(const std::string& dialText);
  bool DetectModem();
  void TimerTimer(rtl::TObject* sender);
  void ComPortRxChar(rtl::TObject* sender, std::int32_t inQue);
  void ComPortCTS(rtl::TObject* sender);
  void ComPortDSR(rtl::TObject* sender);
  void ComPortRLSD(rtl::TObject* sender);
  void N96001Click(rtl::TObject* sender);
  void N192001Click(rtl::TObject* sender);
  void N384001Click(rtl::TObject* sender);

  // The serial line in the status bar (LineStatus.cpp).
  void ShowLineState();
  // The line and the running test's progress, shown again at each wait, so a
  // change of DTR or RTS is on screen before any time passes.
  void ShowStatusBar();

  // Modem operations (ModemOperations.cpp).
  bool ResetModem();
  bool PlaceTestCall();
  void HangUp();

  // The procedures (RoverTest.cpp, SavingSettingsTest.cpp).
  void Test1Click(rtl::TObject* sender);
  void SavingSettingsTest1Click(rtl::TObject* sender);

  // Waiting (Waiting.cpp): a pause processes messages before and after its
  // sleep; a plain sleep processes nothing.
  void Pause(std::uint32_t ms);
  void PlainSleep(std::uint32_t ms);
  bool Terminating() const;

  // ---- The port for the console runner and the tests ----
  // A menu command run without the menu ends with this: a port error the
  // monitoring thread met after the command's last wait is raised now, as
  // the menu would show it (PortErrorRecovery.cpp).
  void EndCommand();
  // What the error box says about an error that ended a command: its message
  // and, when the port could not be opened, one line on why.
  std::string ErrorBoxText(const std::exception& error) const;
  // The port to look at: its settings, whether it is open, its modem lines.
  // Only the window's commands drive it; between them a test may open it, to
  // run the modem operations by themselves, and set DTR and RTS as an
  // earlier run may have left them (TelvoraMain.cpp).
  const comms::TComPort& SerialPort() const { return *ComPort; }
  // Opens the port; an open that had to take the device over says so at
  // Verbose. The procedures open it so too.
  void OpenPort();
  void SetControlLines(bool dtr, bool rts);

 private:
  std::unique_ptr<comms::TComPort> ComPort;

  // ---- Rover Test: phases and run-local state (RoverTest.cpp; the calls
  // with RTS low and without flow control in RoverFlowControl.cpp) ----
  // The first "AT\Q0" of the run was answered.
  bool Q0Accepted = false;
  // Each phase returns false when the run has ended early.
  bool RoverStart();
  bool RoverIdentification();
  bool RoverDialTest();
  bool RoverDtrDsrSettings();
  bool RoverCallWithoutDtr();
  bool RoverIgnoreDtrMode();
  bool RoverRtsLowCall();
  void RoverProbeQ0();
  struct FlowControlCall;
  bool RoverFlowControlCall(const FlowControlCall& call);
  bool RoverFlowControlCalls();
  void RoverVerdict();
  void RoverEndEarly();
  // Small steps the phases share.
  void RoverLog(std::uint8_t minLevel, const std::string& text);
  void RoverPhase(const char* phase);
  void RoverSetDtr(bool high);
  void RoverSetRts(bool high);
  // A test call (PlaceTestCall), and how it went.
  rover::Call RoverCall();
  // ---- end Rover Test ----

  // ---- Saving Settings Test (SavingSettingsTest.cpp, SavingSettingsChecks.cpp) ----
  // The two probe registers of a run: S7 (dial time-out, seconds) and S0
  // (rings before auto answer).
  struct ProbeValues {
    std::uint8_t s7 = 0;
    std::uint8_t s0 = 0;
  };
  // Where a check runs: what an S0 mismatch means, and so the lines it logs,
  // depends on it; the results pane shows each step's read-backs.
  enum class CheckStep { AfterSetting, AfterWriting, AfterReset, AfterPowerCycle };
  SavingResults savingResults_;
  // Each step returns false when the run has ended.
  bool SavingPrepare();
  bool SavingReadInitialValues(ProbeValues& initial);
  bool SavingSetValues(const ProbeValues& values, bool pauseFirst);
  bool SavingSetAndVerify(const ProbeValues& test);
  bool SavingWriteAndVerify(const ProbeValues& test);
  bool SavingResetAndVerify(const ProbeValues& test);
  bool SavingPowerCycleAndVerify(const ProbeValues& test);
  bool SavingAutoAnswerOff();
  bool SavingRestore(const ProbeValues& initial);
  void SavingFinish();
  // The checks and reads the steps share (SavingSettingsChecks.cpp).
  bool SavingCheckS7(std::uint8_t expected, CheckStep step);
  bool SavingCheckS0(std::uint8_t expected, CheckStep step);
  bool SavingReadS7(std::uint8_t& value);
  bool SavingReadS0(std::uint8_t& value);
  bool SavingWriteSettings();
  void SavingPhase(const char* step);
  // The results pane after a run (ResultsPane.cpp).
  void ShowSavingResults();
  // ---- end Saving Settings Test ----

  // ---- Recovery from port errors (PortErrorRecovery.cpp) ----
  // A menu command that is ignored while another such command runs, and
  // whose port error ends it in the error box with the port closed.
  toolkit::TNotifyEvent Guarded(void (TMain_Form::*handler)(rtl::TObject*));
  // After a port error: the port ends closed, whatever its device does now.
  void ClosePortQuietly() noexcept;
  // A dial was sent since the last command that ended normally, so a port
  // error may have left its call going.
  bool callMayBeUp_ = false;
  void EndCallLeftByError();
  // After the power cycle: a port whose device went away is opened again.
  bool ReopenIfVanished();
  // A port error the monitoring thread met (a handler's read or query, the
  // input count) ends that thread; it is kept here, on that thread, and the
  // command in progress ends with it at its next wait, so it is shown once.
  bool KeepPortFault(std::exception_ptr error);
  // Raises the kept port error, if any: a command whose last wait is over
  // still ends with it.
  void ThrowPortFault();
  // Forgets the kept port error, for a caller that has dealt with its cause
  // (a vanished port it closed).
  void DropPortFault();
  std::mutex portFaultMutex_;
  std::exception_ptr portFault_;
  // ---- end recovery ----

  // ---- Window and engine internals (owned by the window/engine files) ----
  // Window (TelvoraMain.cpp, MainMenu.cpp).
  void BuildMenus();
  void ApplyStoredPortSettings();
  void ChooseMessageLevel(std::uint8_t level);
  void ChoosePort(comms::TPortType port);
  // A phone number as typed or pasted, without control characters: a carriage
  // return in it would end the dial command early.
  static std::string NumberAsEntered(const std::string& typed);
  bool commandRunning_ = false;
  // Asks for a file, offering path, and writes text into it; a failure is
  // shown in a box titled title ("Save Log"), saying what ("The log") could
  // not be written (LogFile.cpp).
  void SaveThroughDialog(const char* title, std::string path, const char* what,
                         const std::string& text);
  // The record of the last procedure run, for File › Save Report... It
  // embeds the run's trace only when File › Record Trace... recorded it
  // (RunReports.cpp).
  std::optional<report::Session> lastRun_;
  void KeepRunReport(report::RunRecording& recording, const std::string& error);
  // The session trace being recorded (File > Record Trace...), while
  // recorder is set; its file is put in place when the recording stops or
  // the window closes (SessionTraces.cpp).
  struct TraceRecording {
    std::string path;
    OutputFile file;
    std::unique_ptr<commapi::TraceRecorder> recorder;
  };
  TraceRecording trace_;
  // False, with why, when the trace could not be written.
  bool StopRecordingTrace(std::string& why);
  // Dialogue engine and detection (Dialogue.cpp, Detect.cpp).
  // E&xit ends every wait after its first pass, unless this is set
  // (Waiting.cpp; a hang-up outlasts it, ModemOperations.cpp).
  bool waitsOutlastExit_ = false;
  bool ExitEndsWaits() const;
  void HangUpOutlastingExit();
  // DetectModem's first step, also taken before a test opens the port.
  void RaiseRtsAndDtr();
  // Clears the flags and texts and arms the timer: the start of every wait.
  void StartDialogue(std::int32_t timeoutMs);
  // Processes messages, sleeps a pass, processes messages.
  void WaitPass();
  void DetectAt(comms::TBaudRate speed, bool& detected, const std::string& speedText);
  // The test run in progress, for its phases to report to.
  RunStatus* run_ = nullptr;
  // CTS, DSR and CD as last read; not known while closed or unreadable
  // (LineStatus.cpp, as the port shown below).
  struct ModemLines {
    bool open = false;  // the port was open when last shown
    bool known = false;
    bool cts = false, dsr = false, cd = false;
  };
  ModemLines modemLines_;
  void ReadModemLines();
  // The port and its device as shown; looked up again at open, close and a
  // choice of port, not at every wait.
  std::string linePort_;
  void DescribeLinePort();
  // How far RxBuffer has been searched for each reply.
  replies::ReplyScanner replyScanner_;
  // ---- end internals ----
};

// A replayed modem's report that the program left its recording.
void ReportReplayMismatch(const std::string& text);

// The default number of the dial-in answering system.
extern const char* const DefaultPhoneNumber;
