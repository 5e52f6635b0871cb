#include "app/TerminalText.h"

#include <algorithm>
#include <streambuf>

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

// The invisible format characters that reorder or hide text: U+200B to
// U+200F (zero-width space, joiners, directional marks), U+202A to U+202E
// (embeddings and overrides), U+2066 to U+2069 (isolates) and U+FEFF. All
// are three bytes long in UTF-8.
bool HiddenFormat(std::string_view sequence) {
  if (sequence.size() != 3) return false;
  auto bits = [&](std::size_t at, unsigned mask) {
    return static_cast<char32_t>(static_cast<unsigned char>(sequence[at]) & mask);
  };
  const char32_t c = bits(0, 0x0f) << 12 | bits(1, 0x3f) << 6 | bits(2, 0x3f);
  return (c >= 0x200b && c <= 0x200f) || (c >= 0x202a && c <= 0x202e) ||
         (c >= 0x2066 && c <= 0x2069) || c == 0xfeff;
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
    if (length == 0 || c1 || HiddenFormat(text.substr(i, length))) {
      const std::size_t escaped = std::max<std::size_t>(length, 1);
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

// Whole lines are escaped, so that a character is never cut in two; what
// is left of a line goes at a flush (a prompt waiting for its answer).
class TerminalStream::Buffer : public std::streambuf {
 public:
  explicit Buffer(std::ostream& terminal) : terminal_(terminal) {}

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    xsputn(&byte, 1);
    return c;
  }
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    pending_.append(text, static_cast<std::size_t>(count));
    if (const std::size_t end = pending_.rfind('\n'); end != std::string::npos) Pass(end + 1);
    return count;
  }
  int sync() override {
    Pass(pending_.size());
    terminal_.flush();
    return terminal_ ? 0 : -1;
  }

 private:
  void Pass(std::size_t count) {
    terminal_ << TerminalSafeText(std::string_view(pending_).substr(0, count));
    pending_.erase(0, count);
  }

  std::ostream& terminal_;
  std::string pending_;
};

TerminalStream::TerminalStream(std::ostream& terminal)
    : std::ostream(nullptr), buffer_(std::make_unique<Buffer>(terminal)) {
  rdbuf(buffer_.get());
}

TerminalStream::~TerminalStream() { flush(); }

}  // namespace console
