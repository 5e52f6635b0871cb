// The status bar of the Win32 window (common controls): the phase, or a menu
// item's hint while the item is highlighted; the run's progress with its text
// on the bar; the port and its speed; one lamp per line signal; the elapsed
// time. The progress bar and the lamps are owner-drawn parts, sized for the
// window's DPI.
#pragma once

#include <windows.h>

#include <string>

#include "platform/toolkit/toolkit.h"
#include "platform/toolkit/win32/dpi.h"

namespace toolkit {

class StatusBar {
 public:
  StatusBar(HWND parent, const TStatusBar& status, UINT dpi);
  StatusBar(const StatusBar&) = delete;
  StatusBar& operator=(const StatusBar&) = delete;

  HWND Handle() const { return bar_; }
  int Height() const;
  // Brings the bar in step with the form's model; also after the window resized.
  void Show();
  // Shown instead of the phase while not empty.
  void ShowHint(std::wstring hint);
  // WM_DRAWITEM for one of the owner-drawn parts.
  void Draw(const DRAWITEMSTRUCT& part) const;
  // The window's next layout shows the bar at its new height.
  void ChangeDpi(UINT dpi);

 private:
  // The phase, or the hint in its place.
  std::wstring Text() const;
  void SetParts();
  int TextWidth(const std::wstring& text) const;
  void DrawProgress(HDC dc, RECT at) const;
  void DrawLamp(HDC dc, RECT at, const TLamp& lamp) const;
  int Px(int length) const { return Scaled(length, dpi_); }

  const TStatusBar& status_;
  UINT dpi_;
  Font font_;
  HWND bar_ = nullptr;
  std::wstring hint_;
};

}  // namespace toolkit
