// Corruption on the serial line: bursts of noise, and bytes sent at a speed
// the other side does not use.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

// Deterministic bursts of 1 to 3 noise bytes. The bytes never include line
// ends, digits or capital letters, so noise can never form a result code
// (verbal or numeric), "CONNECT" or the greeting.
class NoiseSource {
 public:
  explicit NoiseSource(std::uint32_t seed = 0x7e1f0a) : state_(seed) {}
  std::string Burst();
  // One or two symbols: inside a reply they spoil it without ever reading
  // as part of a word or a number.
  std::string Spike();

 private:
  std::uint32_t Next();
  std::uint32_t state_;
};

// Bytes as a receiver at the wrong speed sees them: always with the top bit
// set, so never a command or a reply.
std::string Garble(std::string_view bytes);

}  // namespace sim
