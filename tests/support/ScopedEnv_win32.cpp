#include <cstdlib>

#include "tests/support/ScopedEnv.h"

namespace testsupport {

// An empty value removes the variable here, as unsetenv does on POSIX.
ScopedEnv::ScopedEnv(std::string name, const std::string& value) : name_(std::move(name)) {
  if (const char* old = std::getenv(name_.c_str())) previous_ = old;
  ::_putenv_s(name_.c_str(), value.c_str());
}

ScopedEnv::~ScopedEnv() { ::_putenv_s(name_.c_str(), previous_ ? previous_->c_str() : ""); }

}  // namespace testsupport
