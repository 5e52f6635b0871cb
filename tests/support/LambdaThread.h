// A platform thread that runs a given function; it waits for that function
// to finish before it goes away.
#pragma once

#include <functional>
#include <utility>

#include "platform/threads.h"

namespace testsupport {

class LambdaThread : public platform::Thread {
 public:
  explicit LambdaThread(std::function<void()> body) : body_(std::move(body)) {}
  ~LambdaThread() override { WaitFor(); }

 protected:
  void Execute() override { body_(); }

 private:
  std::function<void()> body_;
};

}  // namespace testsupport
