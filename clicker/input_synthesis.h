// Input synthesis: absolute moves anywhere on the virtual desktop, presses and releases of the
// mouse buttons, single and double clicks, wheel turns and keys; every action is one INPUT
// record per SendInput call.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace clicker {

// Maps a virtual-screen pixel to SendInput's normalised 0..65535 range so that the system
// maps it back to the same pixel.
int32_t ToAbsoluteCoord(int32_t value, int32_t origin, int32_t size);

// Each action answers false when the system refused some of its input.
class InputSynthesizer {
 public:
  explicit InputSynthesizer(plat::IInput& input) : input_(input) {}

  // One absolute move to virtual-screen pixel (x, y).
  bool MoveTo(int32_t x, int32_t y);
  // 0 left, 1 right, 2 middle, 3 and 4 the side buttons (XBUTTON1, XBUTTON2); any other value
  // sends a record that presses nothing.
  bool ButtonDown(int32_t button);
  bool ButtonUp(int32_t button);
  // A turn of the wheel by `delta` (120 a notch; positive away from the user, or to the right).
  bool Wheel(int32_t delta, bool horizontal);
  // A key, as a macro keeps it: virtual-key code | scan code << 8 | kExtendedKey.
  bool KeyDown(int32_t key);
  bool KeyUp(int32_t key);
  static constexpr int32_t kExtendedKey = 0x10000;
  // A press is always followed by its release, even when the press was refused.
  bool ClickOnce(int32_t button);
  bool DoubleClick(int32_t button);

 private:
  bool Key(int32_t key, bool down);

  plat::IInput& input_;
};

}  // namespace clicker
