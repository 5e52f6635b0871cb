// The Win32 window's boxes and the console prompt, in a real window and
// console (under Xvfb).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#undef MessageBox

#include <atomic>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/interrupt.h"
#include "platform/threads.h"
#include "platform/toolkit/toolkit.h"
#include "platform/toolkit/window_backend.h"
#include "tests/support/LambdaThread.h"

namespace {

class Win32Window : public testing::Test {
 protected:
  Win32Window() {
    platform::SetMainThread();
    int argc = 0;
    app.SetBackend(toolkit::MakeWindowBackend(argc, nullptr));
    form.Caption = "Telvora";
    form.ClientMemo = &log;
    app.GetBackend().Show(form);
  }
  ~Win32Window() override {
    app.GetBackend().CloseWindow(form);
    app.SetBackend(nullptr);
  }

  toolkit::Application& app = toolkit::Application::Instance();
  toolkit::TMemo log{"Output_Memo"};
  toolkit::TForm form{"Main_Form"};
};

// Presses OK on this thread's box of that caption; false when there is none.
bool PressOk(const wchar_t* caption) {
  HWND box = FindWindowW(L"#32770", caption);
  return box != nullptr && PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// A box opened from within another (a port error behind "Action Required")
// serves the port's thread while it shows, and the outer box goes on serving
// it once the inner one is closed.
TEST_F(Win32Window, ABoxOpenedFromWithinAnotherKeepsBothServing) {
  std::vector<std::string> steps;
  std::atomic<bool> outerClosedByHand = false;
  testsupport::LambdaThread closesInner([&] {
    platform::Synchronize([&] { steps.push_back(PressOk(L"Inner") ? "inner closed" : "no inner"); });
  });
  testsupport::LambdaThread opensInner([&] {
    platform::Synchronize([&] {
      closesInner.Resume();
      toolkit::ShowMessageBox("Inner", "From within the outer box", toolkit::MessageIcon::None);
      steps.push_back("inner returned");
    });
    platform::Synchronize([&] { steps.push_back(PressOk(L"Outer") ? "outer closed" : "no outer"); });
  });
  // Unserved, the test would hang: the box is closed by hand after a while.
  platform::Event done(true, false);
  testsupport::LambdaThread watchdog([&] {
    platform::Event* events[] = {&done};
    if (!platform::WaitAny(events, 20000)) outerClosedByHand = PressOk(L"Outer");
  });
  watchdog.Resume();
  opensInner.Resume();
  toolkit::ShowMessageBox("Outer", "Opened by the user", toolkit::MessageIcon::None);
  done.Set();
  watchdog.WaitFor();
  opensInner.WaitFor();
  EXPECT_FALSE(outerClosedByHand);
  EXPECT_EQ(steps, (std::vector<std::string>{"inner closed", "inner returned", "outer closed"}));
}

// Moved to a monitor of twice the DPI, the window takes the size the system
// suggests, and the log's and the status bar's fonts grow with it.
TEST_F(Win32Window, AMonitorOfAnotherDpiRescalesTheWindow) {
  const HWND window = FindWindowW(nullptr, L"Telvora");
  ASSERT_NE(window, nullptr);
  const HWND memo = FindWindowExW(window, nullptr, L"EDIT", nullptr);
  const HWND bar = FindWindowExW(window, nullptr, STATUSCLASSNAMEW, nullptr);
  const auto fontHeight = [](HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    return std::abs(font.lfHeight);
  };
  const LONG memoFont = fontHeight(memo), barFont = fontHeight(bar);
  RECT suggested{20, 20, 20 + 1100, 20 + 700};
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
  RECT now{};
  GetWindowRect(window, &now);
  EXPECT_EQ(std::make_pair(now.right - now.left, now.bottom - now.top), std::make_pair(1100L, 700L));
  EXPECT_NEAR(fontHeight(memo), 2 * memoFont, 1);
  EXPECT_NEAR(fontHeight(bar), 2 * barFont, 1);
}

INPUT_RECORD Key(wchar_t c, WORD key, bool down = true) {
  INPUT_RECORD record{KEY_EVENT, {}};
  record.Event.KeyEvent = {down, 1, key, 0, {c}, 0};
  return record;
}

void Put(HANDLE input, const std::vector<INPUT_RECORD>& records) {
  DWORD written = 0;
  WriteConsoleInputW(input, records.data(), static_cast<DWORD>(records.size()), &written);
}

// The console prompt of --run: focus, mouse, a shift key and keys let go wake
// its wait but are no line, and it goes on serving the port until one comes.
TEST(ConsolePrompt, KeepsServingWhileTheConsoleDeliversOtherEvents) {
  const auto open = [] {
    return CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
  };
  HANDLE input = open();
  if (input == INVALID_HANDLE_VALUE && FreeConsole() && AllocConsole()) input = open();  // CTest's
  ASSERT_NE(input, INVALID_HANDLE_VALUE);
  const HANDLE standardInput = GetStdHandle(STD_INPUT_HANDLE);
  SetStdHandle(STD_INPUT_HANDLE, input);
  SetConsoleMode(input, ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT);
  INPUT_RECORD focus{FOCUS_EVENT, {}}, mouse{MOUSE_EVENT, {}};
  Put(input, {focus, mouse, Key(0, VK_SHIFT), Key(L'x', 'X', false)});
  const auto type = [input] { Put(input, {Key(L'o', 'O'), Key(L'k', 'K'), Key(L'\r', VK_RETURN)}); };
  // A prompt stuck in its read is answered after a while, so the test ends.
  platform::Event answered(true, false);
  std::atomic<bool> stuck = false;
  testsupport::LambdaThread watchdog([&] {
    platform::Event* events[] = {&answered};
    if (platform::WaitAny(events, 5000)) return;
    stuck = true;
    type();
  });
  watchdog.Resume();
  int served = 0;
  const auto line = platform::interrupt::ReadStandardInputLine([&] {
    if (++served == 5) type();
  });
  answered.Set();
  watchdog.WaitFor();
  SetStdHandle(STD_INPUT_HANDLE, standardInput);
  CloseHandle(input);
  EXPECT_EQ(line, "ok");
  EXPECT_FALSE(stuck);
}

}  // namespace
