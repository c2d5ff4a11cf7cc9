#include "ui/win32/status_line.h"

#include <algorithm>
#include <string>

#include "platform/win32/dpi.h"

namespace win {

namespace {

// DrawText's format for the label's text, as the standard STATIC (SS_LEFT) and the look's
// PaintLabel draw it.
constexpr UINT kFormat = DT_LEFT | DT_NOPREFIX | DT_EXPANDTABS;

std::wstring TextOf(HWND hwnd) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

// What the text needs with the label's font: its width on one line, and its height when wrapped
// at `wrapWidth`, and the height of one line.
struct Extent {
  int singleLineWidth = 0;
  int wrappedHeight = 0;
  int lineHeight = 0;
};

Extent Measure(HWND label, const std::wstring& text, int wrapWidth) {
  Extent e;
  const HDC dc = GetDC(label);
  if (!dc) return e;
  const auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
  const HGDIOBJ old =
      SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  e.lineHeight = tm.tmHeight;
  RECT single{0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &single,
            kFormat | DT_SINGLELINE | DT_CALCRECT);
  e.singleLineWidth = single.right - single.left;
  RECT wrapped{0, 0, wrapWidth, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &wrapped,
            kFormat | DT_WORDBREAK | DT_CALCRECT);
  e.wrappedHeight = wrapped.bottom - wrapped.top;
  SelectObject(dc, old);
  ReleaseDC(label, dc);
  return e;
}

}  // namespace

StatusLine::StatusLine(HWND panel, ui::Bounds panelBounds, HWND label, ui::Bounds labelBounds,
                       HWND link)
    : panel_(panel),
      panelBounds_(panelBounds),
      label_(label),
      labelBounds_(labelBounds),
      link_(link) {}

int StatusLine::Layout(UINT dpi) {
  if (!panel_ || !label_) return 0;
  const auto scale = [dpi](int v) { return ScaleForDpi(v, dpi); };
  const std::wstring text = TextOf(label_);
  const int besideLink = scale(labelBounds_.Width);
  // The label's left margin on both sides of the panel.
  const int fullWidth =
      scale(panelBounds_.Width) - 2 * scale(labelBounds_.Left - panelBounds_.Left);
  const int oneLine = scale(labelBounds_.Height);
  const Extent extent = Measure(label_, text, fullWidth);

  const bool beside = extent.singleLineWidth <= besideLink;
  const bool wraps = extent.singleLineWidth > fullWidth;
  int height = oneLine;
  if (wraps) {
    const int most = kMaxLines * std::max(extent.lineHeight, 1);
    height = std::max(oneLine, std::min(extent.wrappedHeight, most));
  }
  const int grown = height - oneLine;

  // A single line ends in an ellipsis if it ever has to; wrapped lines must not be cut to one.
  const LONG_PTR style = GetWindowLongPtrW(label_, GWL_STYLE);
  const LONG_PTR wanted = wraps ? (style & ~static_cast<LONG_PTR>(SS_ENDELLIPSIS))
                                : (style | static_cast<LONG_PTR>(SS_ENDELLIPSIS));
  if (wanted != style) SetWindowLongPtrW(label_, GWL_STYLE, wanted);
  MoveWindow(panel_, scale(panelBounds_.Left), scale(panelBounds_.Top), scale(panelBounds_.Width),
             scale(panelBounds_.Height) + grown, TRUE);
  MoveWindow(label_, scale(labelBounds_.Left), scale(labelBounds_.Top),
             beside ? besideLink : fullWidth, height, TRUE);
  InvalidateRect(label_, nullptr, TRUE);
  if (link_) {
    // While the panel is hidden (the compact running bar) the link stays hidden with it.
    const bool panelShown = (GetWindowLongPtrW(panel_, GWL_STYLE) & WS_VISIBLE) != 0;
    ShowWindow(link_, beside && panelShown ? SW_SHOWNA : SW_HIDE);
  }
  return grown;
}

}  // namespace win
