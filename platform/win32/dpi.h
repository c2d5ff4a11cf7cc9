// A window's DPI and the sizes that follow from it. The per-DPI functions are looked up at run
// time: systems before Windows 10 1607 lack them, and 96 DPI is used there.
#pragma once

#include <windows.h>

namespace win {

// A length in 96-DPI pixels at `dpi`.
inline int ScaleForDpi(int value, UINT dpi) {
  return MulDiv(value, static_cast<int>(dpi), 96);
}

inline UINT WindowDpi(HWND hwnd) {
  using Fn = UINT(WINAPI*)(HWND);
  static const auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  const UINT dpi = fn && hwnd ? fn(hwnd) : 0;
  return dpi ? dpi : 96;
}

// The outer rectangle (at 0, 0) of a window whose client area is `width` x `height` 96-DPI
// pixels, at `dpi`.
inline RECT OuterRectForClient(int width, int height, DWORD style, DWORD exStyle, UINT dpi) {
  RECT r{0, 0, ScaleForDpi(width, dpi), ScaleForDpi(height, dpi)};
  using Fn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
  if (fn)
    fn(&r, style, FALSE, exStyle, dpi);
  else
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
  return r;
}

}  // namespace win
