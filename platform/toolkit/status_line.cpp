#include <cstdio>
#include <utility>

#include "platform/toolkit/toolkit.h"

namespace toolkit {

void TStatusLine::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  Changed();
}

void TStatusLine::StartClock() {
  // The status line shows elapsed real time to the person waiting, also in a
  // run in virtual time, so it reads the real clock.
  started_ = std::chrono::steady_clock::now();
  clockRunning_ = true;
  Changed();
}

void TStatusLine::StopClock() {
  if (!clockRunning_) return;
  stopped_ = std::chrono::steady_clock::now();
  clockRunning_ = false;
  Changed();
}

std::int64_t TStatusLine::ElapsedSeconds() const {
  auto end = clockRunning_ ? std::chrono::steady_clock::now() : stopped_;
  return std::chrono::duration_cast<std::chrono::seconds>(end - started_).count();
}

std::string TStatusLine::FormatElapsed(std::int64_t seconds) {
  if (seconds < 0) seconds = 0;
  char text[32];
  long long h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
  if (h > 0) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", h, m, s);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", m, s);
  }
  return text;
}

void TStatusLine::SetProgress(TProgress progress) {
  if (progress == progress_) return;
  progress_ = std::move(progress);
  Changed();
}

void TStatusLine::SetLine(TLineState line) {
  if (line == line_) return;
  line_ = std::move(line);
  if (OnLineChanged) OnLineChanged();
  Changed();
}

void TStatusLine::Changed() {
  if (OnChanged) OnChanged();
}

}  // namespace toolkit
