// The Saving Settings Test: does the modem keep what "AT &W" stores across a
// reset and a power cycle? S7 and S0 serve as probes: each is raised by one,
// written, checked after every step that could lose it, and finally put back.
// The reads and checks themselves live in SavingSettingsChecks.cpp.
#include <string>

#include "app/RunStatus.h"
#include "app/Strings.h"
#include "app/TelvoraMain.h"
#include "app/Timings.h"

using namespace timing;

namespace {

using namespace worst_case;

// The longest each phase can take, along the path the code below takes at
// its slowest. Each command here must be answered, or the run ends.
constexpr std::uint32_t kSetMs = Answered(kCommandReplyMs);
constexpr std::uint32_t kReadMs = Answered(kRegisterReplyMs);
constexpr std::uint32_t kWriteMs = Answered(kStoreReplyMs);
constexpr std::uint32_t kCheckMs = 2 * kReadMs;  // S7 and S0 read back
constexpr RunPhase kSavingPhases[] = {
    {"preparation", kDetectMs + kAfterOpenMs + kResetMs + 2 * kBetweenCommandsMs + kWriteMs},
    {"reading the initial values", 2 * (kBetweenCommandsMs + kReadMs)},
    {"setting the test values", 2 * (kBetweenCommandsMs + kSetMs) + 2 * kBetweenCommandsMs +
                                    kCheckMs},
    {"writing the settings", kBetweenCommandsMs + kWriteMs + kBetweenCommandsMs + kCheckMs},
    {"reset", kResetMs + kCheckMs},
    {"power cycle", kDeviceBackMs + kDetectMs + kResetMs + kCheckMs, "the power cycle"},
    {"turning auto answer off", kSetMs + kResetMs + kReadMs},
    {"restoring the initial values", 2 * kSetMs + kWriteMs},
    {"finish", kAfterCopyMs},
};

}  // namespace

std::span<const RunPhase> SavingSettingsPhases() { return kSavingPhases; }

void TMain_Form::SavingSettingsTest1Click(rtl::TObject*) {
  RunStatus status(Status, "Saving Settings Test", kSavingPhases, run_);
  ProbeValues initial;
  if (!SavingPrepare() || !SavingReadInitialValues(initial)) return;
  const ProbeValues test{static_cast<std::uint8_t>(initial.s7 + 1),
                         static_cast<std::uint8_t>(initial.s0 + 1)};
  if (!SavingSetAndVerify(test) || !SavingWriteAndVerify(test) || !SavingResetAndVerify(test) ||
      !SavingPowerCycleAndVerify(test) || !SavingAutoAnswerOff() || !SavingRestore(initial))
    return;
  SavingFinish();
  status.Finished();
  ShowSavingResults();
}

bool TMain_Form::SavingPrepare() {
  SavingPhase("preparation");
  Output_Memo.Clear();
  Results.Close();
  savingResults_ = {};
  LineNoticesEnabled = false;
  if (!DetectedAt9600 && !DetectedAt19200 && !DetectedAt38400) N192001Click(nullptr);
  if (!DetectedAt9600 && !DetectedAt19200 && !DetectedAt38400) {
    LogLine("No Modem detected stopping test");
    return false;
  }

  // As the Rover Test does: a run that ended early may have left RTS low, and
  // a modem with hardware flow control would then hold back every reply.
  RaiseRtsAndDtr();
  OpenPort();
  Pause(kAfterOpenMs);
  LogLine("");
  LineNoticesEnabled = true;
  if (!ResetModem()) return false;
  LineNoticesEnabled = false;
  LogLine("");
  Pause(kBetweenCommandsMs);
  Pause(kBetweenCommandsMs);

  if (!SendCommand("AT &W", kStoreReplyMs)) {
    LogLine("Does not support writing of settings");
    LogLine("   Use the init string to configure the modem");
    return false;
  }
  LogLine("Indicated supports writing of settings");
  LogLine("");
  return true;
}

bool TMain_Form::SavingReadInitialValues(ProbeValues& initial) {
  SavingPhase("reading the initial values");
  Pause(kBetweenCommandsMs);
  if (!SavingReadS7(initial.s7)) return false;
  LogLine("Dial Time out setting " + Strings::ByteToText(initial.s7));
  Pause(kBetweenCommandsMs);
  if (!SavingReadS0(initial.s0)) return false;
  LogLine("Orginal auto answer value " + Strings::ByteToText(initial.s0));

  // The test values are one more than these; a register at the top of its
  // range has none, and wrapping it to 0 would probe (and later leave) a
  // setting nobody asked for. Stop before anything is changed.
  bool atTop = false;
  if (initial.s7 == 255) {
    LogLine("Dial timeout (S7) holds 255, which cannot be raised by one: test cannot run, "
            "S7 and S0 were not changed");
    atTop = true;
  }
  if (initial.s0 == 255) {
    LogLine("Auto answer (S0) holds 255, which cannot be raised by one: test cannot run, "
            "S7 and S0 were not changed");
    atTop = true;
  }
  return !atTop;
}

bool TMain_Form::SavingSetValues(const ProbeValues& values, bool pauseFirst) {
  const std::string s7 = Strings::ByteToText(values.s7);
  if (pauseFirst) Pause(kBetweenCommandsMs);
  if (!SendCommand("AT S7=" + s7, kCommandReplyMs)) {
    LogLine("Does not support setting of dial time out, required for this test");
    LogLine("   You must manually test the saving of settings");
    return false;
  }
  LogLine("Dial Timeout set to " + s7 + " Seconds");

  const std::string s0 = Strings::ByteToText(values.s0);
  if (pauseFirst) Pause(kBetweenCommandsMs);
  if (!SendCommand("AT S0=" + s0, kCommandReplyMs)) {
    LogLine("Does not support setting of auto answer, required for this test or to be a base");
    return false;
  }
  LogLine("Auto Answer Set to " + s0 + " rings");
  return true;
}

bool TMain_Form::SavingSetAndVerify(const ProbeValues& test) {
  SavingPhase("setting the test values");
  if (!SavingSetValues(test, true)) return false;
  Pause(kBetweenCommandsMs);
  if (!SavingCheckS7(test.s7, CheckStep::AfterSetting)) return false;
  Pause(kBetweenCommandsMs);
  return SavingCheckS0(test.s0, CheckStep::AfterSetting);
}

bool TMain_Form::SavingWriteAndVerify(const ProbeValues& test) {
  SavingPhase("writing the settings");
  Pause(kBetweenCommandsMs);
  if (!SavingWriteSettings()) return false;
  Pause(kBetweenCommandsMs);
  return SavingCheckS7(test.s7, CheckStep::AfterWriting) &&
         SavingCheckS0(test.s0, CheckStep::AfterWriting);
}

bool TMain_Form::SavingResetAndVerify(const ProbeValues& test) {
  SavingPhase("reset");
  LogLine("");
  LogLine("Modem Reseting");
  LineNoticesEnabled = true;
  if (!ResetModem()) return false;
  LineNoticesEnabled = false;
  LogLine("");
  return SavingCheckS7(test.s7, CheckStep::AfterReset) &&
         SavingCheckS0(test.s0, CheckStep::AfterReset);
}

bool TMain_Form::SavingPowerCycleAndVerify(const ProbeValues& test) {
  SavingPhase("power cycle");
  LogLine("");
  LogLine("Waiting for power cycle of modem.");
  // The line changes of the modem going off and on are logged while the box
  // is up: a modal box keeps handling the port's events.
  LineNoticesEnabled = true;
  toolkit::ShowMessageBox("Action Required",
                          "Please cycle power on modem, press OK when modem fully powered up. (",
                          toolkit::MessageIcon::Warning);
  if (!ReopenIfVanished() || !DetectModem()) {
    LogLine("Could not detect modem after power cycle. Test aborted");
    return false;
  }
  LogLine("Detected modem after power cycle.");
  LogLine("");
  LineNoticesEnabled = false;
  LogLine("");
  if (!ResetModem()) {
    LogLine("Could not reset modem after restart");
    return false;
  }
  return SavingCheckS7(test.s7, CheckStep::AfterPowerCycle) &&
         SavingCheckS0(test.s0, CheckStep::AfterPowerCycle);
}

bool TMain_Form::SavingAutoAnswerOff() {
  SavingPhase("turning auto answer off");
  LogLine("");
  LogLine("Testing turning auto answer off.");
  LogLine("");
  if (!SendCommand("AT S0=0", kCommandReplyMs)) {
    LogLine("Setting failed,aborting test");
    return false;
  }
  LogLine("Auto Answer Set to 0 rings (Do not answer)");
  LogLine("");
  LineNoticesEnabled = true;
  if (!ResetModem()) return false;
  LineNoticesEnabled = false;
  LogLine("");

  std::uint8_t s0 = 0;
  if (!SavingReadS0(s0)) return false;
  savingResults_.autoAnswerOff = PassIf(s0 == 0);
  if (s0 == 0) {
    LogLine("Did get correct auto answer value");
    return true;
  }
  // Not a failure of the store: a dip switch may hold auto answer on.
  LogLine("Did not get correct auto answer (S0) value");
  LogLine("Read S0, Got " + Strings::ByteToText(s0) + " Should have been zero");
  LogLine("Note: if your modem has a dip switch setting for Auto Answer");
  LogLine("then this is most likely set to auto answer. In this case this is expected");
  LogLine("If the setting of the dial timeout worked, then the saving of settings works");
  LogLine("");
  return true;
}

bool TMain_Form::SavingRestore(const ProbeValues& initial) {
  SavingPhase("restoring the initial values");
  LogLine("");
  LogLine("Restoring modem to orginal settings");
  LogLine("");
  return SavingSetValues(initial, false) && SavingWriteSettings();
}

void TMain_Form::SavingFinish() {
  SavingPhase("finish");
  LogLine("");
  LogLine("Settings Test Version 1.10");
  Output_Memo.SelectAll();
  Output_Memo.CopyToClipboard();
  // After the copy, so the clipboard ends with the version line.
  LogLine("Test Finished, results copied to clipboard");
  Pause(kAfterCopyMs);
  ComPort->Close();
}
