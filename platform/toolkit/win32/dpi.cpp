#include "platform/toolkit/win32/dpi.h"

namespace toolkit {

Font MessageFont(UINT dpi, LONG weight, int percent) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi);
  LOGFONTW look = metrics.lfMessageFont;
  look.lfWeight = weight;
  look.lfHeight = MulDiv(look.lfHeight, percent, 100);
  return Font(CreateFontIndirectW(&look));
}

Font FixedPitchFont(int points, UINT dpi) {
  return Font(CreateFontW(-MulDiv(points, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE,
                          FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                          CLEARTYPE_QUALITY, FIXED_PITCH | FF_MODERN, L"Consolas"));
}

}  // namespace toolkit
