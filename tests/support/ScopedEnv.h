// An environment variable set for the lifetime of an object.
#pragma once

#include <optional>
#include <string>

namespace testsupport {

// Sets an environment variable for the lifetime of the object and restores
// its previous value (or its absence) afterwards.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace testsupport
