// Where things stand along the report's timeline. Time runs left to right,
// but not at one scale: a session is minutes of silence around bursts of
// commands 30 ms apart, and at any single scale either the bursts pile up
// or the page is metres wide. So each moment something is drawn gets a
// column; a column is at least a mark's width from the one before, more when
// the time between them is longer (to scale), and a long silence is folded
// to a fixed width. Two things drawn in one row at the same ms get a column
// each, so nothing is drawn on top of anything else in its row.
//
// It is used in two passes over the same drawing code: first every drawn
// thing says when and in which row it is (At), then Place lays out the
// columns, and the second pass gets the x of each thing in the same order.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace report {

class TimelineColumns {
 public:
  static constexpr double kMinGap = 13;       // px between two columns
  static constexpr double kPxPerSecond = 10;  // for gaps longer than that
  static constexpr std::int64_t kFoldAfterMs = 12000;
  static constexpr double kFoldWidth = 64;  // px a folded silence takes

  // A silence drawn folded.
  struct Fold {
    std::int64_t fromMs, toMs;
    double fromX, toX;
  };

  explicit TimelineColumns(double left) : left_(left) {}

  // First pass: notes the thing, returns 0. Second pass: its x.
  double At(std::int64_t ms, int row);
  // First pass: something drawn spans this time (a thinned burst), which is
  // then never folded, only drawn narrower when long.
  void Busy(std::int64_t fromMs, std::int64_t toMs);
  // Between the passes.
  void Place();

  // Any time, between the columns around it (after Place).
  double X(std::int64_t ms) const;
  bool Folded(std::int64_t ms) const;
  double Right() const { return xs_.empty() ? left_ : xs_.back(); }
  const std::vector<Fold>& Folds() const { return folds_; }

 private:
  double Gap(std::int64_t fromMs, std::int64_t toMs);
  bool IsBusy(std::int64_t fromMs, std::int64_t toMs) const;

  struct Slot {
    std::int64_t ms;
    int row;
    double x = 0;
  };
  double left_;
  bool placed_ = false;
  std::vector<Slot> slots_;
  std::size_t next_ = 0;
  std::vector<std::int64_t> times_;  // per column
  std::vector<double> xs_;
  std::vector<Fold> folds_;
  std::vector<std::pair<std::int64_t, std::int64_t>> busy_;  // sorted and merged by Place
};

}  // namespace report
