// The POSIX port on a device with modem lines: a pseudo-terminal whose line
// ioctls the preloaded pty_modem_lines library answers from a shared word of
// TIOCM_* bits, as under the Windows check. A library is preloaded when a
// program starts, so the test runs its checks in a copy of itself started
// with the library and the pseudo-terminal it made.
#include <gtest/gtest.h>

#include <sys/ioctl.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/commapi/commapi.h"
#include "platform/commapi/posix_lock_file.h"
#include "tests/support/PtyModem.h"
#include "tests/support/pty.h"

namespace commapi {
namespace {

// In the copy: each line the modem raises reads as that line and no other,
// with its own event, and DTR and RTS reach the device each on its own.
void CheckEachLine(const std::string& device, const std::string& linesPath) {
  SetLockDirectory(std::filesystem::temp_directory_path());
  testsupport::SharedModemLines lines(linesPath);
  const HANDLE port = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  ASSERT_NE(port, INVALID_HANDLE_VALUE) << "error " << GetLastError();
  OVERLAPPED record{};
  record.hEvent = CreateEventA(nullptr, 1, 0, nullptr);
  ASSERT_TRUE(SetCommMask(port, EV_CTS | EV_DSR | EV_RLSD | EV_RING));

  struct Input {
    const char* name;
    int bit;
    DWORD status, event;
  };
  for (const Input& input : {Input{"CTS", TIOCM_CTS, MS_CTS_ON, EV_CTS},
                             Input{"DSR", TIOCM_DSR, MS_DSR_ON, EV_DSR},
                             Input{"CD", TIOCM_CAR, MS_RLSD_ON, EV_RLSD},
                             Input{"RI", TIOCM_RNG, MS_RING_ON, EV_RING}}) {
    for (const bool raised : {true, false}) {
      SCOPED_TRACE(std::string(input.name) + (raised ? " raised" : " lowered"));
      DWORD events = 0;
      ASSERT_FALSE(WaitCommEvent(port, &events, &record));
      lines.SetInputs(raised ? input.bit : 0);
      ASSERT_EQ(WaitForSingleObject(record.hEvent, 5000), WAIT_OBJECT_0);
      EXPECT_EQ(events, input.event);
      DWORD status = 0;
      ASSERT_TRUE(GetCommModemStatus(port, &status));
      EXPECT_EQ(status, raised ? input.status : 0u);
    }
  }

  DCB dcb{};
  ASSERT_TRUE(GetCommState(port, &dcb));
  for (const int outputs : {TIOCM_DTR, TIOCM_RTS, TIOCM_DTR | TIOCM_RTS, 0}) {
    dcb.fDtrControl = (outputs & TIOCM_DTR) ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    dcb.fRtsControl = (outputs & TIOCM_RTS) ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    ASSERT_TRUE(SetCommState(port, &dcb)) << GetLastError();
    EXPECT_EQ(lines.Outputs(), outputs);
    DWORD status = 0;
    ASSERT_TRUE(GetCommModemStatus(port, &status));
    EXPECT_EQ(status, 0u) << "what the program sets is not what it reads";
  }
  CloseHandle(port);
  CloseHandle(record.hEvent);
}

TEST(PosixModemLines, EachLineIsReadAndSetThroughItsOwnBit) {
  if (const char* linesPath = std::getenv("TELVORA_PTY_LINES")) {
    CheckEachLine(std::getenv("TELVORA_PTY_DEVICE"), linesPath);
    return;
  }
  testsupport::PseudoTerminal pty;
  testsupport::SharedModemLines lines;
  // The copy's output is this test's. The library comes before the address
  // sanitizer's runtime, which only wants to know that this is on purpose.
  const std::string copy = "LD_PRELOAD='" TELVORA_PTY_MODEM_LINES "' TELVORA_PTY_DEVICE='" +
                           pty.SlavePath() + "' TELVORA_PTY_LINES='" + lines.Path() +
                           "' ASAN_OPTIONS=verify_asan_link_order=0 '" +
                           std::filesystem::read_symlink("/proc/self/exe").string() +
                           "' --gtest_filter='PosixModemLines.*'";
  const int status = std::system(copy.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the copy failed";
}

}  // namespace
}  // namespace commapi
