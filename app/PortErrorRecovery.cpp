// Recovery from port errors: an adapter pulled out mid-run, a device that
// fails a call, a modem switched off and on. The error ends the command in
// the error box, once; the port is left closed, a call the error left going
// is ended before the next command, and a port whose device went away in a
// power cycle is opened again.
#include <optional>
#include <utility>

#include "app/SessionRecording.h"
#include "app/SessionTraces.h"
#include "app/TelvoraMain.h"
#include "app/Timings.h"

// Waits process window messages, so a menu command chosen during a Detect or
// a test would run nested inside it, on the same port and dialogue state.
// Such a choice is ignored instead; the flag is released however the command
// ends, an exception included.
//
// A port error ends the command in the error box. Its device may be gone (an
// adapter unplugged mid-run), so the port is closed first: the next command
// opens it afresh once the device is back.
toolkit::TNotifyEvent TMain_Form::Guarded(void (TMain_Form::*handler)(rtl::TObject*)) {
  return [this, handler](rtl::TObject* sender) {
    if (commandRunning_) return;
    struct Release {
      TMain_Form& form;
      ~Release() {
        form.commandRunning_ = false;
        form.ShowLineState();  // a command that closed the port has no wait after it
      }
    } release{*this};
    commandRunning_ = true;
    const auto traced = TraceMenuCommand(*this, handler);
    // A procedure keeps a record of itself for File › Save Report...
    std::optional<report::RunRecording> recording;
    if (traced) recording.emplace(*this);
    DropPortFault();  // left by a port closed since
    EndCallLeftByError();
    std::optional<std::string> failure;  // what the error box shows
    try {
      (this->*handler)(sender);
      EndCommand();
      callMayBeUp_ = false;  // every procedure hangs up before it ends
    } catch (const comms::EComPort& error) {
      ClosePortQuietly();
      DropPortFault();  // the monitoring thread's view of the same failure
      failure = ErrorBoxText(error);
    } catch (const std::exception& error) {
      // Shown by the application's own box (a replay that left its trace).
      if (recording) KeepRunReport(*recording, ErrorBoxText(error));
      throw;
    }
    if (recording) KeepRunReport(*recording, failure.value_or(""));
    if (failure) toolkit::ShowError(*failure);
  };
}

void TMain_Form::EndCommand() { ThrowPortFault(); }

std::string TMain_Form::ErrorBoxText(const std::exception& error) const {
  std::string text = error.what();
  const std::string& hint = ComPort->OpenFailureHint();
  if (dynamic_cast<const comms::EComPort*>(&error) != nullptr && !hint.empty()) text += "\n" + hint;
  return text;
}

// A port error can end a command while the modem dials or holds a call. In
// &D0, or on a modem that ignores DTR, closing the port ends neither, and the
// modem would stay online, deaf to the next command. So before that command
// the call is ended: hung up when carrier detect is high, otherwise by a
// command line, whose first character abandons a dial. A device still away
// leaves it to the command after.
void TMain_Form::EndCallLeftByError() {
  if (!callMayBeUp_) return;
  try {
    RaiseRtsAndDtr();
    OpenPort();
    if (ComPort->CarrierState())
      HangUpOutlastingExit();
    else
      SendCommand("AT H0", timing::kCommandReplyMs);
    ThrowPortFault();
    callMayBeUp_ = false;
  } catch (const comms::EComPort&) {
  }
  ClosePortQuietly();
  DropPortFault();
}

void TMain_Form::ClosePortQuietly() noexcept {
  // A failed purge stops Close once the transfers are released, so a second
  // Close gets through; its error would only repeat the one being shown.
  for (int attempt = 0; attempt < 2 && ComPort->Connected(); ++attempt) {
    try {
      ComPort->Close();
    } catch (...) {
    }
  }
}

// After the power cycle: a port whose device went away fails every call, so
// it is closed and opened again, with the same settings, once the device is
// back. False when it does not come back in time.
bool TMain_Form::ReopenIfVanished() {
  try {
    ComPort->CtsState();
    return true;
  } catch (const comms::EComPort&) {
  }
  ComPort->Close();
  DropPortFault();  // the monitoring thread met the same vanish
  for (std::uint32_t waited = 0;; waited += timing::kReopenStepMs) {
    try {
      OpenPort();
      if (MessageLevel >= 3) LogLine("Port reopened after power cycle");
      return true;
    } catch (const comms::EComPort&) {
      if (waited >= timing::kDeviceBackMs) return false;
    }
    Pause(timing::kReopenStepMs);
  }
}

bool TMain_Form::KeepPortFault(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const comms::EComPort&) {
    std::lock_guard lock(portFaultMutex_);
    if (!portFault_) portFault_ = error;
    return true;
  } catch (...) {
    return false;
  }
}

void TMain_Form::ThrowPortFault() {
  std::exception_ptr fault;
  {
    std::lock_guard lock(portFaultMutex_);
    fault = std::exchange(portFault_, nullptr);
  }
  if (fault) std::rethrow_exception(fault);
}

void TMain_Form::DropPortFault() {
  std::lock_guard lock(portFaultMutex_);
  portFault_ = nullptr;
}
