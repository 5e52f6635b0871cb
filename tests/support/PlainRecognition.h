// Reply recognition read literally, as the yardstick for the incremental
// scanner: the whole buffer is searched after every batch. A Receiver runs
// the real scanner on the same kind of state.
#pragma once

#include <algorithm>
#include <iterator>
#include <string>

#include "app/ReplyRecognition.h"

namespace plain {

struct State {
  std::string rx, replyText;
  bool flags[replies::kReplyCount] = {};
  bool operator==(const State& o) const {
    return rx == o.rx && replyText == o.replyText &&
           std::equal(std::begin(flags), std::end(flags), std::begin(o.flags));
  }
};

inline replies::DialogueFields FieldsOf(State& s) {
  return {s.rx, s.replyText, {&s.flags[0], &s.flags[1], &s.flags[2], &s.flags[3], &s.flags[4]}};
}

inline void Receive(State& s, const std::string& received) {
  using replies::Reply;
  s.rx += received;
  bool any = false;
  for (std::size_t r = 0; r < replies::kReplyCount; ++r) {
    s.flags[r] = s.flags[r] || s.rx.find(replies::TextOf(Reply(r))) != std::string::npos;
    any = any || s.flags[r];
  }
  if (!any) return;
  for (Reply r :
       {replies::OK, replies::Error, replies::Connect, replies::NoCarrier, replies::Welcome}) {
    if (!s.flags[r]) continue;
    const std::string_view text = replies::TextOf(r);
    const std::size_t p = s.rx.find(text);
    if (p == std::string::npos) continue;
    if (r == replies::OK && p > 0) s.replyText = s.rx.substr(0, p);
    s.rx.erase(0, p + text.size());
  }
}

// The incremental scanner on its own state.
class Receiver {
 public:
  State state;
  void operator()(const std::string& bytes) { replies::Receive(FieldsOf(state), scanner_, bytes); }
  void Clear() {
    state = State{};
    scanner_.Reset();
  }

 private:
  replies::ReplyScanner scanner_;
};

// The scanner and the plain search side by side, given the same events.
struct Comparison {
  Receiver incremental;
  State whole;

  // What may happen before a batch: 0 a new command empties everything, 1 an
  // echo is taken out of the middle (as a reset does), anything else nothing.
  void Before(int event) {
    if (event == 0) {
      incremental.Clear();
      whole = State{};
    } else if (event == 1 && whole.rx.size() > 3) {
      whole.rx.erase(1, 2);
      incremental.state.rx.erase(1, 2);
    }
  }
  // Both take the batch; true when they still agree.
  bool Receive(const std::string& batch) {
    incremental(batch);
    plain::Receive(whole, batch);
    return incremental.state == whole;
  }
};

}  // namespace plain
