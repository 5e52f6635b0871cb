#include "app/TimelineColumns.h"

#include <algorithm>
#include <numeric>

namespace report {

double TimelineColumns::At(std::int64_t ms, int row) {
  if (!placed_) {
    slots_.push_back({ms, row});
    return 0;
  }
  return next_ < slots_.size() ? slots_[next_++].x : Right();
}

void TimelineColumns::Busy(std::int64_t fromMs, std::int64_t toMs) {
  if (!placed_) busy_.emplace_back(fromMs, toMs);
}

bool TimelineColumns::IsBusy(std::int64_t fromMs, std::int64_t toMs) const {
  // The first span that ends after fromMs: does it begin before toMs?
  const auto span = std::upper_bound(busy_.begin(), busy_.end(), fromMs,
                                     [](std::int64_t ms, const auto& s) { return ms < s.second; });
  return span != busy_.end() && span->first < toMs;
}

double TimelineColumns::Gap(std::int64_t fromMs, std::int64_t toMs) {
  const std::int64_t ms = toMs - fromMs;
  if (ms <= kFoldAfterMs) return std::max(kMinGap, ms * kPxPerSecond / 1000);
  if (IsBusy(fromMs, toMs)) return kFoldWidth;
  const double fromX = xs_.back();
  folds_.push_back({fromMs, toMs, fromX, fromX + kFoldWidth});
  return kFoldWidth;
}

void TimelineColumns::Place() {
  // The busy spans, sorted and merged where they overlap.
  std::sort(busy_.begin(), busy_.end());
  std::vector<std::pair<std::int64_t, std::int64_t>> merged;
  for (const auto& span : busy_) {
    if (!merged.empty() && span.first <= merged.back().second)
      merged.back().second = std::max(merged.back().second, span.second);
    else
      merged.push_back(span);
  }
  busy_ = std::move(merged);
  std::vector<std::size_t> order(slots_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [this](std::size_t a, std::size_t b) { return slots_[a].ms < slots_[b].ms; });
  std::uint64_t rowsUsed = 0;  // in the last column
  for (const std::size_t i : order) {
    Slot& slot = slots_[i];
    const std::uint64_t row = std::uint64_t{1} << slot.row;
    if (times_.empty() || slot.ms != times_.back() || (rowsUsed & row) != 0) {
      const double x = times_.empty() ? left_ : xs_.back() + Gap(times_.back(), slot.ms);
      times_.push_back(slot.ms);
      xs_.push_back(x);
      rowsUsed = 0;
    }
    rowsUsed |= row;
    slot.x = xs_.back();
  }
  placed_ = true;
}

double TimelineColumns::X(std::int64_t ms) const {
  if (times_.empty()) return left_;
  const auto after = std::lower_bound(times_.begin(), times_.end(), ms);
  if (after == times_.begin()) return xs_.front();
  if (after == times_.end()) return xs_.back();
  const std::size_t i = static_cast<std::size_t>(after - times_.begin());
  if (times_[i] == ms) return xs_[i];
  const double share = double(ms - times_[i - 1]) / double(times_[i] - times_[i - 1]);
  return xs_[i - 1] + share * (xs_[i] - xs_[i - 1]);
}

bool TimelineColumns::Folded(std::int64_t ms) const {
  return std::any_of(folds_.begin(), folds_.end(),
                     [ms](const Fold& fold) { return ms > fold.fromMs && ms < fold.toMs; });
}

}  // namespace report
