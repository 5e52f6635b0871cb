// Text as the console shows it on a terminal.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>

namespace console {

// The text with every control character but CR, LF and TAB (C0, DEL and the
// C1 controls), every invisible format character that reorders or hides
// text (the bidirectional embeddings, overrides and isolates, zero-width
// characters, the byte order mark) and every byte that is not part of valid
// UTF-8 written as visible escapes such as \x1b: a noisy or hostile line
// cannot drive the user's terminal or disguise what it shows. Everything
// else stays as it is.
std::string TerminalSafeText(std::string_view text);

// A stream onto a terminal that shows whatever is written to it as
// TerminalSafeText, a line at a time (and the rest when flushed).
class TerminalStream : public std::ostream {
 public:
  explicit TerminalStream(std::ostream& terminal);
  ~TerminalStream() override;
  TerminalStream(const TerminalStream&) = delete;
  TerminalStream& operator=(const TerminalStream&) = delete;

 private:
  class Buffer;
  std::unique_ptr<Buffer> buffer_;
};

}  // namespace console
