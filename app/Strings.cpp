#include "app/Strings.h"

#include <cstddef>
#include <limits>
#include <optional>

namespace Strings {

namespace {

std::optional<int> HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

// Digits from `pos` to the end in the given base; nullopt when there are none,
// when anything else follows, or when the value passes `limit`.
std::optional<std::uint64_t> ParseDigits(const std::string& text, std::size_t pos,
                                         unsigned base, std::uint64_t limit) {
  if (pos >= text.size()) return std::nullopt;
  std::uint64_t value = 0;
  for (; pos < text.size(); ++pos) {
    std::optional<int> digit = HexDigit(text[pos]);
    if (!digit || unsigned(*digit) >= base) return std::nullopt;
    value = value * base + unsigned(*digit);
    // Checked per digit, so a long run of digits never overflows the 64 bits.
    if (value > limit) return std::nullopt;
  }
  return value;
}

// Length of a hexadecimal prefix at `pos` ("$", "x", "X", "0x", "0X"), or 0.
std::size_t HexPrefixLength(const std::string& text, std::size_t pos) {
  char first = text[pos];
  if (first == '$' || first == 'x' || first == 'X') return 1;
  if (first == '0' && pos + 1 < text.size() && (text[pos + 1] == 'x' || text[pos + 1] == 'X'))
    return 2;
  return 0;
}

}  // namespace

std::string IntToText(std::int32_t value) { return std::to_string(value); }

std::string ByteToText(std::uint8_t value) { return IntToText(value); }

std::uint8_t TextToByte(const std::string& text) {
  std::size_t pos = text.find_first_not_of(' ');
  if (pos == std::string::npos) return 0;

  if (std::size_t prefix = HexPrefixLength(text, pos)) {
    // Up to 32 bits of hexadecimal: $FFFFFFFF is the bit pattern of -1.
    std::optional<std::uint64_t> value =
        ParseDigits(text, pos + prefix, 16, std::numeric_limits<std::uint32_t>::max());
    return value ? std::uint8_t(*value) : 0;
  }

  bool negative = text[pos] == '-';
  if (text[pos] == '-' || text[pos] == '+') ++pos;
  const std::uint64_t limit =
      negative ? std::uint64_t(std::numeric_limits<std::int32_t>::max()) + 1
               : std::uint64_t(std::numeric_limits<std::int32_t>::max());
  std::optional<std::uint64_t> magnitude = ParseDigits(text, pos, 10, limit);
  if (!magnitude) return 0;
  // The low 8 bits of the two's complement value.
  std::uint64_t value = negative ? 0 - *magnitude : *magnitude;
  return std::uint8_t(value);
}

std::string PrintableText(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 32) result += c;
  return result;
}

std::string BoolToText(bool value) { return value ? "True" : "False"; }

}  // namespace Strings
