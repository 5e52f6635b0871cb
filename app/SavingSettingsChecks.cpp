// The reads and checks of the two probe registers, S7 and S0, that the
// Saving Settings Test repeats after each thing that could lose them.
#include <iterator>
#include <string>

#include "app/Strings.h"
#include "app/TelvoraMain.h"
#include "app/Timings.h"

using timing::kRegisterReplyMs;
using timing::kStoreReplyMs;

namespace {

// A register value from the text in front of "OK": the line ends around the
// number dropped; anything that is not a number reads as 0. Only the last
// line counts: a modem that keeps echoing puts the command in front of the
// number, and reading that as 0 would have the restore store 0.
std::uint8_t RegisterValue(const std::string& replyText) {
  const std::size_t end = replyText.find_last_not_of("\r\n");
  const std::size_t start =
      end == std::string::npos ? 0 : replyText.find_last_of("\r\n", end) + 1;
  return Strings::TextToByte(Strings::PrintableText(replyText.substr(start)));
}

// What an S0 mismatch means depends on the step: straight after setting or
// writing it is a fault; after a reset or a power cycle it is what a modem
// with an auto-answer dip switch does.
struct S0MismatchLines {
  const char* heading;
  const char* dipSwitchNote;  // null: no notes
};

constexpr S0MismatchLines kS0Mismatch[] = {
    // After setting.
    {"Did not get correct auto answer (S0) value", nullptr},
    // After writing.
    {"Did not get correct auto answer (S0) value, Not expected", nullptr},
    // After the reset.
    {"Did not get correct auto answer (S0) value",
     "then this is most likely set to not auto answer. In this case failing this is expected"},
    // After the power cycle.
    {"Did not get correct auto answer (S0) value",
     "then this is most likely set to not auto answer. In this case this is expected"},
};

}  // namespace

bool TMain_Form::SavingReadS7(std::uint8_t& value) {
  if (!SendCommand("AT S7?", kRegisterReplyMs)) {
    LogLine("Error reading dial timeout (S7), aborting test");
    LogLine("Read S7, Returned " + ReplyText);
    return false;
  }
  value = RegisterValue(ReplyText);
  return true;
}

bool TMain_Form::SavingReadS0(std::uint8_t& value) {
  if (!SendCommand("AT S0?", kRegisterReplyMs)) {
    LogLine("Error reading S0, aborting test");
    LogLine("Read S0, Got " + ReplyText);
    return false;
  }
  value = RegisterValue(ReplyText);
  return true;
}

bool TMain_Form::SavingCheckS7(std::uint8_t expected, CheckStep step) {
  std::uint8_t value = 0;
  if (!SavingReadS7(value)) return false;
  savingResults_.s7[static_cast<std::size_t>(step)] = PassIf(value == expected);
  if (value == expected) {
    LogLine("Dial Time out setting checked");
  } else {
    LogLine("Did not get correct dial timeout (S7) value");
    LogLine("Read S7, Returned " + ReplyText);
  }
  return true;
}

bool TMain_Form::SavingCheckS0(std::uint8_t expected, CheckStep step) {
  std::uint8_t value = 0;
  if (!SavingReadS0(value)) return false;
  savingResults_.s0[static_cast<std::size_t>(step)] = PassIf(value == expected);
  if (value == expected) {
    LogLine("Did get correct auto answer value");
    return true;
  }
  static_assert(std::size(kS0Mismatch) == static_cast<std::size_t>(CheckStep::AfterPowerCycle) + 1);
  const S0MismatchLines& lines = kS0Mismatch[static_cast<std::size_t>(step)];
  LogLine(lines.heading);
  LogLine("Read S0, Got " + ReplyText);
  if (lines.dipSwitchNote) {
    LogLine("Note: if your modem has a dip switch setting for Auto Answer");
    LogLine(lines.dipSwitchNote);
    LogLine("If the setting of the dial timeout worked, then the saving of settings works");
  }
  return true;
}

bool TMain_Form::SavingWriteSettings() {
  if (!SendCommand("AT &W", kStoreReplyMs)) {
    LogLine("Error writing settings, aborting test");
    return false;
  }
  LogLine("Wrote Settings.");
  LogLine("");
  return true;
}

void TMain_Form::SavingPhase(const char* step) {
  if (run_) run_->Enter(step);
}
