// Ctrl+C on Windows: a console control handler, which the console calls on a
// thread of its own, so no thread of the program is ever interrupted.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <iostream>
#include <mutex>
#include <thread>

#include "platform/interrupt.h"
#include "platform/utf16_win32.h"

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

// A console is looked at before it is read: a key pressed starts the read,
// which then waits for the line, as a console in line mode does. The other
// records it delivers (focus, mouse, menu, size, a key let go or a shift
// key alone) keep its handle signalled: they are taken away, or the read
// would block until a line came and the port would go unserved meanwhile.
// The line is read as the console keeps it, in UTF-16.
class ConsoleReader {
 public:
  // The next byte of the line (UTF-8), waiting at most kServeMs for a key.
  Got Take(HANDLE input, char& byte) {
    if (line_.empty()) {
      if (WaitForSingleObject(input, kServeMs) != WAIT_OBJECT_0) return Got::kNothing;
      INPUT_RECORD records[16];
      DWORD count = 0;
      if (!PeekConsoleInputW(input, records, 16, &count)) return Got::kEnd;
      DWORD others = 0;
      while (others < count && !KeyPressed(records[others])) ++others;
      if (others > 0) {
        ReadConsoleInputW(input, records, others, &count);
        return Got::kNothing;
      }
      if (count == 0) return Got::kNothing;
      wchar_t text[kLongestLine + 2];
      DWORD read = 0;
      // Nothing read: Ctrl+C ended the read. Ctrl+Z first: the end of the input.
      if (!ReadConsoleW(input, text, kLongestLine + 2, &read, nullptr) || read == 0 ||
          text[0] == L'\x1a')
        return Got::kEnd;
      line_ = Utf8({text, read});
    }
    byte = line_.front();
    line_.erase(0, 1);
    return Got::kByte;
  }

 private:
  static bool KeyPressed(const INPUT_RECORD& record) {
    if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) return false;
    switch (record.Event.KeyEvent.wVirtualKeyCode) {
      case VK_SHIFT:
      case VK_CONTROL:
      case VK_MENU:
      case VK_LWIN:
      case VK_RWIN:
      case VK_CAPITAL:
      case VK_NUMLOCK:
      case VK_SCROLL:
        return false;
      default:
        return true;
    }
  }

  std::string line_;  // read from the console, not taken yet
};

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return GetConsoleMode(handle, &mode) != 0;
}

// The next byte of standard input, or nothing yet after a short wait. A
// file (or the NUL device) never keeps the reader waiting.
Got NextByte(HANDLE input, char& byte) {
  static ConsoleReader console;
  if (IsConsole(input)) return console.Take(input, byte);
  if (GetFileType(input) == FILE_TYPE_PIPE) return PipeReader::For(input).Take(byte);
  return ReadByte(input, byte);
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

// The C library would hand the console UTF-8 bytes, which it shows in its
// own code page (437, 850, ...): 測試 would come out as six signs.
void WriteToTerminal(std::ostream& terminal, std::string_view text) {
  const HANDLE console = &terminal == &std::cout   ? GetStdHandle(STD_OUTPUT_HANDLE)
                         : &terminal == &std::cerr ? GetStdHandle(STD_ERROR_HANDLE)
                                                   : nullptr;
  if (console == nullptr || !IsConsole(console)) {
    terminal.write(text.data(), static_cast<std::streamsize>(text.size()));
    return;
  }
  terminal.flush();  // what went before comes first
  std::fflush(&terminal == &std::cout ? stdout : stderr);
  const std::wstring wide = Utf16(text);
  DWORD written = 0;
  if (!WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr))
    terminal.setstate(std::ios::badbit);
}

}  // namespace platform::interrupt
