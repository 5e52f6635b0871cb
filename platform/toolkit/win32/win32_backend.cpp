// The Win32 backend: the main window, the message loop, the modal prompt and
// boxes, the error box and the clipboard. A synchronised call from the
// port's thread wakes the user-interface thread with a posted window message.
#include "platform/toolkit/win32/main_window.h"
// After <windows.h>:
#include <commctrl.h>
#include <commdlg.h>

#include <atomic>
#include <cstring>
#include <memory>

#include "platform/toolkit/win32/dpi.h"
#include "platform/toolkit/window_backend.h"
#include "platform/utf16_win32.h"

namespace toolkit {

using platform::Utf16;
using platform::Utf8;

namespace {

constexpr int kMaxPromptLength = 255;
// How often an open modal box looks for synchronised calls and timer ticks
// besides being woken.
constexpr UINT kModalServiceMs = 10;

// The prompt's frame; its controls are made in WM_INITDIALOG.
struct alignas(4) PromptTemplate {
  DLGTEMPLATE dialog;
  WORD menu = 0, windowClass = 0, title = 0;
};

struct Prompt {
  std::wstring title, label, value;
  Font font;  // for the dialog's DPI, made with its controls
};

HWND AddControl(HWND dialog, HFONT font, const wchar_t* type, const std::wstring& text,
                DWORD style, int id, RECT at) {
  HWND control = CreateWindowExW(type == std::wstring(L"EDIT") ? WS_EX_CLIENTEDGE : 0, type,
                                 text.c_str(), WS_CHILD | WS_VISIBLE | style, at.left, at.top,
                                 at.right - at.left, at.bottom - at.top, dialog,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  return control;
}

constexpr int kEditId = 10;

INT_PTR CALLBACK PromptProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* prompt = reinterpret_cast<Prompt*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      prompt = reinterpret_cast<Prompt*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      SetWindowTextW(dialog, prompt->title.c_str());
      const UINT dpi = GetDpiForWindow(dialog);
      const auto px = [dpi](int length) { return Scaled(length, dpi); };  // from 100 %
      prompt->font = MessageFont(dpi);
      HFONT font = prompt->font.Get();
      RECT client{};
      GetClientRect(dialog, &client);
      const int w = client.right, h = client.bottom;
      AddControl(dialog, font, L"STATIC", prompt->label, 0, -1, {px(12), px(12), w - px(12), px(30)});
      HWND edit = AddControl(dialog, font, L"EDIT", prompt->value, WS_TABSTOP | ES_AUTOHSCROLL,
                             kEditId, {px(12), px(34), w - px(12), px(58)});
      AddControl(dialog, font, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK,
                 {w - px(184), h - px(38), w - px(100), h - px(12)});
      AddControl(dialog, font, L"BUTTON", L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL,
                 {w - px(96), h - px(38), w - px(12), h - px(12)});
      SendMessageW(edit, EM_LIMITTEXT, kMaxPromptLength, 0);
      SendMessageW(edit, EM_SETSEL, 0, -1);  // typing replaces the old value
      SetFocus(edit);
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        wchar_t text[kMaxPromptLength + 1] = {};
        GetDlgItemTextW(dialog, kEditId, text, kMaxPromptLength + 1);
        prompt->value = text;
        EndDialog(dialog, IDOK);
      } else if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
      }
      return TRUE;
    default:
      return FALSE;
  }
}

class Win32Backend final : public Backend {
 public:
  Win32Backend() : thread_(GetCurrentThreadId()) {
    // Started from Explorer, the console was made for this program alone: a
    // window needs none.
    DWORD processes[2];
    if (GetConsoleProcessList(processes, 2) == 1) FreeConsole();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
  }

  void Show(TForm& form) override {
    window_ = std::make_unique<MainWindow>(form);
    handle_ = window_->Handle();
    ShowWindow(window_->Handle(), SW_SHOWNORMAL);
    UpdateWindow(window_->Handle());
    SetForegroundWindow(window_->Handle());
  }

  void PumpEvents() override {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (window_ && window_->TranslateShortcut(message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

  void WaitForEvents(int maxMs) override {
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(maxMs), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }

  void Wake() override {
    if (HWND window = handle_.load()) {
      PostMessageW(window, MainWindow::kWakeMessage, 0, 0);
    } else {
      PostThreadMessageW(thread_, WM_NULL, 0, 0);
    }
  }

  void CloseWindow(TForm& form) override {
    if (!window_ || &window_->Form() != &form) return;
    handle_ = nullptr;
    window_.reset();
  }

  bool InputQuery(const std::string& title, const std::string& label,
                  std::string& value) override {
    Prompt prompt{Utf16(title), Utf16(label), Utf16(value), {}};
    PromptTemplate frame{};
    frame.dialog.style = DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    frame.dialog.cx = 220;
    frame.dialog.cy = 60;
    const INT_PTR result = Modal([&](HWND owner) {
      return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &frame.dialog, owner,
                                     PromptProcedure, reinterpret_cast<LPARAM>(&prompt));
    });
    if (result != IDOK) return false;
    value = Utf8(prompt.value);
    return true;
  }

  void MessageBox(const std::string& caption, const std::string& text,
                  MessageIcon icon) override {
    Modal([&](HWND owner) {
      return MessageBoxW(owner, Utf16(text).c_str(), Utf16(caption).c_str(),
                         MB_OK | (icon == MessageIcon::Warning ? MB_ICONWARNING : 0));
    });
  }

  bool AskYesNo(const std::string& caption, const std::string& text) override {
    return Modal([&](HWND owner) {
             return MessageBoxW(owner, Utf16(text).c_str(), Utf16(caption).c_str(),
                                MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
           }) == IDYES;
  }

  bool SaveFileName(const std::string& title, std::string& path) override {
    std::wstring file = Utf16(path);
    file.resize(MAX_PATH * 4);
    const std::wstring caption = Utf16(title);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = handle_.load();
    dialog.lpstrFilter = L"Text files (*.txt)\0*.txt\0All files (*.*)\0*.*\0";
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = caption.c_str();
    dialog.lpstrDefExt = L"txt";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (!Modal([&](HWND) { return static_cast<INT_PTR>(GetSaveFileNameW(&dialog)); })) {
      return false;
    }
    path = Utf8(file.c_str());
    return true;
  }

  void ShowError(const std::string& message) override {
    const std::wstring title = window_ ? Utf16(window_->Form().Caption) : L"Error";
    Modal([&](HWND owner) {
      return MessageBoxW(owner, Utf16(message).c_str(), title.c_str(), MB_OK | MB_ICONERROR);
    });
  }

  void SetClipboardText(const std::string& text) override {
    const std::wstring wide = Utf16(text);
    if (!OpenClipboard(handle_.load())) return;
    EmptyClipboard();
    const SIZE_T bytes = (wide.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
      std::memcpy(GlobalLock(memory), wide.c_str(), bytes);
      GlobalUnlock(memory);
      // The clipboard owns the memory once it takes it.
      if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
  }

  std::string ClipboardText() override {
    std::string text;
    if (!OpenClipboard(handle_.load())) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
      if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
        text = Utf8(wide);
        GlobalUnlock(data);
      }
    }
    CloseClipboard();
    return text;
  }

 private:
  // Runs a modal box or dialog over the window. Meanwhile a timer on the
  // window keeps serving synchronised calls and timer ticks, as behind any
  // modal box; posted requests wait for the main loop. A box opened by a
  // call served from within another leaves the timer to the outer one.
  template <typename Show>
  INT_PTR Modal(Show show) {
    HWND owner = handle_.load();
    if (owner && modalDepth_++ == 0)
      SetTimer(owner, MainWindow::kModalServiceTimer, kModalServiceMs, nullptr);
    const INT_PTR result = show(owner);
    if (owner && --modalDepth_ == 0) KillTimer(owner, MainWindow::kModalServiceTimer);
    return result;
  }

  const DWORD thread_;
  int modalDepth_ = 0;  // boxes open over the window, one within another
  std::atomic<HWND> handle_{nullptr};
  std::unique_ptr<MainWindow> window_;
};

}  // namespace

std::unique_ptr<Backend> MakeWindowBackend(int&, char**) {
  return std::make_unique<Win32Backend>();
}

}  // namespace toolkit
