// Log text as the console shows it on a terminal.
#pragma once

#include <string>
#include <string_view>

namespace console {

// The text with every control character but CR, LF and TAB (C0, DEL and the
// C1 controls) and every byte that is not part of valid UTF-8 written as a
// visible escape such as \x1b: a noisy or hostile line cannot drive the
// user's terminal. Everything else stays as it is.
std::string TerminalSafeText(std::string_view text);

}  // namespace console
