// A fresh headless application in virtual time for each test, with the
// terminal streams of the backend captured.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <utility>

#include "platform/clock.h"
#include "platform/threads.h"
#include "platform/toolkit/headless.h"
#include "tests/support/LambdaThread.h"

namespace toolkit_test {

class ToolkitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetMainThread();
    platform::clock::UseVirtualTime(true);
    auto backend = std::make_unique<toolkit::HeadlessBackend>();
    ui = backend.get();
    ui->input = &in;
    ui->output = &out;
    ui->errorOutput = &err;
    App().SetBackend(std::move(backend));
    App().Reset();
  }

  void TearDown() override {
    App().Reset();
    App().OnInterrupt = nullptr;
    App().SetBackend(nullptr);
    platform::clock::UseVirtualTime(false);
    // Other tests of the thread services expect the defaults.
    platform::SetSynchronizeWakeup({});
    platform::SetUnhandledExceptionHandler({});
  }

  static toolkit::Application& App() { return toolkit::Application::Instance(); }

  toolkit::HeadlessBackend* ui = nullptr;
  std::istringstream in;
  std::ostringstream out, err;
};

using testsupport::LambdaThread;

}  // namespace toolkit_test
