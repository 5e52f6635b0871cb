#include <cstdio>
#include <utility>

#include "platform/toolkit/toolkit.h"

namespace toolkit {

void TStatusBar::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  Changed();
}

void TStatusBar::StartClock() {
  // The status bar shows elapsed real time to the person waiting, also in a
  // run in virtual time, so it reads the real clock.
  started_ = std::chrono::steady_clock::now();
  clockRunning_ = true;
  Changed();
}

void TStatusBar::StopClock() {
  if (!clockRunning_) return;
  stopped_ = std::chrono::steady_clock::now();
  clockRunning_ = false;
  Changed();
}

std::int64_t TStatusBar::ElapsedSeconds() const {
  auto end = clockRunning_ ? std::chrono::steady_clock::now() : stopped_;
  return std::chrono::duration_cast<std::chrono::seconds>(end - started_).count();
}

std::string TStatusBar::FormatElapsed(std::int64_t seconds) {
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

void TStatusBar::SetProgress(TProgress progress) {
  if (progress == progress_) return;
  progress_ = std::move(progress);
  Changed();
}

void TStatusBar::SetLine(TLineState line) {
  if (line == line_) return;
  line_ = std::move(line);
  if (OnLineChanged) OnLineChanged();
  Changed();
}

void TStatusBar::Changed() {
  if (OnChanged) OnChanged();
}

}  // namespace toolkit
