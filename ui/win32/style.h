// Every drawing decision of the program's windows: fonts, colours and how controls are painted.
#pragma once

#include <windows.h>

namespace win {

// A GDI object owned by one holder; releasing twice is safe.
template <typename T>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(T h) : h_(h) {}
  ~GdiObject() { Reset(); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  void Reset(T h = nullptr) {
    if (h_) DeleteObject(h_);
    h_ = h;
  }
  T Get() const { return h_; }

 private:
  T h_ = nullptr;
};

class Style {
 public:
  // Creates the fonts for a DPI (the window's font is Segoe UI with a height of 12 pixels at 96
  // DPI).
  void SetDpi(UINT dpi);
  HFONT Font() const { return font_.Get(); }
  HFONT UnderlinedFont() const { return underlined_.Get(); }
  // WM_CTLCOLORSTATIC / WM_CTLCOLORBTN / WM_CTLCOLOREDIT / WM_CTLCOLORLISTBOX: returns the brush
  // to paint with, or nullptr for the system's default handling.
  HBRUSH ControlColor(UINT msg, HDC dc, int controlId);

 private:
  GdiObject<HFONT> font_;
  GdiObject<HFONT> underlined_;
};

// The link label's own colour, RGB (107, 212, 51).
inline constexpr COLORREF kLinkColor = 3396715;

}  // namespace win
