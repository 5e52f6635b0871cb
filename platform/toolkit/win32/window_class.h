// The window classes of this program: each window is handled by a C++ object
// whose Handle(message, wParam, lParam) gets the window's messages once the
// object is attached, and DefWindowProc before and after.
#pragma once

#include <windows.h>

namespace toolkit {

// A second registration of the same name fails harmlessly.
inline void RegisterWindowClass(const wchar_t* name, int background) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = DefWindowProcW;  // replaced per window by AttachHandler
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // The program's icon (resource 1, dist/windows/telvora.rc.in); the generic
  // one in programs without it, the tests.
  windowClass.hIcon = LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(1));
  if (windowClass.hIcon == nullptr) windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
  windowClass.lpszClassName = name;
  RegisterClassExW(&windowClass);
}

template <typename Handler>
LRESULT CALLBACK HandOver(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* handler = reinterpret_cast<Handler*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (handler == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return handler->Handle(message, wParam, lParam);
}

template <typename Handler>
void AttachHandler(HWND window, Handler* handler) {
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(handler));
  SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HandOver<Handler>));
}

// Before the handler goes: the window's last messages go to DefWindowProc.
inline void DetachHandler(HWND window) { SetWindowLongPtrW(window, GWLP_USERDATA, 0); }

}  // namespace toolkit
