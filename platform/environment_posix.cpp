#include <cstdlib>

#include "platform/environment.h"

namespace platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return {argv + (argc > 0 ? 1 : 0), argv + argc};
}

std::optional<std::string> Variable(const std::string& name) {
  if (const char* value = std::getenv(name.c_str())) return value;
  return std::nullopt;
}

ScopedVariable::ScopedVariable(std::string name, const std::string& value)
    : name_(std::move(name)), previous_(Variable(name_)) {
  ::setenv(name_.c_str(), value.c_str(), 1);
}

ScopedVariable::~ScopedVariable() {
  if (previous_) {
    ::setenv(name_.c_str(), previous_->c_str(), 1);
  } else {
    ::unsetenv(name_.c_str());
  }
}

}  // namespace platform
