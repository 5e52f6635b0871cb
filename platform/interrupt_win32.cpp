// Ctrl+C on Windows: a console control handler, which the console calls on a
// thread of its own, so no thread of the program is ever interrupted.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/interrupt.h"

namespace platform::interrupt {

namespace {

constexpr DWORD kServeMs = 10;

std::atomic<int> caught{0};
std::atomic<void (*)()> target{nullptr};

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  caught.fetch_add(1);
  if (void (*fn)() = target.load()) fn();
  return TRUE;
}

enum class Got { kByte, kNothing, kEnd };

Got ReadByte(HANDLE input, char& byte) {
  DWORD got = 0;
  return ReadFile(input, &byte, 1, &got, nullptr) && got == 1 ? Got::kByte : Got::kEnd;
}

// A pipe is read by a thread of its own, a byte at a time, and the prompt
// takes the bytes from here: wine cannot peek into a pipe that stands for a
// Unix one, and a read that blocks would stop the serving. The reader lives
// as long as the program (it may be blocked in its read at the end).
class PipeReader {
 public:
  static PipeReader& For(HANDLE input) {
    static PipeReader* reader = new PipeReader(input);
    return *reader;
  }

  // The next byte, waiting at most kServeMs for it.
  Got Take(char& byte) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, std::chrono::milliseconds(kServeMs),
                      [this] { return !bytes_.empty() || ended_; });
    if (bytes_.empty()) return ended_ ? Got::kEnd : Got::kNothing;
    byte = bytes_.front();
    bytes_.pop_front();
    return Got::kByte;
  }

 private:
  explicit PipeReader(HANDLE input) {
    std::thread([this, input] { Run(input); }).detach();
  }

  void Run(HANDLE input) {
    for (;;) {
      char byte = 0;
      const bool read = ReadByte(input, byte) == Got::kByte;
      std::lock_guard lock(mutex_);
      if (read)
        bytes_.push_back(byte);
      else
        ended_ = true;
      arrived_.notify_all();
      if (!read) return;
    }
  }

  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<char> bytes_;
  bool ended_ = false;
};

// The next byte of standard input, or nothing yet after a short wait. A
// console is read once a key is pressed (the read then waits for the line,
// as a console in line mode does); a file never keeps the reader waiting.
Got NextByte(HANDLE input, char& byte) {
  switch (GetFileType(input)) {
    case FILE_TYPE_PIPE:
      return PipeReader::For(input).Take(byte);
    case FILE_TYPE_CHAR:
      return WaitForSingleObject(input, kServeMs) == WAIT_OBJECT_0 ? ReadByte(input, byte)
                                                                   : Got::kNothing;
    default:
      return ReadByte(input, byte);
  }
}

}  // namespace

Catcher::Catcher(void (*onInterrupt)()) {
  caught.store(0);
  target.store(onInterrupt);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

Catcher::~Catcher() {
  SetConsoleCtrlHandler(OnConsoleControl, FALSE);
  target.store(nullptr);
  caught.store(0);
}

int Caught() { return caught.load(); }

// Nothing to keep away: the handler never runs on a thread of the program.
struct ShieldedScope::Saved {};
ShieldedScope::ShieldedScope() = default;
ShieldedScope::~ShieldedScope() = default;

std::optional<std::string> ReadStandardInputLine(const std::function<void()>& serve) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  std::string line;
  for (;;) {
    if (Caught() > 0) return std::nullopt;
    serve();
    char byte = 0;
    const Got got = NextByte(input, byte);
    if (got == Got::kNothing) continue;
    if (got == Got::kEnd) {
      if (Caught() > 0) return std::nullopt;
      return line.empty() ? std::nullopt : std::optional(line);
    }
    if (byte != '\n') {
      if (line.size() == kLongestLine) return std::nullopt;
      line += byte;
      continue;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }
}

bool StandardOutputIsTerminal() {
  return GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_CHAR;
}

bool StandardErrorIsTerminal() {
  return GetFileType(GetStdHandle(STD_ERROR_HANDLE)) == FILE_TYPE_CHAR;
}

}  // namespace platform::interrupt
