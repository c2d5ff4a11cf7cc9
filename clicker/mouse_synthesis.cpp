// Mouse input synthesis: every action is one INPUT record per SendInput call.
#include <algorithm>
#include <cstdint>

#include "mainform/main_form.h"

namespace {

constexpr uint32_t kInputMouse = 0;
constexpr uint32_t kMoveAbsoluteVirtualDesk = 0x0001 | 0x4000 | 0x8000;

uint32_t ButtonFlag(int32_t button, bool down) {
  switch (button) {
    case 0:
      return down ? 0x0002 : 0x0004;
    case 1:
      return down ? 0x0008 : 0x0010;
    case 2:
      return down ? 0x0020 : 0x0040;
    default:
      return 0;
  }
}

}  // namespace

// The system maps a normalised coordinate n back to origin + floor(n * size / 65536) (some
// implementations round n * (size - 1) / 65535 instead). Aiming at the centre of the pixel's
// slice of the 0..65536 range lands on the requested pixel under either reading.
int32_t ToAbsoluteCoord(int32_t value, int32_t origin, int32_t size) {
  if (size <= 1) return 0;
  const int64_t offset = int64_t{value} - origin;
  // Points before the origin come out at or below 0 and are pinned like those past the end.
  const int64_t n = ((2 * offset + 1) * 65536) / (2 * int64_t{size});
  return static_cast<int32_t>(std::clamp<int64_t>(n, 0, 65535));
}

plat::Point TFrmMain::ClickTargetPoint() {
  plat::Point p;
  if (rbCurrentCursorPosition.Checked()) {
    svc_.Mouse->CursorPos(p);
  } else if (rbCoordinates.Checked()) {
    int32_t v = 0;
    p.X = ui::ParseDecimalInt(edtCoordX.Text(), v) ? v : 0;
    v = 0;
    p.Y = ui::ParseDecimalInt(edtCoordY.Text(), v) ? v : 0;
  }
  return p;
}

bool TFrmMain::PerformClickAction(plat::Point point) {
  const int32_t button = std::max(cbButton.ItemIndex(), 0);
  const int32_t type = std::max(cbClickType.ItemIndex(), 0);
  const int32_t hold = seHoldMs.Value();
  // A click must not land where the refused move would have taken it from.
  if (rbCoordinates.Checked() && !MoveMouseAbsolute(point.X, point.Y)) return false;
  switch (type) {
    case 0:
      return ClickOnce(button);
    case 1:
      return DoubleClick(button);
    case 2: {
      const bool pressed = MouseButtonDown(button);
      if (!pressed || hold <= 0) {
        // No hold, or a refused press: the release follows at once.
        const bool released = MouseButtonUp(button);
        return pressed && released;
      }
      // The release comes from the hold timer; the window goes on answering meanwhile.
      FHeldButton = button;
      FHoldTimer.Restart(static_cast<uint32_t>(hold));
      return true;
    }
    default:
      return true;
  }
}

bool TFrmMain::MoveMouseAbsolute(int32_t x, int32_t y) {
  const plat::Rect screen = svc_.Mouse->VirtualScreen();
  plat::MouseInputRecord record;
  record.type = kInputMouse;
  record.dx = ToAbsoluteCoord(x, screen.Left, screen.Width());
  record.dy = ToAbsoluteCoord(y, screen.Top, screen.Height());
  record.dwFlags = kMoveAbsoluteVirtualDesk;
  return svc_.Mouse->Send(record);
}

bool TFrmMain::MouseButtonDown(int32_t button) {
  plat::MouseInputRecord record;
  record.dwFlags = ButtonFlag(button, true);
  return svc_.Mouse->Send(record);
}

bool TFrmMain::MouseButtonUp(int32_t button) {
  plat::MouseInputRecord record;
  record.dwFlags = ButtonFlag(button, false);
  return svc_.Mouse->Send(record);
}

bool TFrmMain::ClickOnce(int32_t button) {
  const bool pressed = MouseButtonDown(button);
  const bool released = MouseButtonUp(button);
  return pressed && released;
}

bool TFrmMain::DoubleClick(int32_t button) {
  const bool first = ClickOnce(button);
  return ClickOnce(button) && first;
}
