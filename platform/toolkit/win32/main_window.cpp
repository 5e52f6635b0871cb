#include "platform/toolkit/win32/main_window.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/toolkit/win32/font_dc.h"
#include "platform/toolkit/win32/win32_text.h"
#include "platform/toolkit/win32/window_class.h"

namespace toolkit {

namespace {

constexpr wchar_t kClassName[] = L"TelvoraMainWindow";
constexpr UINT kFirstCommand = 100;
constexpr UINT_PTR kStatusClockTimer = 1;

// What the menu shows for an item: the caption, and in a drop-down menu its
// shortcut after a tab (the bar has no column for it).
std::wstring MenuText(const TMenuItem& item) {
  std::wstring text = Wide(item.Caption());
  const std::string shortcut = ShortCutToText(item.ShortCut());
  const bool onTheBar = item.Parent() != nullptr && item.Parent()->Parent() == nullptr;
  if (!shortcut.empty() && !onTheBar) text += L"\t" + Wide(shortcut);
  return text;
}

}  // namespace

MainWindow::MainWindow(TForm& form) : form_(form) {
  RegisterWindowClass(kClassName, COLOR_WINDOW);
  HMENU bar = nullptr;
  if (form.Menu) {
    bar = CreateMenu();
    BuildMenu(bar, *form.Menu);
  }
  // The form's place and size are at 100 %; the window opens on the primary monitor.
  const UINT systemDpi = GetDpiForSystem();
  window_ = CreateWindowExW(0, kClassName, Wide(form.Caption).c_str(), WS_OVERLAPPEDWINDOW,
                            Scaled(form.Left, systemDpi), Scaled(form.Top, systemDpi),
                            form.Width > 0 ? Scaled(form.Width, systemDpi) : CW_USEDEFAULT,
                            form.Height > 0 ? Scaled(form.Height, systemDpi) : CW_USEDEFAULT,
                            nullptr, bar, GetModuleHandleW(nullptr), nullptr);
  AttachHandler(window_, this);
  dpi_ = GetDpiForWindow(window_);

  std::vector<ACCEL> keys;
  for (std::size_t i = 0; i < commands_.size(); ++i) {
    const std::uint16_t shortcut = commands_[i].item->ShortCut();
    if (shortcut == 0) continue;
    BYTE flags = FVIRTKEY;
    if (shortcut & scCtrl) flags |= FCONTROL;
    if (shortcut & scAlt) flags |= FALT;
    if (shortcut & scShift) flags |= FSHIFT;
    keys.push_back({flags, static_cast<WORD>(shortcut & 0xFF), static_cast<WORD>(kFirstCommand + i)});
  }
  if (!keys.empty()) shortcuts_ = CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
  // The bars and the pane first: from here on the window may be laid out.
  status_ = std::make_unique<StatusBar>(window_, form.Status, dpi_);
  form.Status.OnChanged = [this] { ShowStatus(); };
  results_ = std::make_unique<ResultPane>(window_, form.Results, dpi_);
  form.Results.OnChanged = [this] { ShowResults(); };

  if (form.ClientMemo) {
    TMemo& memo = *form.ClientMemo;
    memo_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY |
                                ES_AUTOVSCROLL,
                            0, 0, 0, 0, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
    memoFont_ = MakeMemoFont();
    SendMessageW(memo_, WM_SETFONT, memoFont_.Message(), 0);
    SendMessageW(memo_, EM_SETLIMITTEXT, 0, 0);  // no 32 KB cap on the log
    for (const std::string& line : memo.Lines()) AppendLine(line);
    memo.OnLineAdded = [this](const std::string& line) { AppendLine(line); };
    memo.OnCleared = [this] {
      SetWindowTextW(memo_, L"");
      memoEmpty_ = true;
    };
    AddLogMenu(memo);
  }
  Layout();
  // Last: the size takes in the menu bar and the status bar.
  if (form.ClientMemo) SizeToMemo(*form.ClientMemo);
  ShowStatus();
}

MainWindow::~MainWindow() {
  if (form_.ClientMemo) {
    form_.ClientMemo->OnLineAdded = nullptr;
    form_.ClientMemo->OnCleared = nullptr;
  }
  form_.Status.OnChanged = nullptr;
  form_.Results.OnChanged = nullptr;
  results_.reset();
  for (const Command& command : commands_) command.item->OnChanged = nullptr;
  if (shortcuts_) DestroyAcceleratorTable(shortcuts_);
  if (logMenu_) DestroyMenu(logMenu_);
  DetachHandler(window_);
  DestroyWindow(window_);
}

bool MainWindow::TranslateShortcut(MSG& message) {
  return shortcuts_ != nullptr && TranslateAcceleratorW(window_, shortcuts_, &message) != 0;
}

void MainWindow::BuildMenu(HMENU menu, TMenuItem& parent, UINT firstPosition) {
  for (std::size_t i = 0; i < parent.Count(); ++i) {
    TMenuItem& item = parent.Items(i);
    if (item.IsLine()) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    // Submenus get an entry too, so every item can be shown again; separators
    // keep their place, so an item's position in its menu follows its index.
    const UINT id = static_cast<UINT>(kFirstCommand + commands_.size());
    commands_.push_back({&item, menu, firstPosition + static_cast<UINT>(i)});
    if (item.Count() > 0) {
      HMENU sub = CreatePopupMenu();
      BuildMenu(sub, item);
      AppendMenuW(menu, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(sub),
                  MenuText(item).c_str());
    } else {
      AppendMenuW(menu, MF_STRING, id, MenuText(item).c_str());
    }
    item.OnChanged = [this](TMenuItem& changed) { ShowItem(changed); };
    ShowItem(item);
  }
}

void MainWindow::ShowItem(TMenuItem& item) {
  for (const Command& command : commands_) {
    if (command.item != &item) continue;
    std::wstring text = MenuText(item);
    MENUITEMINFOW change{};
    change.cbSize = sizeof change;
    change.fMask = MIIM_STRING | MIIM_STATE;
    change.dwTypeData = text.data();
    change.fState = (item.Checked() ? MFS_CHECKED : MFS_UNCHECKED) |
                    (item.Enabled() ? MFS_ENABLED : MFS_DISABLED);
    SetMenuItemInfoW(command.menu, command.position, TRUE, &change);
    if (window_) DrawMenuBar(window_);
    return;
  }
}

void MainWindow::RunCommand(UINT id) {
  if (id < kFirstCommand || id - kFirstCommand >= commands_.size()) return;
  TMenuItem& item = *commands_[id - kFirstCommand].item;
  if (item.Count() > 0) return;
  // The click may run a whole procedure; its error ends it, not the window.
  try {
    item.Click();
  } catch (...) {
    Application::Instance().HandleException(std::current_exception());
  }
}

// Fixed pitch at 10 points, the size of the window's other text, when the
// memo asks for it; otherwise the window's own font.
Font MainWindow::MakeMemoFont() const {
  return form_.ClientMemo->Monospace ? FixedPitchFont(10, dpi_) : MessageFont(dpi_);
}

// The window opens just large enough to show the memo's rows and columns.
void MainWindow::SizeToMemo(const TMemo& memo) {
  if (memo.VisibleColumns <= 0 || memo.VisibleLines <= 0) return;
  SIZE letter{};
  TEXTMETRICW metrics{};
  {
    const FontDc dc(memo_, memoFont_.Get());
    GetTextExtentPoint32W(dc.Get(), L"M", 1, &letter);
    GetTextMetricsW(dc.Get(), &metrics);
  }
  const auto margins = static_cast<DWORD>(SendMessageW(memo_, EM_GETMARGINS, 0, 0));
  RECT size{0, 0,
            memo.VisibleColumns * letter.cx + LOWORD(margins) + HIWORD(margins) +
                GetSystemMetricsForDpi(SM_CXVSCROLL, dpi_) +
                2 * GetSystemMetricsForDpi(SM_CXEDGE, dpi_),
            memo.VisibleLines * metrics.tmHeight + 2 * GetSystemMetricsForDpi(SM_CYEDGE, dpi_) +
                status_->Height()};
  AdjustWindowRectExForDpi(&size, WS_OVERLAPPEDWINDOW, GetMenu(window_) != nullptr, 0, dpi_);
  SetWindowPos(window_, nullptr, 0, 0, size.right - size.left, size.bottom - size.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TMenuItem* MainWindow::ItemAt(HMENU menu, UINT idOrPosition, UINT flags) const {
  for (std::size_t i = 0; i < commands_.size(); ++i) {
    const Command& command = commands_[i];
    const bool here = (flags & MF_POPUP) ? command.menu == menu && command.position == idOrPosition
                                         : kFirstCommand + i == idOrPosition;
    if (here) return command.item;
  }
  return nullptr;
}

void MainWindow::MenuOpening(HMENU popup) {
  for (const Command& command : commands_) {
    if (GetSubMenu(command.menu, static_cast<int>(command.position)) != popup) continue;
    if (!command.item->OnPopup) return;
    try {
      command.item->OnPopup(command.item);
    } catch (...) {
      Application::Instance().HandleException(std::current_exception());
    }
    return;
  }
}

void MainWindow::AppendLine(const std::string& line) {
  const std::wstring text = (memoEmpty_ ? L"" : L"\r\n") + Wide(line);
  memoEmpty_ = false;
  const LRESULT end = SendMessageW(memo_, WM_GETTEXTLENGTH, 0, 0);
  SendMessageW(memo_, EM_SETSEL, end, end);
  SendMessageW(memo_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(memo_, EM_SCROLLCARET, 0, 0);
}

void MainWindow::ShowStatus() {
  status_->Show();
  if (form_.Status.ClockRunning()) {
    SetTimer(window_, kStatusClockTimer, 1000, nullptr);
  } else {
    KillTimer(window_, kStatusClockTimer);
  }
}

// The pane goes beside the log; the window widens for it rather than
// squeezing the log's columns.
void MainWindow::ShowResults() {
  const bool widen = form_.Results.Visible() && !results_->Shown() && IsZoomed(window_) == FALSE;
  results_->Refresh();
  if (!widen) return Layout();
  RECT at{};
  GetWindowRect(window_, &at);
  // Its WM_SIZE lays the window out.
  SetWindowPos(window_, nullptr, 0, 0, at.right - at.left + results_->Width(), at.bottom - at.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::Layout() {
  status_->Show();
  RECT client{};
  GetClientRect(window_, &client);
  const int height = client.bottom - status_->Height();
  const int logWidth =
      form_.Results.Visible() ? std::max(static_cast<int>(client.right) - results_->Width(), 0)
                              : static_cast<int>(client.right);
  if (memo_) MoveWindow(memo_, 0, 0, logWidth, height, TRUE);
  results_->Place(logWidth, 0, height);
}

void MainWindow::ChangeDpi(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  if (memo_) {
    Font font = MakeMemoFont();
    SendMessageW(memo_, WM_SETFONT, font.Message(), TRUE);
    std::swap(memoFont_, font);
  }
  status_->ChangeDpi(dpi);
  results_->ChangeDpi(dpi);
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  Layout();  // also when the size stayed
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) <= 1 && lParam == 0) RunCommand(LOWORD(wParam));
      return 0;
    case WM_SIZE:
      Layout();
      return 0;
    case WM_DPICHANGED:
      ChangeDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_INITMENUPOPUP:
      MenuOpening(reinterpret_cast<HMENU>(wParam));
      return 0;
    case WM_MENUSELECT: {
      // The highlighted item's hint; nothing highlighted, or the menu closed,
      // brings back the phase.
      const TMenuItem* item = ItemAt(reinterpret_cast<HMENU>(lParam), LOWORD(wParam), HIWORD(wParam));
      status_->ShowHint(item && HIWORD(wParam) != 0xFFFF ? WideFromUtf8(item->Hint()) : L"");
      return 0;
    }
    case WM_EXITMENULOOP:
      status_->ShowHint(L"");
      return 0;
    case WM_DRAWITEM: {
      const auto& part = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (part.hwndItem == status_->Handle()) status_->Draw(part);
      return TRUE;
    }
    case WM_TIMER:
      if (wParam == kStatusClockTimer) ShowStatus();
      if (wParam == kModalServiceTimer) Application::Instance().ServeWhileModal();
      return 0;
    case kWakeMessage:
      // Only behind a modal box; otherwise the main loop or a wait does the work.
      if (IsWindowEnabled(window_) == FALSE) Application::Instance().ServeWhileModal();
      return 0;
    case WM_CLOSE:
      form_.CloseRequested();
      return 0;
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

}  // namespace toolkit
