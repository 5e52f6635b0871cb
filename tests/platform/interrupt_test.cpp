// Ctrl+C in the console: it lands on the user-interface thread alone, and it
// ends a prompt's wait for a typed line.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/commapi/commapi.h"
#include "platform/interrupt.h"
#include "platform/threads.h"
#include "tests/support/LambdaThread.h"
#include "tests/support/pty.h"

namespace {

using platform::interrupt::ReadStandardInputLine;

// The threads of this process but the calling one that let SIGINT, SIGTERM
// or SIGHUP in.
std::vector<std::string> ThreadsTakingCtrlC() {
  const std::string me = std::to_string(::syscall(SYS_gettid));
  const unsigned long long stop =
      (1ull << (SIGINT - 1)) | (1ull << (SIGTERM - 1)) | (1ull << (SIGHUP - 1));
  std::vector<std::string> taking;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream status(task.path() / "status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind("SigBlk:", 0) == 0 && task.path().filename() != me &&
          (std::stoull(line.substr(7), nullptr, 16) & stop) != stop)
        taking.push_back(task.path().filename());
    }
  }
  return taking;
}

TEST(Interrupt, NoThreadTheProgramStartsTakesCtrlC) {
  // A monitoring thread's kind, the real-time clock's and a port watcher's.
  platform::Event stop(true, false);
  testsupport::LambdaThread worker([&] {
    platform::Event* events[] = {&stop};
    platform::WaitAny(events);
  });
  worker.Resume();
  platform::clock::UseVirtualTime(false);
  const platform::clock::TimerId tick = platform::clock::ScheduleAfter(60000, [] {});
  using namespace commapi;
  testsupport::PtyPort pty(7);
  HANDLE port = CreateFileA(pty.DeviceName().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  OVERLAPPED record{};
  record.hEvent = CreateEventA(nullptr, 1, 0, nullptr);
  DWORD events = 0;
  ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
  WaitCommEvent(port, &events, &record);  // starts the watcher

  EXPECT_EQ(ThreadsTakingCtrlC(), std::vector<std::string>{});
  CloseHandle(port);
  CloseHandle(record.hEvent);
  platform::clock::Cancel(tick);
  stop.Set();
}

std::atomic<int> interruptsSeen{0};

TEST(Interrupt, CtrlCEndsAPromptAndEveryPromptAfterIt) {
  // Standard input is a pipe the test types into.
  const int saved = ::dup(STDIN_FILENO);
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  ::dup2(ends[0], STDIN_FILENO);
  ::close(ends[0]);
  auto type = [&](const std::string& text) {
    ASSERT_EQ(::write(ends[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
  };

  type("5551234\r\nhalf a li");
  int serves = 0;
  {
    const platform::interrupt::Catcher catcher([] { ++interruptsSeen; });
    EXPECT_EQ(ReadStandardInputLine([] {}), "5551234");
    // The user stops while the prompt waits for the rest of the line.
    EXPECT_EQ(ReadStandardInputLine([&] {
                if (++serves == 15) ::kill(::getpid(), SIGINT);
              }),
              std::nullopt);
    EXPECT_EQ(interruptsSeen, 1);
    EXPECT_EQ(platform::interrupt::Caught(), 1);
    type("more\n");
    EXPECT_EQ(ReadStandardInputLine([] {}), std::nullopt) << "no prompt after Ctrl+C";
  }
  EXPECT_GE(serves, 15);
  // Without a catcher the read goes on; a line too long to be an answer is
  // none, and a last line without a break counts.
  type(std::string(platform::interrupt::kLongestLine + 2, 'x') + "\nlast");
  ::close(ends[1]);
  EXPECT_EQ(ReadStandardInputLine([] {}), "more");
  EXPECT_EQ(ReadStandardInputLine([] {}), std::nullopt);
  EXPECT_EQ(ReadStandardInputLine([] {}), "x");  // what the bound left unread
  EXPECT_EQ(ReadStandardInputLine([] {}), "last");
  EXPECT_EQ(ReadStandardInputLine([] {}), std::nullopt);
  ::dup2(saved, STDIN_FILENO);
  ::close(saved);
}

}  // namespace
