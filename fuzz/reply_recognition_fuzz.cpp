// The incremental reply scanner against the whole-buffer search. The input
// is a run of batches, each introduced by a control byte: its low five bits
// are the batch's length, its top bits what happens before the batch (a new
// command empties everything, or an echo is cut out of the middle).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/support/PlainRecognition.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  plain::Receiver incremental;
  plain::State whole;
  std::size_t at = 0;
  while (at < size) {
    const std::uint8_t control = data[at++];
    const std::size_t length = std::min<std::size_t>(control & 0x1F, size - at);
    switch (control >> 5) {
      case 0:
        incremental.Clear();
        whole = plain::State{};
        break;
      case 1:
        if (whole.rx.size() > 3) {
          whole.rx.erase(1, 2);
          incremental.state.rx.erase(1, 2);
        }
        break;
      default:
        break;
    }
    const std::string batch(reinterpret_cast<const char*>(data + at), length);
    at += length;
    incremental(batch);
    plain::Receive(whole, batch);
    if (!(incremental.state == whole)) std::abort();  // a disagreement is a failure
  }
  return 0;
}
