// The program's 8-bit texts as the wide strings of the Win32 API: each byte
// is one Latin-1 character, as the Qt window shows them.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace toolkit {

inline std::wstring Wide(std::string_view text) {
  std::wstring wide;
  for (char c : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return wide;
}

// For the texts the facade keeps in UTF-8 (the status line's port and lamps).
inline std::wstring WideFromUtf8(std::string_view text) {
  std::wstring wide(text.size(), L'\0');
  const int count = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                        wide.data(), static_cast<int>(wide.size()));
  wide.resize(static_cast<std::size_t>(count > 0 ? count : 0));
  return wide;
}

inline std::string Narrow(std::wstring_view text) {
  std::string narrow;
  for (wchar_t c : text) narrow += c < 0x100 ? static_cast<char>(c) : '?';
  return narrow;
}

}  // namespace toolkit
