#include "clicker/input_synthesis.h"

#include <algorithm>

namespace clicker {

namespace {

constexpr uint32_t kMoveAbsoluteVirtualDesk = 0x0001 | 0x4000 | 0x8000;
constexpr uint32_t kXDown = 0x0080;
constexpr uint32_t kXUp = 0x0100;
constexpr uint32_t kWheel = 0x0800;
constexpr uint32_t kHWheel = 0x1000;
constexpr uint32_t kKeyExtended = 0x0001;
constexpr uint32_t kKeyUp = 0x0002;

plat::InputRecord ButtonRecord(int32_t button, bool down) {
  plat::InputRecord record;
  switch (button) {
    case 0:
      record.dwFlags = down ? 0x0002 : 0x0004;
      break;
    case 1:
      record.dwFlags = down ? 0x0008 : 0x0010;
      break;
    case 2:
      record.dwFlags = down ? 0x0020 : 0x0040;
      break;
    case 3:
    case 4:
      record.dwFlags = down ? kXDown : kXUp;
      record.mouseData = static_cast<uint32_t>(button - 2);  // XBUTTON1, XBUTTON2
      break;
    default:
      break;
  }
  return record;
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
  const plat::Rect screen = input_.VirtualScreen();
  plat::InputRecord record;
  record.type = plat::kInputMouse;
  record.dx = ToAbsoluteCoord(x, screen.Left, screen.Width());
  record.dy = ToAbsoluteCoord(y, screen.Top, screen.Height());
  record.dwFlags = kMoveAbsoluteVirtualDesk;
  return input_.Send(record);
}

bool InputSynthesizer::ButtonDown(int32_t button) {
  return input_.Send(ButtonRecord(button, true));
}

bool InputSynthesizer::ButtonUp(int32_t button) {
  return input_.Send(ButtonRecord(button, false));
}

bool InputSynthesizer::Wheel(int32_t delta, bool horizontal) {
  plat::InputRecord record;
  record.dwFlags = horizontal ? kHWheel : kWheel;
  record.mouseData = static_cast<uint32_t>(delta);
  return input_.Send(record);
}

bool InputSynthesizer::Key(int32_t key, bool down) {
  plat::InputRecord record;
  record.type = plat::kInputKeyboard;
  record.wVk = static_cast<uint16_t>(key & 0xFF);
  record.wScan = static_cast<uint16_t>((key >> 8) & 0xFF);
  record.dwFlags = ((key & kExtendedKey) != 0 ? kKeyExtended : 0) | (down ? 0 : kKeyUp);
  return input_.Send(record);
}

bool InputSynthesizer::KeyDown(int32_t key) {
  return Key(key, true);
}

bool InputSynthesizer::KeyUp(int32_t key) {
  return Key(key, false);
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
