// The status bar during a test run: the phase, the real time elapsed (the
// status line's clock), and a progress bar with phase k of n and an estimate
// of the time left. However the run ends, an uncaught port error included,
// the clock stops and the bar says whether the run finished.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/toolkit/toolkit.h"

// The longest each operation can take, from its time-outs and pauses plus a
// little for the wait passes that overrun them: what the estimate adds up.
namespace worst_case {
constexpr std::uint32_t kDetectMs = 1000 + 1500 + 100;         // DetectModem
// ResetModem: "AT Z", three "AT V1" or "AT E0" and the last "AT V1"; pauses.
constexpr std::uint32_t kResetMs = 3000 + 3 * 1500 + 500 + 2 * 100 + 2 * 500 + 100;
constexpr std::uint32_t kDialMs = 50000 + 3000 + 100;          // DialAndWait
constexpr std::uint32_t kCallMs = kDialMs + 1500;              // PlaceTestCall
constexpr std::uint32_t kHangUpMs = 3500 + 3500 + 500 + 8000 + 1100 + 100;  // HangUp
}  // namespace worst_case

struct RunPhase {
  const char* name;
  std::uint32_t worstCaseMs;       // without the time the user takes
  const char* userStep = nullptr;  // what the user does in it, when anything
};

class RunStatus {
 public:
  // Registers itself in `current` for the run's phases to find.
  RunStatus(toolkit::TStatusLine& status, std::string title, std::span<const RunPhase> phases,
            RunStatus*& current);
  ~RunStatus();
  RunStatus(const RunStatus&) = delete;
  RunStatus& operator=(const RunStatus&) = delete;

  // The run enters the named phase; a phase before the current one is ignored,
  // so the bar never goes backwards.
  void Enter(std::string_view phase);
  // The time left, as it is now (the status line changes only when the
  // seconds shown do).
  void Tick();
  // The run reached its normal end.
  void Finished() { finished_ = true; }

 private:
  // At most this many whole seconds are left.
  std::int64_t SecondsLeft() const;
  void Show();

  toolkit::TStatusLine& status_;
  std::string title_;
  std::span<const RunPhase> phases_;
  RunStatus*& current_;
  std::size_t phase_ = 0;
  platform::clock::Millis phaseStarted_ = 0;
  std::int64_t shownSecondsLeft_ = -1;
  bool finished_ = false;
};
