// TextToByte against the rule written another way, and PrintableText
// against a plain filter.
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "app/Strings.h"

namespace {

// The value of a run of digits in the base, when it is one and fits in max.
std::optional<std::uint64_t> Digits(std::string_view digits, int base, std::uint64_t max) {
  if (digits.empty()) return std::nullopt;
  const std::size_t significant = digits.find_first_not_of('0');
  if (significant == std::string_view::npos) return 0;
  digits.remove_prefix(significant);
  if (digits.size() > 16) return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (error != std::errc() || end != digits.data() + digits.size() || value > max)
    return std::nullopt;
  return value;
}

std::uint8_t ExpectedByte(std::string_view text) {
  const std::size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return 0;
  text.remove_prefix(start);
  for (std::string_view prefix : {"0x", "0X", "$", "x", "X"}) {
    if (text.starts_with(prefix)) {
      const auto value = Digits(text.substr(prefix.size()), 16, 0xFFFFFFFFu);
      return value ? std::uint8_t(*value) : 0;
    }
  }
  const bool negative = text.starts_with('-');
  if (negative || text.starts_with('+')) text.remove_prefix(1);
  const auto magnitude = Digits(text, 10, negative ? 0x80000000u : 0x7FFFFFFFu);
  if (!magnitude) return 0;
  return std::uint8_t(negative ? 0 - *magnitude : *magnitude);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (Strings::TextToByte(text) != ExpectedByte(text)) std::abort();

  std::string printable;
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 32) printable += c;
  if (Strings::PrintableText(text) != printable) std::abort();
  return 0;
}
