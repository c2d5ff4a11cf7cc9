// The main window as the portable code sees it: placement, caption and visibility. The Win32
// side implements it over the real HWND; the unit tests use a fake that records every call.
#pragma once

#include <string>

#include "platform/platform.h"

namespace mainform {

class IFormWindow {
 public:
  virtual ~IFormWindow() = default;
  virtual std::string Caption() = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  // Outer bounds in screen pixels.
  virtual plat::Rect Bounds() = 0;
  virtual void SetBounds(const plat::Rect& bounds) = 0;
  virtual bool IsVisible() = 0;
  // Shows the window on top of the others in its normal state (restoring it when minimised)
  // without activating it: the keyboard focus stays in the window the user works in.
  virtual void Show() = 0;
  // Shows the window, restores it when minimised and makes it the active foreground window: only
  // when the user asks for it (the notification icon, a second start of the program).
  virtual void Activate() = 0;
  virtual void Hide() = 0;
  // Closes the window as its close button does, once the current message has been handled.
  virtual void Close() = 0;
  // SetWindowPos with HWND_TOPMOST or HWND_NOTOPMOST, keeping position and size; no activation.
  virtual void SetTopMost(bool topMost) = 0;
  // SetWindowPos(HWND_TOPMOST, bounds, SWP_SHOWWINDOW | SWP_NOACTIVATE).
  virtual void PlaceTopMost(const plat::Rect& bounds) = 0;
  virtual void Repaint() = 0;
  // SM_CYCAPTION and SM_CYFRAME for the window's DPI.
  virtual int CaptionHeight() = 0;
  virtual int FrameHeight() = 0;
  // The primary monitor's work area (SPI_GETWORKAREA).
  virtual plat::Rect WorkArea() = 0;
};

}  // namespace mainform
