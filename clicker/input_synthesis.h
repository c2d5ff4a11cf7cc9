// Mouse input synthesis: absolute moves anywhere on the virtual desktop, presses and releases of
// the left, right and middle buttons, single and double clicks; every action is one INPUT record
// per SendInput call.
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
  explicit InputSynthesizer(plat::IMouseInput& mouse) : mouse_(mouse) {}

  // One absolute move to virtual-screen pixel (x, y).
  bool MoveTo(int32_t x, int32_t y);
  // 0 left, 1 right, 2 middle; any other value sends a record that presses nothing.
  bool ButtonDown(int32_t button);
  bool ButtonUp(int32_t button);
  // A press is always followed by its release, even when the press was refused.
  bool ClickOnce(int32_t button);
  bool DoubleClick(int32_t button);

 private:
  plat::IMouseInput& mouse_;
};

}  // namespace clicker
