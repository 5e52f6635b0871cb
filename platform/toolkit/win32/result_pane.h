// The results pane of the Win32 window, beside the log: a header with a close
// button, the title, the sentences (the first, the verdict, in bold), each
// copyable field with a Copy button, and the table of checks with a pass or
// fail mark (a list view); sized for the window's DPI.
#pragma once

#include <windows.h>
// After <windows.h>:
#include <commctrl.h>

#include <vector>

#include "platform/toolkit/toolkit.h"
#include "platform/toolkit/win32/dpi.h"

namespace toolkit {

class ResultPane {
 public:
  ResultPane(HWND parent, TResultPane& pane, UINT dpi);
  ~ResultPane();
  ResultPane(const ResultPane&) = delete;
  ResultPane& operator=(const ResultPane&) = delete;

  int Width() const;
  // Brings the pane in step with the model: new content, shown or hidden.
  void Refresh();
  bool Shown() const { return (GetWindowLongPtrW(panel_, GWL_STYLE) & WS_VISIBLE) != 0; }
  void Place(int left, int top, int height);
  // The pane is made again in the new fonts; the window's next layout places it.
  void ChangeDpi(UINT dpi);

 private:
  template <typename Handler>
  friend LRESULT CALLBACK HandOver(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Build(const TResults& results);
  HWND Add(const wchar_t* type, const std::wstring& text, DWORD style, int id = 0);
  HWND MakeTable(const std::vector<TResults::Row>& rows);
  void Layout();
  LRESULT DrawOutcome(NMLVCUSTOMDRAW& draw) const;
  int Px(int length) const { return Scaled(length, dpi_); }

  TResultPane& pane_;
  UINT dpi_;
  Font normal_, bold_, title_;
  HWND panel_ = nullptr;
  HWND header_ = nullptr, close_ = nullptr, table_ = nullptr;
  std::vector<HWND> sentences_;  // the title first
  struct FieldRow {
    HWND label, value, copy;
  };
  std::vector<FieldRow> fields_;
};

}  // namespace toolkit
