// The Win32 window's boxes and texts, in a real window (under Xvfb).
#include <gtest/gtest.h>
#include <windows.h>
#undef MessageBox

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

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
    app.GetBackend().Show(form);
  }
  ~Win32Window() override {
    app.GetBackend().CloseWindow(form);
    app.SetBackend(nullptr);
  }

  toolkit::Application& app = toolkit::Application::Instance();
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

std::wstring ClipboardOfTheSystem() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const wchar_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

void PutOnClipboard(const std::wstring& text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  std::memcpy(GlobalLock(memory), text.c_str(), bytes);
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
}

// The program's texts are UTF-8, the system's UTF-16, both ways (the save
// dialog's file name and the prompt's answer come back as the clipboard's
// text does); bytes a modem sent that are no UTF-8 show one character each.
TEST_F(Win32Window, TextsReachTheSystemAsUtf16AndComeBackAsUtf8) {
  toolkit::SetClipboardText("C:\\Łukasz\\測試\\log.txt");
  EXPECT_EQ(ClipboardOfTheSystem(), L"C:\\Łukasz\\測試\\log.txt");
  toolkit::SetClipboardText("ATI3 \xe9t\xe9");
  EXPECT_EQ(ClipboardOfTheSystem(), L"ATI3 été");
  PutOnClipboard(L"D:\\測試\\Łukasz.trace");
  EXPECT_EQ(toolkit::ClipboardText(), "D:\\測試\\Łukasz.trace");
}

}  // namespace
