// What the modem puts on the cable towards the port, in order: bytes and
// changes of its status lines. Hardware flow control closes a gate in front
// of the bytes (never the lines) and opening it releases what was held.
// Not thread-safe: the modem's lock guards it; the modem hands the taken
// deliveries to the port after letting go of that lock.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <variant>

namespace sim {

struct LineStates {
  bool cts = false;
  bool dsr = false;
  bool rlsd = false;  // carrier detect
  bool operator==(const LineStates&) const = default;
};

using Delivery = std::variant<std::string, LineStates>;

class OutputQueue {
 public:
  void Send(std::string_view bytes);
  // Closing holds bytes back; opening releases them in order.
  void SetGate(bool open);
  // Queues a change of the status lines (nothing when they are unchanged).
  void SetLines(LineStates lines);
  // Queues the current line states again, for a port that just attached.
  void RepeatLines();
  // Forgets what is held back (power lost) or not yet delivered (no port).
  void DropHeld() { held_.clear(); }
  void DropPending() { pending_.clear(); }

  // The deliveries queued so far, oldest first; adjacent bytes are joined.
  std::deque<Delivery> Take();

 private:
  void Queue(std::string_view bytes);

  std::deque<Delivery> pending_;
  std::string held_;
  LineStates lines_;
  bool open_ = true;
};

}  // namespace sim
