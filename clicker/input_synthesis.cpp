#include "clicker/input_synthesis.h"

#include <algorithm>

namespace clicker {

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

bool InputSynthesizer::MoveTo(int32_t x, int32_t y) {
  const plat::Rect screen = mouse_.VirtualScreen();
  plat::MouseInputRecord record;
  record.type = kInputMouse;
  record.dx = ToAbsoluteCoord(x, screen.Left, screen.Width());
  record.dy = ToAbsoluteCoord(y, screen.Top, screen.Height());
  record.dwFlags = kMoveAbsoluteVirtualDesk;
  return mouse_.Send(record);
}

bool InputSynthesizer::ButtonDown(int32_t button) {
  plat::MouseInputRecord record;
  record.dwFlags = ButtonFlag(button, true);
  return mouse_.Send(record);
}

bool InputSynthesizer::ButtonUp(int32_t button) {
  plat::MouseInputRecord record;
  record.dwFlags = ButtonFlag(button, false);
  return mouse_.Send(record);
}

bool InputSynthesizer::ClickOnce(int32_t button) {
  const bool pressed = ButtonDown(button);
  const bool released = ButtonUp(button);
  return pressed && released;
}

bool InputSynthesizer::DoubleClick(int32_t button) {
  const bool first = ClickOnce(button);
  return ClickOnce(button) && first;
}

}  // namespace clicker
