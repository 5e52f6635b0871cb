#include "platform/toolkit/win32/status_bar.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "platform/toolkit/win32/font_dc.h"
#include "platform/utf16_win32.h"

namespace toolkit {

using platform::Utf16;

namespace {

// The parts from the left; the lamps follow the port, the elapsed time ends it.
enum Part : int { kText, kProgress, kPort, kFirstLamp };
// The progress bar gives way to the phase (up to a width) down to its least
// width. Lengths at 100 %.
constexpr int kProgressWidth = 260, kLeastProgressWidth = 120, kLeastTextWidth = 220;
constexpr int kElapsedWidth = 70;
constexpr int kTextPadding = 16;  // a part's borders and margins around its text
constexpr int kLampPadding = 14;  // the lamp's own margins and the gap to the next

std::wstring PortText(const TLineState& line) {
  return Utf16(line.port + (line.speed.empty() ? "" : "  \u00b7  " + line.speed));
}

// A lamp lit, dark, or greyed out when nothing is known, as the Qt window
// draws them.
struct LampLook {
  COLORREF fill, text, border;
  bool filled;
};

LampLook LookOf(LampState state) {
  switch (state) {
    case LampState::On:
      return {RGB(0x2e, 0x9d, 0x3a), RGB(0xff, 0xff, 0xff), RGB(0x1b, 0x5e, 0x20), true};
    case LampState::Off:
      return {RGB(0x3a, 0x3a, 0x3a), RGB(0xe0, 0xe0, 0xe0), RGB(0x20, 0x20, 0x20), true};
    case LampState::Grey:
      break;
  }
  return {0, RGB(0xa0, 0xa0, 0xa0), RGB(0xc8, 0xc8, 0xc8), false};
}

void DrawCentred(HDC dc, const std::wstring& text, RECT at, COLORREF colour) {
  SetTextColor(dc, colour);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &at,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

}  // namespace

StatusBar::StatusBar(HWND parent, const TStatusBar& status, UINT dpi)
    : status_(status), dpi_(dpi), font_(MessageFont(dpi)) {
  bar_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0,
                         0, 0, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(bar_, WM_SETFONT, font_.Message(), 0);
}

void StatusBar::ChangeDpi(UINT dpi) {
  dpi_ = dpi;
  Font font = MessageFont(dpi);
  SendMessageW(bar_, WM_SETFONT, font.Message(), FALSE);
  std::swap(font_, font);
}

int StatusBar::Height() const {
  RECT at{};
  GetWindowRect(bar_, &at);
  return at.bottom - at.top;
}

int StatusBar::TextWidth(const std::wstring& text) const {
  const FontDc dc(bar_, font_.Get());
  SIZE size{};
  GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

// Right to left from the elapsed time: each part as wide as it needs, the
// phase takes the rest.
void StatusBar::SetParts() {
  SendMessageW(bar_, WM_SIZE, 0, 0);
  RECT client{};
  GetClientRect(bar_, &client);
  const TLineState& line = status_.Line();
  std::vector<int> widths{0, 0, TextWidth(PortText(line)) + Px(kTextPadding)};
  for (const TLamp& lamp : line.lamps)
    widths.push_back(TextWidth(Utf16(lamp.name)) + Px(kLampPadding));
  widths.push_back(Px(kElapsedWidth));
  if (status_.Progress().maximum > 0) {
    int room = client.right - std::min(TextWidth(Text()) + Px(kTextPadding), Px(kLeastTextWidth));
    for (int width : widths) room -= width;
    widths[kProgress] = std::clamp(room, Px(kLeastProgressWidth), Px(kProgressWidth));
  }
  std::vector<int> rights(widths.size(), -1);
  int right = client.right;
  for (std::size_t i = widths.size() - 1; i > 0; --i) {
    right -= widths[i];
    rights[i - 1] = right;
  }
  SendMessageW(bar_, SB_SETPARTS, rights.size(), reinterpret_cast<LPARAM>(rights.data()));
}

void StatusBar::Show() {
  SetParts();
  const std::wstring text = Text();
  SendMessageW(bar_, SB_SETTEXTW, kText, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(bar_, SB_SETTEXTW, kProgress | SBT_OWNERDRAW | SBT_NOBORDERS, 0);
  SendMessageW(bar_, SB_SETTEXTW, kPort, reinterpret_cast<LPARAM>(PortText(status_.Line()).c_str()));
  const int lamps = static_cast<int>(status_.Line().lamps.size());
  for (int i = 0; i < lamps; ++i)
    SendMessageW(bar_, SB_SETTEXTW, (kFirstLamp + i) | SBT_OWNERDRAW | SBT_NOBORDERS, 0);
  const std::wstring elapsed =
      status_.ClockRunning() ? Utf16(TStatusBar::FormatElapsed(status_.ElapsedSeconds())) : L"";
  SendMessageW(bar_, SB_SETTEXTW, kFirstLamp + lamps, reinterpret_cast<LPARAM>(elapsed.c_str()));
  // An owner-drawn part given the same data again is not redrawn on its own.
  InvalidateRect(bar_, nullptr, FALSE);
}

std::wstring StatusBar::Text() const {
  return hint_.empty() ? Utf16(status_.Text()) : hint_;
}

void StatusBar::ShowHint(std::wstring hint) {
  if (hint == hint_) return;
  hint_ = std::move(hint);
  Show();
}

void StatusBar::Draw(const DRAWITEMSTRUCT& part) const {
  const int index = static_cast<int>(part.itemID);
  const std::vector<TLamp>& lamps = status_.Line().lamps;
  const int saved = SaveDC(part.hDC);
  SelectObject(part.hDC, font_.Get());
  SetBkMode(part.hDC, TRANSPARENT);
  if (index == kProgress && status_.Progress().maximum > 0) DrawProgress(part.hDC, part.rcItem);
  if (index >= kFirstLamp && index - kFirstLamp < static_cast<int>(lamps.size()))
    DrawLamp(part.hDC, part.rcItem, lamps[static_cast<std::size_t>(index - kFirstLamp)]);
  RestoreDC(part.hDC, saved);
}

// A frame, the done share filled, and the text on it: light on the filled
// share, dark on the rest.
void StatusBar::DrawProgress(HDC dc, RECT at) const {
  const TProgress& progress = status_.Progress();
  const int line = Px(1);
  InflateRect(&at, -line, -line);
  FillRect(dc, &at, GetSysColorBrush(COLOR_BTNSHADOW));  // the frame, inside it filled below
  InflateRect(&at, -line, -line);
  RECT done = at, rest = at;
  const int share = progress.position < progress.maximum ? progress.position : progress.maximum;
  done.right = at.left + MulDiv(at.right - at.left, share > 0 ? share : 0, progress.maximum);
  rest.left = done.right;
  FillRect(dc, &done, GetSysColorBrush(COLOR_HIGHLIGHT));
  FillRect(dc, &rest, GetSysColorBrush(COLOR_WINDOW));
  const std::wstring text = Utf16(progress.text);
  const struct {
    RECT clip;
    int colour;
  } shares[] = {{done, COLOR_HIGHLIGHTTEXT}, {rest, COLOR_WINDOWTEXT}};
  for (const auto& share : shares) {
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, share.clip.left, share.clip.top, share.clip.right, share.clip.bottom);
    DrawCentred(dc, text, at, GetSysColor(share.colour));
    RestoreDC(dc, saved);
  }
}

void StatusBar::DrawLamp(HDC dc, RECT at, const TLamp& lamp) const {
  const LampLook look = LookOf(lamp.state);
  InflateRect(&at, -Px(2), -Px(1));
  HPEN pen = CreatePen(PS_INSIDEFRAME, Px(1), look.border);
  HBRUSH fill = look.filled ? CreateSolidBrush(look.fill) : nullptr;
  SelectObject(dc, pen);
  SelectObject(dc, fill ? static_cast<HGDIOBJ>(fill) : GetStockObject(NULL_BRUSH));
  RoundRect(dc, at.left, at.top, at.right, at.bottom, Px(6), Px(6));
  DrawCentred(dc, Utf16(lamp.name), at, look.text);
  // Out of the DC before they go.
  SelectObject(dc, GetStockObject(NULL_PEN));
  SelectObject(dc, GetStockObject(NULL_BRUSH));
  DeleteObject(pen);
  if (fill) DeleteObject(fill);
}

}  // namespace toolkit
