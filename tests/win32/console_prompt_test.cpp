// The console prompt on a real console input (the prompt of --run).
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "platform/interrupt.h"
#include "platform/threads.h"
#include "tests/support/LambdaThread.h"

namespace {

INPUT_RECORD Key(wchar_t c, WORD key, bool down) {
  INPUT_RECORD record{};
  record.EventType = KEY_EVENT;
  record.Event.KeyEvent = {down, 1, key, 0, {}, 0};
  record.Event.KeyEvent.uChar.UnicodeChar = c;
  return record;
}

void Put(HANDLE input, const std::vector<INPUT_RECORD>& records) {
  DWORD written = 0;
  WriteConsoleInputW(input, records.data(), static_cast<DWORD>(records.size()), &written);
}

// Focus, mouse, a shift key and keys let go wake the prompt's wait but are
// no line: the prompt goes on serving the port until one is typed.
TEST(ConsolePrompt, KeepsServingWhileTheConsoleDeliversOtherEvents) {
  const auto openInput = [] {
    return CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
  };
  HANDLE input = openInput();
  if (input == INVALID_HANDLE_VALUE) {  // run by CTest, with no console of its own
    FreeConsole();
    AllocConsole();
    input = openInput();
  }
  ASSERT_NE(input, INVALID_HANDLE_VALUE);
  const HANDLE standardInput = GetStdHandle(STD_INPUT_HANDLE);
  SetStdHandle(STD_INPUT_HANDLE, input);
  SetConsoleMode(input, ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT);
  FlushConsoleInputBuffer(input);
  INPUT_RECORD focus{}, mouse{};
  focus.EventType = FOCUS_EVENT;
  focus.Event.FocusEvent.bSetFocus = TRUE;
  mouse.EventType = MOUSE_EVENT;
  mouse.Event.MouseEvent.dwEventFlags = MOUSE_MOVED;
  Put(input, {focus, mouse, Key(0, VK_SHIFT, true), Key(L'x', 'X', false)});

  const auto typeTheLine = [input] {
    Put(input, {Key(L'o', 'O', true), Key(L'o', 'O', false), Key(L'k', 'K', true),
                Key(L'\r', VK_RETURN, true)});
  };
  // A prompt stuck in its read is answered after a while, so the test ends.
  platform::Event answered(true, false);
  std::atomic<bool> stuck = false;
  testsupport::LambdaThread watchdog([&] {
    platform::Event* events[] = {&answered};
    if (platform::WaitAny(events, 5000)) return;
    stuck = true;
    typeTheLine();
  });
  watchdog.Resume();
  int served = 0;
  const std::optional<std::string> line = platform::interrupt::ReadStandardInputLine([&] {
    if (++served == 5) typeTheLine();
  });
  answered.Set();
  watchdog.WaitFor();
  SetStdHandle(STD_INPUT_HANDLE, standardInput);
  CloseHandle(input);
  EXPECT_EQ(line, "ok");
  EXPECT_FALSE(stuck);
}

}  // namespace
