#include "platform/toolkit/win32/result_pane.h"

#include <algorithm>

#include "platform/toolkit/win32/font_dc.h"
#include "platform/toolkit/win32/win32_text.h"
#include "platform/toolkit/win32/window_class.h"

namespace toolkit {

namespace {

constexpr wchar_t kClassName[] = L"TelvoraResultPane";
// Lengths at 100 %.
constexpr int kWidth = 340, kMargin = 8, kGap = 6, kRowHeight = 24, kButtonWidth = 64,
              kCloseSize = 20, kValuePadding = 6;
enum ControlId : int { kClose = 1, kFirstCopy = 100 };

// The mark and the word, so the table reads without colour too.
const wchar_t* OutcomeText(TResults::Outcome outcome) {
  switch (outcome) {
    case TResults::Outcome::Pass:
      return L"\u2714 pass";
    case TResults::Outcome::Fail:
      return L"\u2718 fail";
    case TResults::Outcome::Expected:
      return L"\u2713 as expected";
    case TResults::Outcome::NotRun:
      break;
  }
  return L"\u2013 not run";
}

COLORREF OutcomeColour(TResults::Outcome outcome) {
  switch (outcome) {
    case TResults::Outcome::Pass:
      return RGB(0x1b, 0x7a, 0x2b);
    case TResults::Outcome::Fail:
      return RGB(0xb7, 0x1c, 0x1c);
    case TResults::Outcome::Expected:
      return RGB(0x1f, 0x4e, 0x79);
    case TResults::Outcome::NotRun:
      break;
  }
  return RGB(0x80, 0x80, 0x80);
}

// The room a control's text takes in its font: wrapped to the width, or on
// one line.
RECT TextExtent(HWND control, int width, UINT format) {
  const int length = GetWindowTextLengthW(control);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(control, text.data(), length + 1);
  const FontDc dc(control, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  RECT at{0, 0, width, 0};
  DrawTextW(dc.Get(), text.c_str(), length, &at, DT_CALCRECT | DT_NOPREFIX | format);
  return at;
}

}  // namespace

ResultPane::ResultPane(HWND parent, TResultPane& pane, UINT dpi)
    : pane_(pane),
      dpi_(dpi),
      normal_(MessageFont(dpi)),
      bold_(MessageFont(dpi, FW_BOLD)),
      title_(MessageFont(dpi, FW_BOLD, 120)) {
  RegisterWindowClass(kClassName, COLOR_BTNFACE);
  panel_ = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0, parent,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
  AttachHandler(panel_, this);
  Refresh();
}

ResultPane::~ResultPane() {
  DetachHandler(panel_);
  DestroyWindow(panel_);
}

int ResultPane::Width() const { return Px(kWidth); }

void ResultPane::ChangeDpi(UINT dpi) {
  dpi_ = dpi;
  Font normal = MessageFont(dpi), bold = MessageFont(dpi, FW_BOLD),
       title = MessageFont(dpi, FW_BOLD, 120);
  std::swap(normal_, normal);
  std::swap(bold_, bold);
  std::swap(title_, title);
  // The controls go before the fonts they were drawn in.
  if (header_) Build(pane_.Content());
}

void ResultPane::Refresh() {
  if (pane_.Visible()) Build(pane_.Content());
  ShowWindow(panel_, pane_.Visible() ? SW_SHOWNA : SW_HIDE);
}

void ResultPane::Place(int left, int top, int height) {
  MoveWindow(panel_, left, top, Width(), height, TRUE);
  Layout();
}

HWND ResultPane::Add(const wchar_t* type, const std::wstring& text, DWORD style, int id) {
  HWND control = CreateWindowExW(0, type, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                                 panel_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, normal_.Message(), 0);
  return control;
}

// Made anew for each content, as the pane shows a new run's results.
void ResultPane::Build(const TResults& results) {
  for (HWND child = GetWindow(panel_, GW_CHILD); child; child = GetWindow(panel_, GW_CHILD))
    DestroyWindow(child);
  sentences_.clear();
  fields_.clear();
  header_ = Add(L"STATIC", L"Results", SS_LEFT | SS_NOPREFIX);
  close_ = Add(L"BUTTON", L"\u00d7", BS_PUSHBUTTON, kClose);
  sentences_.push_back(Add(L"STATIC", WideFromUtf8(results.title), SS_LEFT | SS_NOPREFIX));
  SendMessageW(sentences_.back(), WM_SETFONT, title_.Message(), 0);
  for (std::size_t i = 0; i < results.lines.size(); ++i) {
    sentences_.push_back(Add(L"STATIC", WideFromUtf8(results.lines[i]), SS_LEFT | SS_NOPREFIX));
    if (i == 0) SendMessageW(sentences_.back(), WM_SETFONT, bold_.Message(), 0);
  }
  for (std::size_t i = 0; i < results.fields.size(); ++i) {
    const TResults::Field& field = results.fields[i];
    const bool empty = field.value.empty();
    FieldRow row{Add(L"STATIC", WideFromUtf8(field.label), SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE),
                 Add(L"EDIT", empty ? L"(none needed)" : WideFromUtf8(field.value),
                     WS_BORDER | ES_READONLY | ES_AUTOHSCROLL),
                 Add(L"BUTTON", L"Copy", BS_PUSHBUTTON | WS_TABSTOP,
                     kFirstCopy + static_cast<int>(i))};
    EnableWindow(row.value, !empty);
    EnableWindow(row.copy, !empty);
    fields_.push_back(row);
  }
  table_ = results.rows.empty() ? nullptr : MakeTable(results.rows);
  Layout();
}

HWND ResultPane::MakeTable(const std::vector<TResults::Row>& rows) {
  HWND table = Add(WC_LISTVIEWW, L"", WS_BORDER | LVS_REPORT | LVS_NOSORTHEADER | LVS_SINGLESEL);
  SendMessageW(table, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  const wchar_t* headings[] = {L"Check", L"Result"};
  for (int column = 0; column < 2; ++column) {
    LVCOLUMNW heading{};
    heading.mask = LVCF_TEXT | LVCF_SUBITEM;
    heading.pszText = const_cast<wchar_t*>(headings[column]);
    heading.iSubItem = column;
    SendMessageW(table, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&heading));
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::wstring check = WideFromUtf8(rows[i].check);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = check.data();
    SendMessageW(table, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = const_cast<wchar_t*>(OutcomeText(rows[i].outcome));
    SendMessageW(table, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
  }
  return table;
}

// Top to bottom: the header, the sentences wrapped to the width, the fields,
// and the table down to the bottom.
void ResultPane::Layout() {
  if (header_ == nullptr) return;
  const int margin = Px(kMargin), gap = Px(kGap), rowHeight = Px(kRowHeight),
            buttonWidth = Px(kButtonWidth), closeSize = Px(kCloseSize);
  RECT client{};
  GetClientRect(panel_, &client);
  const int width = client.right - 2 * margin;
  MoveWindow(header_, margin, gap, width - closeSize, closeSize, TRUE);
  MoveWindow(close_, client.right - margin - closeSize, gap, closeSize, closeSize, TRUE);
  int y = gap + closeSize + gap;
  for (HWND sentence : sentences_) {
    const int height = TextExtent(sentence, width, DT_WORDBREAK).bottom;
    MoveWindow(sentence, margin, y, width, height, TRUE);
    y += height + gap;
  }
  int labelWidth = 0;
  for (const FieldRow& row : fields_)
    labelWidth = std::max(labelWidth, static_cast<int>(TextExtent(row.label, 0, DT_SINGLELINE).right));
  for (const FieldRow& row : fields_) {
    const int valueLeft = margin + labelWidth + gap;
    const int copyLeft = client.right - margin - buttonWidth;
    MoveWindow(row.label, margin, y, labelWidth, rowHeight, TRUE);
    const int valueHeight = TextExtent(row.value, 0, DT_SINGLELINE).bottom + Px(kValuePadding);
    MoveWindow(row.value, valueLeft, y + (rowHeight - valueHeight) / 2, copyLeft - gap - valueLeft,
               valueHeight, TRUE);
    MoveWindow(row.copy, copyLeft, y, buttonWidth, rowHeight, TRUE);
    y += rowHeight + gap;
  }
  if (table_ == nullptr) return;
  MoveWindow(table_, margin, y, width, client.bottom - margin - y, TRUE);
  SendMessageW(table_, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER);
  SendMessageW(table_, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE_USEHEADER);
}

LRESULT ResultPane::DrawOutcome(NMLVCUSTOMDRAW& draw) const {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
      const std::vector<TResults::Row>& rows = pane_.Content().rows;
      const std::size_t row = draw.nmcd.dwItemSpec;
      draw.clrText = draw.iSubItem == 1 && row < rows.size() ? OutcomeColour(rows[row].outcome)
                                                              : GetSysColor(COLOR_WINDOWTEXT);
      return CDRF_DODEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

LRESULT ResultPane::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == kClose) {
        pane_.Close();
      } else if (id >= kFirstCopy && id - kFirstCopy < static_cast<int>(fields_.size())) {
        // The edit control copies its text as Unicode.
        HWND value = fields_[static_cast<std::size_t>(id - kFirstCopy)].value;
        SendMessageW(value, EM_SETSEL, 0, -1);
        SendMessageW(value, WM_COPY, 0, 0);
      }
      return 0;
    }
    case WM_NOTIFY: {
      auto& header = *reinterpret_cast<NMHDR*>(lParam);
      if (header.hwndFrom == table_ && header.code == NM_CUSTOMDRAW)
        return DrawOutcome(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
      return 0;
    }
    default:
      return DefWindowProcW(panel_, message, wParam, lParam);
  }
}

}  // namespace toolkit
