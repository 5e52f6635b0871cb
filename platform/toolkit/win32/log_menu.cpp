// The log's context menu, in place of the edit control's own (which offers
// editing a read-only log does not have): Copy, Select All, then the memo's
// PopupMenu items, as the Qt window's log menu.
#include "platform/toolkit/win32/main_window.h"
// After <windows.h>:
#include <commctrl.h>

namespace toolkit {

namespace {

// Below the menu commands' ids.
enum LogCommand : UINT { kCopy = 1, kSelectAll = 2 };

}  // namespace

void MainWindow::AddLogMenu(TMemo& memo) {
  logMenu_ = CreatePopupMenu();
  AppendMenuW(logMenu_, MF_STRING, kCopy, L"&Copy\tCtrl+C");
  AppendMenuW(logMenu_, MF_STRING, kSelectAll, L"Select &All");
  if (memo.PopupMenu) {
    AppendMenuW(logMenu_, MF_SEPARATOR, 0, nullptr);
    BuildMenu(logMenu_, *memo.PopupMenu, 3);
  }
  SetWindowSubclass(memo_, &MainWindow::LogProcedure, 0, reinterpret_cast<DWORD_PTR>(this));
}

void MainWindow::ShowLogMenu(LPARAM at) {
  POINT where{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
  if (at == -1) {  // from the keyboard: at the log's corner
    where = {0, 0};
    ClientToScreen(memo_, &where);
  }
  DWORD start = 0, end = 0;
  SendMessageW(memo_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EnableMenuItem(logMenu_, kCopy, MF_BYCOMMAND | (start == end ? MF_GRAYED : MF_ENABLED));
  const UINT chosen = static_cast<UINT>(TrackPopupMenu(
      logMenu_, TPM_RETURNCMD | TPM_RIGHTBUTTON, where.x, where.y, 0, window_, nullptr));
  if (chosen == kCopy) {
    SendMessageW(memo_, WM_COPY, 0, 0);
  } else if (chosen == kSelectAll) {
    SendMessageW(memo_, EM_SETSEL, 0, -1);
  } else if (chosen != 0) {
    RunCommand(chosen);
  }
}

LRESULT CALLBACK MainWindow::LogProcedure(HWND log, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR self) {
  if (message == WM_CONTEXTMENU) {
    reinterpret_cast<MainWindow*>(self)->ShowLogMenu(lParam);
    return 0;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(log, &MainWindow::LogProcedure, 0);
  return DefSubclassProc(log, message, wParam, lParam);
}

}  // namespace toolkit
