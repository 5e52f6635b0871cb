#include "app/TerminalText.h"

namespace console {

namespace {

void AppendEscape(std::string& out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 0x0f];
}

bool Continues(std::string_view text, std::size_t at, unsigned char low = 0x80,
               unsigned char high = 0xbf) {
  if (at >= text.size()) return false;
  const auto byte = static_cast<unsigned char>(text[at]);
  return byte >= low && byte <= high;
}

// The length of the well-formed UTF-8 sequence that starts at `at` (no
// overlong forms, surrogates or values above U+10FFFF), or 0.
std::size_t SequenceLength(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  // The range allowed for the second byte, and how many bytes follow the lead.
  unsigned char low = 0x80, high = 0xbf;
  std::size_t following = 0;
  if (lead >= 0xc2 && lead <= 0xdf) {
    following = 1;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    following = 2;
    if (lead == 0xe0) low = 0xa0;
    if (lead == 0xed) high = 0x9f;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    following = 3;
    if (lead == 0xf0) low = 0x90;
    if (lead == 0xf4) high = 0x8f;
  } else {
    return 0;
  }
  if (!Continues(text, at + 1, low, high)) return 0;
  for (std::size_t i = 2; i <= following; ++i) {
    if (!Continues(text, at + i)) return 0;
  }
  return following + 1;
}

}  // namespace

std::string TerminalSafeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      const bool control = (byte < 0x20 && byte != '\r' && byte != '\n' && byte != '\t') ||
                           byte == 0x7f;
      if (control)
        AppendEscape(out, byte);
      else
        out += static_cast<char>(byte);
      ++i;
      continue;
    }
    const std::size_t length = SequenceLength(text, i);
    // U+0080 to U+009F, the C1 controls, are C2 80 to C2 9F.
    const bool c1 = length == 2 && byte == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0;
    if (length == 0 || c1) {
      const std::size_t escaped = c1 ? 2 : 1;
      for (std::size_t k = 0; k < escaped; ++k)
        AppendEscape(out, static_cast<unsigned char>(text[i + k]));
      i += escaped;
      continue;
    }
    out.append(text.substr(i, length));
    i += length;
  }
  return out;
}

}  // namespace console
