// The main window on Win32: the form's menu bar (captions with their "&"
// accelerators, check marks, disabled items, shortcuts in an accelerator
// table, hints in the status bar while an item is highlighted), the log as a
// read-only multi-line edit control (in a fixed-pitch font when the memo asks
// for one, the window sized to its rows and columns, with its context menu) and the status bar,
// all drawn for the DPI of the monitor the window is on.
#pragma once

#include <windows.h>
#undef MessageBox  // Backend::MessageBox, not the A/W macro

#include <memory>
#include <vector>

#include "platform/toolkit/toolkit.h"
#include "platform/toolkit/win32/dpi.h"
#include "platform/toolkit/win32/result_pane.h"
#include "platform/toolkit/win32/status_bar.h"

namespace toolkit {

class MainWindow {
 public:
  explicit MainWindow(TForm& form);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  HWND Handle() const { return window_; }
  TForm& Form() const { return form_; }
  // Shortcuts first; true when the message was one.
  bool TranslateShortcut(MSG& message);

  static constexpr UINT kWakeMessage = WM_APP + 1;
  static constexpr UINT_PTR kModalServiceTimer = 2;

 private:
  template <typename Handler>
  friend LRESULT CALLBACK HandOver(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  // firstPosition: entries of the window's own before the items.
  void BuildMenu(HMENU menu, TMenuItem& parent, UINT firstPosition = 0);
  void ShowItem(TMenuItem& item);
  void RunCommand(UINT id);
  // The item highlighted in a menu (WM_MENUSELECT); null for none.
  TMenuItem* ItemAt(HMENU menu, UINT idOrPosition, UINT flags) const;
  void MenuOpening(HMENU popup);
  Font MakeMemoFont() const;
  void SizeToMemo(const TMemo& memo);
  void AppendLine(const std::string& line);
  // The log's context menu: Copy, Select All, and the memo's PopupMenu items.
  void AddLogMenu(TMemo& memo);
  void ShowLogMenu(LPARAM at);
  static LRESULT CALLBACK LogProcedure(HWND log, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR, DWORD_PTR self);
  void ShowStatus();
  void ShowResults();
  void Layout();
  // WM_DPICHANGED: fonts and lengths for the new DPI, at the size Windows suggests.
  void ChangeDpi(UINT dpi, const RECT& suggested);

  TForm& form_;
  HWND window_ = nullptr;
  HWND memo_ = nullptr;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  Font memoFont_;  // a fixed-pitch font when the memo asks for one
  std::unique_ptr<StatusBar> status_;
  std::unique_ptr<ResultPane> results_;
  HACCEL shortcuts_ = nullptr;
  HMENU logMenu_ = nullptr;
  bool memoEmpty_ = true;
  struct Command {
    TMenuItem* item;
    HMENU menu;     // the menu that holds it
    UINT position;  // its place there
  };
  std::vector<Command> commands_;  // menu command id - kFirstCommand = index
};

}  // namespace toolkit
