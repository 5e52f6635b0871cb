// The status line of a test run: its clock runs while the run is on, and it
// is cleared however the run ends, an uncaught port error included.
#pragma once

#include "platform/toolkit/toolkit.h"

class RunStatus {
 public:
  explicit RunStatus(toolkit::TStatusLine& status) : status_(status) { status_.StartClock(); }
  ~RunStatus() {
    status_.StopClock();
    status_.SetText("");
  }
  RunStatus(const RunStatus&) = delete;
  RunStatus& operator=(const RunStatus&) = delete;

 private:
  toolkit::TStatusLine& status_;
};
