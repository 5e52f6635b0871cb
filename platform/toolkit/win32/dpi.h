// The window is drawn for the DPI of the monitor it is on (the program's
// manifest declares it per-monitor DPI aware): its lengths are written here
// as at 96 DPI (100 %) and scaled, and its fonts are made for that DPI, made
// again when the window moves to a monitor of another.
#pragma once

#include <windows.h>

#include <utility>

namespace toolkit {

inline int Scaled(int length, UINT dpi) {
  return MulDiv(length, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

// A font made here, deleted with its owner. A new font is swapped in once
// the controls are given it, so none is left drawing in a deleted one.
class Font {
 public:
  Font() = default;
  explicit Font(HFONT font) : font_(font) {}
  ~Font() {
    if (font_) DeleteObject(font_);
  }
  Font(Font&& other) noexcept : font_(std::exchange(other.font_, nullptr)) {}
  Font& operator=(Font&& other) noexcept {
    std::swap(font_, other.font_);
    return *this;
  }

  HFONT Get() const { return font_; }
  WPARAM Message() const { return reinterpret_cast<WPARAM>(font_); }  // for WM_SETFONT

 private:
  HFONT font_ = nullptr;
};

// The system's font for message boxes and status bars at this DPI; a weight
// and a size in percent of it for headings.
Font MessageFont(UINT dpi, LONG weight = FW_NORMAL, int percent = 100);
// The log's columns line up.
Font FixedPitchFont(int points, UINT dpi);

}  // namespace toolkit
