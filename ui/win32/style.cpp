#include "ui/win32/style.h"

#include "mainform/control_ids.h"

namespace win {

namespace {
HFONT MakeFont(UINT dpi, bool underline) {
  return CreateFontW(-MulDiv(12, static_cast<int>(dpi), 96), 0, 0, 0, FW_NORMAL, FALSE,
                     underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                     L"Segoe UI");
}
}  // namespace

void Style::SetDpi(UINT dpi) {
  font_.Reset(MakeFont(dpi, false));
  underlined_.Reset(MakeFont(dpi, true));
}

HBRUSH Style::ControlColor(UINT msg, HDC dc, int controlId) {
  if (msg == WM_CTLCOLORSTATIC && controlId == ids::Label2) {
    SetTextColor(dc, kLinkColor);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return GetSysColorBrush(COLOR_BTNFACE);
  }
  return nullptr;
}

}  // namespace win
