// System calls that fail on request, for tests of what the code does then.
// Linking this in replaces pthread_create, ioctl and nanosleep for the whole
// test program; unarmed, they pass straight through to the system.
#pragma once

#include <functional>

namespace testsupport {

// The calling thread's next sleep runs `action` first: what another process
// does while this one waits a moment.
void DuringNextSleep(std::function<void()> action);

// The next thread start fails with EAGAIN, as when the system has no room
// for another thread.
void FailNextThreadStart();

// While it lives, the modem-line ioctls act as on a serial port whose lines
// cannot be set: TIOCMGET reads every line low, TIOCMSET fails with `error`.
class BrokenModemLines {
 public:
  explicit BrokenModemLines(int error);
  ~BrokenModemLines();
  BrokenModemLines(const BrokenModemLines&) = delete;
  BrokenModemLines& operator=(const BrokenModemLines&) = delete;
};

}  // namespace testsupport
