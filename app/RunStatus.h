// The status bar during a test run: the phase, the real time elapsed (the
// status bar's clock), and a progress bar with phase k of n and an estimate
// of the time left. However the run ends, an uncaught port error included,
// the clock stops and the bar says whether the run finished.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/toolkit/toolkit.h"

struct RunPhase {
  const char* name;
  std::uint32_t worstCaseMs;       // without the time the user takes (app/Timings.h)
  const char* userStep = nullptr;  // what the user does in it, when anything
};

// Each test's phases in the order they run (RoverTest.cpp,
// SavingSettingsTest.cpp).
std::span<const RunPhase> RoverPhases();
std::span<const RunPhase> SavingSettingsPhases();

class RunStatus {
 public:
  // Registers itself in `current` for the run's phases to find.
  RunStatus(toolkit::TStatusBar& status, std::string title, std::span<const RunPhase> phases,
            RunStatus*& current);
  ~RunStatus();
  RunStatus(const RunStatus&) = delete;
  RunStatus& operator=(const RunStatus&) = delete;

  // The run enters the named phase; a phase before the current one is ignored,
  // so the bar never goes backwards.
  void Enter(std::string_view phase);
  // The time left, as it is now (the status bar changes only when the
  // seconds shown do).
  void Tick();
  // The run reached its normal end.
  void Finished() { finished_ = true; }

 private:
  // At most this many whole seconds are left.
  std::int64_t SecondsLeft() const;
  void Show();

  toolkit::TStatusBar& status_;
  std::string title_;
  std::span<const RunPhase> phases_;
  RunStatus*& current_;
  std::size_t phase_ = 0;
  platform::clock::Millis phaseStarted_ = 0;
  std::int64_t shownSecondsLeft_ = -1;
  bool finished_ = false;
};
