// A window's device context with a font chosen, for measuring text in it;
// the font's place and the context are given back when it goes.
#pragma once

#include <windows.h>

namespace toolkit {

class FontDc {
 public:
  FontDc(HWND window, HFONT font)
      : window_(window), dc_(GetDC(window)), old_(SelectObject(dc_, font)) {}
  ~FontDc() {
    SelectObject(dc_, old_);
    ReleaseDC(window_, dc_);
  }
  FontDc(const FontDc&) = delete;
  FontDc& operator=(const FontDc&) = delete;

  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace toolkit
