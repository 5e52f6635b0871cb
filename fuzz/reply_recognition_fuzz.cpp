// The incremental reply scanner against the whole-buffer search. The input
// is a run of batches, each introduced by a control byte: its low five bits
// are the batch's length, its top bits what happens before the batch (a new
// command empties everything, or an echo is cut out of the middle).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/support/PlainRecognition.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  plain::Comparison both;
  std::size_t at = 0;
  while (at < size) {
    const std::uint8_t control = data[at++];
    const std::size_t length = std::min<std::size_t>(control & 0x1F, size - at);
    both.Before(control >> 5);
    const std::string batch(reinterpret_cast<const char*>(data + at), length);
    at += length;
    if (!both.Receive(batch)) std::abort();  // a disagreement is a failure
  }
  return 0;
}
