// The program's texts are UTF-8; the Windows API's are UTF-16. These two are
// where one becomes the other, at the system boundary only: the command
// line, the environment, file names, window texts and the console.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// A text that is not UTF-8 (bytes a modem sent) becomes one character per
// byte, as Latin-1: every byte stays visible, as in the Qt window.
std::wstring Utf16(std::string_view text);

// Anything the system hands over; a lone surrogate becomes U+FFFD.
std::string Utf8(std::wstring_view text);

}  // namespace platform
