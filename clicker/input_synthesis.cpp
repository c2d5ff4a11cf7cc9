#include "clicker/input_synthesis.h"

#include <algorithm>
#include <array>
#include <vector>

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

bool InputSynthesizer::SendAll(std::optional<plat::Point> at,
                               std::span<const plat::InputRecord> records) {
  withheld_ = false;
  if (watch_ && !sending_ && !watch_->BeforeSend()) {
    withheld_ = true;
    return false;
  }
  std::array<plat::InputRecord, 8> fixed;
  std::vector<plat::InputRecord> many;
  const size_t count = records.size() + (at ? 1 : 0);
  plat::InputRecord* out = fixed.data();
  if (count > fixed.size()) {
    many.resize(count);
    out = many.data();
  }
  size_t n = 0;
  if (at) {
    const plat::Rect screen = input_.VirtualScreen();
    plat::InputRecord& move = out[n++];
    move = {};
    move.type = plat::kInputMouse;
    move.dx = ToAbsoluteCoord(at->X, screen.Left, screen.Width());
    move.dy = ToAbsoluteCoord(at->Y, screen.Top, screen.Height());
    move.dwFlags = kMoveAbsoluteVirtualDesk;
  }
  for (const plat::InputRecord& r : records) out[n++] = r;
  for (size_t i = 0; i < n; ++i) out[i].dwExtraInfo = kInputMarker;
  const bool outer = !sending_;
  sending_ = true;
  const bool sent = input_.Send({out, n});
  if (outer) sending_ = false;
  if (at && watch_) watch_->Moved(*at);
  return sent;
}

bool InputSynthesizer::MoveTo(int32_t x, int32_t y) {
  return SendAll(plat::Point{x, y}, {});
}

bool InputSynthesizer::ButtonDown(int32_t button, std::optional<plat::Point> at) {
  const plat::InputRecord press = ButtonRecord(button, true);
  return SendAll(at, {&press, 1});
}

bool InputSynthesizer::ButtonUp(int32_t button, std::optional<plat::Point> at) {
  const plat::InputRecord release = ButtonRecord(button, false);
  return SendAll(at, {&release, 1});
}

bool InputSynthesizer::Click(int32_t button, int clicks, std::optional<plat::Point> at) {
  std::array<plat::InputRecord, 4> records;
  const size_t count = static_cast<size_t>(std::clamp(clicks, 1, 2)) * 2;
  for (size_t i = 0; i < count; i += 2) {
    records[i] = ButtonRecord(button, true);
    records[i + 1] = ButtonRecord(button, false);
  }
  return SendAll(at, {records.data(), count});
}

bool InputSynthesizer::Wheel(int32_t delta, bool horizontal, std::optional<plat::Point> at) {
  plat::InputRecord record;
  record.dwFlags = horizontal ? kHWheel : kWheel;
  record.mouseData = static_cast<uint32_t>(delta);
  return SendAll(at, {&record, 1});
}

bool InputSynthesizer::Key(int32_t key, bool down) {
  plat::InputRecord record;
  record.type = plat::kInputKeyboard;
  record.wVk = static_cast<uint16_t>(key & 0xFF);
  record.wScan = static_cast<uint16_t>((key >> 8) & 0xFF);
  record.dwFlags = ((key & kExtendedKey) != 0 ? kKeyExtended : 0) | (down ? 0 : kKeyUp);
  return SendAll(std::nullopt, {&record, 1});
}

bool InputSynthesizer::KeyDown(int32_t key) {
  return Key(key, true);
}

bool InputSynthesizer::KeyUp(int32_t key) {
  return Key(key, false);
}

}  // namespace clicker
