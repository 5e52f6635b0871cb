#include "app/TimelineBursts.h"

namespace report {

namespace {

constexpr std::size_t kBurstMin = 6;  // fewer are drawn one by one
constexpr std::int64_t kLongestBurstMs = 60000;

std::vector<Burst> BurstsFor(const std::vector<std::int64_t>& times,
                             const std::vector<bool>& thinnable, std::int64_t window) {
  std::vector<Burst> bursts;
  Burst run{};
  bool open = false;
  auto close = [&] {
    if (open && run.count >= kBurstMin) bursts.push_back(run);
    open = false;
  };
  for (std::size_t i = 0; i < times.size(); ++i) {
    if (!thinnable[i]) continue;
    if (open && times[i] - run.toMs < window && times[i] - run.fromMs <= kLongestBurstMs) {
      run.last = i;
      run.toMs = times[i];
      ++run.count;
      continue;
    }
    close();
    run = {i, i, 1, times[i], times[i]};
    open = true;
  }
  close();
  return bursts;
}

}  // namespace

Thinning Thin(const std::vector<std::int64_t>& times, std::vector<bool> thinnable,
              std::size_t cap) {
  Thinning thinning;
  thinning.thinnable = std::move(thinnable);
  if (times.size() <= cap) return thinning;
  const std::int64_t span = times.back() - times.front();
  for (std::int64_t window = 50;; window *= 2) {
    thinning.bursts = BurstsFor(times, thinning.thinnable, window);
    thinning.window = window;
    std::size_t drawn = times.size();
    for (const Burst& burst : thinning.bursts) drawn -= burst.count - 1;
    if (drawn <= cap || window > span) return thinning;
  }
}

}  // namespace report
