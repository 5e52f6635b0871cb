#include "tools/window_bitmap_win32.h"

#include <windows.h>

#include <fstream>
#include <vector>

bool SaveMainWindowBitmap(const char* file) {
  HWND window = FindWindowW(L"TelvoraMainWindow", nullptr);
  if (window == nullptr) return false;
  // All of it on the screen, wherever the system placed it.
  SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
  // What is drawn reaches the screen while messages are handled.
  for (int i = 0; i < 15; ++i) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(20);
  }
  // The menu bar down to the status bar, without the frame (as the Qt picture).
  RECT at{};
  GetClientRect(window, &at);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&at), 2);
  MENUBARINFO menu{};
  menu.cbSize = sizeof menu;
  if (GetMenuBarInfo(window, OBJID_MENU, 0, &menu)) at.top = menu.rcBar.top;
  const int width = at.right - at.left, height = at.bottom - at.top;
  BITMAPINFOHEADER header{sizeof header, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  const int stride = (width * 3 + 3) & ~3;
  std::vector<char> pixels(static_cast<std::size_t>(stride) * height);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, at.left, at.top, SRCCOPY);
  SelectObject(memory, old);
  GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header),
            DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof header;
  BITMAPFILEHEADER fileHeader{0x4D42, static_cast<DWORD>(offset + pixels.size()), 0, 0, offset};
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&fileHeader), sizeof fileHeader);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  return static_cast<bool>(out);
}

