// The status line along the bottom of the main window: a label in a panel, with the website link
// at its right. A text that fits beside the link stays there; a longer one takes the panel's
// whole width and the link steps aside (the About box names the website too); one longer still
// wraps onto more lines, and the panel grows by the height they need. The text is measured with
// the label's own font, so both looks (the owner-painted one and the standard STATIC) show all of
// it.
#pragma once

#include <windows.h>

#include "ui/controls.h"

namespace win {

class StatusLine {
 public:
  // The three windows and their design bounds (96-DPI pixels in the window's client area).
  StatusLine(HWND panel, ui::Bounds panelBounds, HWND label, ui::Bounds labelBounds, HWND link);

  // Lays the line out for its current text at `dpi`, after the controls were laid out for that
  // DPI. Returns how many pixels the panel has grown by: the window's client area grows by as
  // much.
  int Layout(UINT dpi);

  // The most lines the text may take; a text that needs more is cut after them.
  static constexpr int kMaxLines = 4;

 private:
  HWND panel_;
  ui::Bounds panelBounds_;
  HWND label_;
  ui::Bounds labelBounds_;
  HWND link_;
};

}  // namespace win
