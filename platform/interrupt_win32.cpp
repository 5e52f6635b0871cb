// Ctrl+C on Windows: a console control handler, which the console calls on a
// thread of its own, so no thread of the program is ever interrupted.
#include <windows.h>

#include <atomic>

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

// True when a byte can be read from standard input without waiting (a pipe
// with data, a file), or after a console key press (the read then waits for
// the line, as a console in line mode does).
bool InputReady(HANDLE input) {
  switch (GetFileType(input)) {
    case FILE_TYPE_PIPE: {
      DWORD available = 0;
      // A closed pipe fails here: the read then reports the end.
      if (!PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr)) return true;
      if (available > 0) return true;
      Sleep(kServeMs);
      return false;
    }
    case FILE_TYPE_CHAR:
      return WaitForSingleObject(input, kServeMs) == WAIT_OBJECT_0;
    default:
      return true;
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
    if (!InputReady(input)) continue;
    char byte = 0;
    DWORD got = 0;
    if (!ReadFile(input, &byte, 1, &got, nullptr) || got == 0) {
      if (Caught() > 0) return std::nullopt;
      return line.empty() ? std::nullopt : std::optional(line);
    }
    if (byte != '\n') {
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

}  // namespace platform::interrupt
