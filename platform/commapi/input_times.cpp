#include "platform/commapi/input_times.h"

namespace commapi {

namespace {
// What a session trace writes down of the lines.
DWORD TracedLines(DWORD status) { return status & (MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON); }
}  // namespace

void InputTimes::Arrived() {
  if (!queuedSince_) queuedSince_ = platform::clock::Now();
}

// What stays queued came after the count the program read by, so lately.
void InputTimes::Read(bool inputLeft) {
  const platform::clock::Millis now = platform::clock::Now();
  lastRead_ = queuedSince_.value_or(now);
  queuedSince_ = inputLeft ? std::optional(now) : std::nullopt;
}

void InputTimes::LinesAre(DWORD status) {
  if (lines_ == TracedLines(status)) return;
  lines_ = TracedLines(status);
  linesSince_ = platform::clock::Now();
}

platform::clock::Millis InputTimes::LinesSince(DWORD status) const {
  return lines_ == TracedLines(status) ? linesSince_ : platform::clock::Now();
}

}  // namespace commapi
