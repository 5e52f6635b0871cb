// Thinning a lane of a long session's timeline. A lane holding more than it
// can draw one by one (a modem flooding the line for an hour) draws its
// bursts as blocks instead: runs of things less than a window apart, each at
// most a minute long. The window grows until the lane fits. What may not be
// thinned (a result among line noise) is still drawn on its own, over its
// block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace report {

struct Burst {
  std::size_t first, last;  // the items it spans
  std::size_t count;        // the thinnable ones among them, all in the block
  std::int64_t fromMs, toMs;
};

struct Thinning {
  std::vector<Burst> bursts;
  std::vector<bool> thinnable;
  std::int64_t window = 0;  // 0: nothing thinned
};

// times: the lane's items in order; thinnable: which may go into a burst.
Thinning Thin(const std::vector<std::int64_t>& times, std::vector<bool> thinnable, std::size_t cap);

}  // namespace report
