#include "sim/OutputQueue.h"

#include <utility>

namespace sim {

void OutputQueue::Send(std::string_view bytes) {
  if (open_)
    Queue(bytes);
  else
    held_.append(bytes);
}

void OutputQueue::SetGate(bool open) {
  open_ = open;
  if (!open_ || held_.empty()) return;
  Queue(held_);
  held_.clear();
}

void OutputQueue::SetLines(LineStates lines) {
  if (lines == lines_) return;
  lines_ = lines;
  pending_.emplace_back(lines);
}

void OutputQueue::RepeatLines() { pending_.emplace_back(lines_); }

std::deque<Delivery> OutputQueue::Take() { return std::exchange(pending_, {}); }

void OutputQueue::Queue(std::string_view bytes) {
  if (bytes.empty()) return;
  if (!pending_.empty())
    if (auto* last = std::get_if<std::string>(&pending_.back())) {
      last->append(bytes);
      return;
    }
  pending_.emplace_back(std::string(bytes));
}

}  // namespace sim
