#include <cstdlib>

#include "platform/environment.h"

namespace platform {

// An empty value removes the variable on Windows.
ScopedVariable::ScopedVariable(std::string name, const std::string& value) : name_(std::move(name)) {
  if (const char* old = std::getenv(name_.c_str())) previous_ = old;
  ::_putenv_s(name_.c_str(), value.c_str());
}

ScopedVariable::~ScopedVariable() { ::_putenv_s(name_.c_str(), previous_ ? previous_->c_str() : ""); }

}  // namespace platform
