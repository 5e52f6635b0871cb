// An environment variable of this process set for the lifetime of an object
// (setenv on POSIX, _putenv_s on Windows).
#pragma once

#include <optional>
#include <string>

namespace platform {

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
