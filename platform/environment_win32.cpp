#include <windows.h>
// After <windows.h>:
#include <shellapi.h>

#include <cstdlib>

#include "platform/environment.h"
#include "platform/utf16_win32.h"

namespace platform {

// main's argv is the command line in the ANSI code page: read it again as
// the system keeps it.
std::vector<std::string> ProgramArguments(int, char**) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; wide != nullptr && i < count; ++i) arguments.push_back(Utf8(wide[i]));
  LocalFree(wide);
  return arguments;
}

std::optional<std::string> Variable(const std::string& name) {
  if (const wchar_t* value = ::_wgetenv(Utf16(name).c_str())) return Utf8(value);
  return std::nullopt;
}

// An empty value removes the variable on Windows.
ScopedVariable::ScopedVariable(std::string name, const std::string& value)
    : name_(std::move(name)), previous_(Variable(name_)) {
  ::_wputenv_s(Utf16(name_).c_str(), Utf16(value).c_str());
}

ScopedVariable::~ScopedVariable() {
  ::_wputenv_s(Utf16(name_).c_str(), previous_ ? Utf16(*previous_).c_str() : L"");
}

}  // namespace platform
