#include "sim/LineNoise.h"

namespace sim {
namespace {

constexpr std::string_view kNoiseAlphabet =
    "abcdefghijklmnopqrstuvwxyz~`^#%*{}|<>!?$@_\xa5\xb7\xc3\xd9\xe1\xf0\xfe\xff";

}  // namespace

std::uint32_t NoiseSource::Next() {
  state_ = state_ * 1664525u + 1013904223u;
  return state_ >> 8;
}

std::string NoiseSource::Burst() {
  std::string burst;
  const std::uint32_t length = 1 + Next() % 3;
  for (std::uint32_t i = 0; i < length; ++i)
    burst += kNoiseAlphabet[Next() % kNoiseAlphabet.size()];
  return burst;
}

std::string NoiseSource::Spike() {
  static constexpr std::string_view kSymbols = "~#%*^|";
  std::string spike;
  const std::uint32_t length = 1 + Next() % 2;
  for (std::uint32_t i = 0; i < length; ++i) spike += kSymbols[Next() % kSymbols.size()];
  return spike;
}

std::string Garble(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char c : bytes) out += static_cast<char>((c * 7u + 3u) | 0x80u);
  return out;
}

}  // namespace sim
