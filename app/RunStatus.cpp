#include "app/RunStatus.h"

#include <algorithm>

RunStatus::RunStatus(toolkit::TStatusBar& status, std::string title,
                     std::span<const RunPhase> phases, RunStatus*& current)
    : status_(status), title_(std::move(title)), phases_(phases), current_(current) {
  current_ = this;
  phaseStarted_ = platform::clock::Now();
  status_.StartClock();
  Show();
}

RunStatus::~RunStatus() {
  current_ = nullptr;
  status_.StopClock();
  status_.SetText("");
  const int n = static_cast<int>(phases_.size());
  if (finished_) {
    status_.SetProgress({n, n, title_ + " finished"});
  } else {
    status_.SetProgress({static_cast<int>(phase_), n,
                         title_ + " ended early (phase " + std::to_string(phase_ + 1) + " of " +
                             std::to_string(n) + ", " + phases_[phase_].name + ")"});
  }
}

void RunStatus::Enter(std::string_view phase) {
  for (std::size_t i = phase_; i < phases_.size(); ++i) {
    if (phases_[i].name != phase) continue;
    phase_ = i;
    phaseStarted_ = platform::clock::Now();
    Show();
    return;
  }
}

void RunStatus::Tick() {
  // A wait's pass comes every few ms; what the bar says changes once a second.
  if (SecondsLeft() != shownSecondsLeft_) Show();
}

std::int64_t RunStatus::SecondsLeft() const {
  const std::int64_t spent = platform::clock::Now() - phaseStarted_;
  std::int64_t leftMs = std::max<std::int64_t>(phases_[phase_].worstCaseMs - spent, 0);
  for (std::size_t i = phase_ + 1; i < phases_.size(); ++i) leftMs += phases_[i].worstCaseMs;
  return (leftMs + 999) / 1000;
}

void RunStatus::Show() {
  const RunPhase& current = phases_[phase_];
  const char* userStep = current.userStep;
  for (std::size_t i = phase_ + 1; i < phases_.size() && !userStep; ++i)
    userStep = phases_[i].userStep;
  shownSecondsLeft_ = SecondsLeft();
  const std::string k = std::to_string(phase_ + 1), n = std::to_string(phases_.size());
  status_.SetText(title_ + ": " + current.name);
  std::string left = "at most " + toolkit::TStatusBar::FormatElapsed(shownSecondsLeft_) + " left";
  if (userStep) left += std::string(", plus ") + userStep;
  status_.SetProgress({static_cast<int>(phase_), static_cast<int>(phases_.size()),
                       "phase " + k + " of " + n + " \u2014 " + left});
}
