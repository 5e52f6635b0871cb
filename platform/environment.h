// What the process was started with: its arguments and its environment, as
// UTF-8 text (on Windows read from the system's UTF-16; the C library's
// narrow copies, in the ANSI code page, lose a name such as 測試). An
// environment variable may also be set for the lifetime of an object.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// The arguments after the program's name; argc and argv are main's.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// The variable's value; nullopt when it is not set.
std::optional<std::string> Variable(const std::string& name);

// Sets the variable and restores its previous value (or its absence)
// afterwards. An empty value counts as unset, as it does for TELVORA_COMn.
class ScopedVariable {
 public:
  ScopedVariable(std::string name, const std::string& value);
  ~ScopedVariable();
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace platform
