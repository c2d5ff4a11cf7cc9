// Input synthesis: absolute moves anywhere on the virtual desktop, presses and releases of the
// mouse buttons, single and double clicks, wheel turns and keys. Each action is one SendInput
// call (a move and the press it leads to go together, so that no other input comes between
// them), and every record carries the program's marker.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/platform.h"

namespace clicker {

// The dwExtraInfo of every record the program sends: a hook tells the program's own input
// from the user's by it. An arbitrary constant that no other program is likely to use.
inline constexpr uint64_t kInputMarker = 0x4A55585A44495655ull;

// Maps a virtual-screen pixel to SendInput's normalised 0..65535 range so that the system
// maps it back to the same pixel.
int32_t ToAbsoluteCoord(int32_t value, int32_t origin, int32_t size);

// Watches what the program sends: asked just before any input goes out, and told where the
// program put the pointer once a move is out.
class ISendWatch {
 public:
  virtual ~ISendWatch() = default;
  // False: the input must not go out (the run it belongs to is being stopped).
  virtual bool BeforeSend() = 0;
  virtual void Moved(const plat::Point& requested) = 0;
};

// Each action answers false when the system refused some of its input, or when the watch
// withheld it. `at`, where given, is a
// virtual-screen pixel the pointer moves to first, in the same call.
class InputSynthesizer {
 public:
  explicit InputSynthesizer(plat::IInput& input) : input_(input) {}

  // The watch asked before every send; none by default.
  void SetWatch(ISendWatch* watch) { watch_ = watch; }
  // Whether the pointer is on `p` now.
  bool PointerAt(const plat::Point& p) {
    plat::Point now;
    return input_.CursorPos(now) && now == p;
  }
  // Asks the watch now, as a send would: false when it withholds input.
  bool WatchAllows() { return !watch_ || sending_ || watch_->BeforeSend(); }

  // One absolute move to virtual-screen pixel (x, y).
  bool MoveTo(int32_t x, int32_t y);
  // 0 left, 1 right, 2 middle, 3 and 4 the side buttons (XBUTTON1, XBUTTON2); any other value
  // sends a record that presses nothing.
  bool ButtonDown(int32_t button, std::optional<plat::Point> at = std::nullopt);
  bool ButtonUp(int32_t button, std::optional<plat::Point> at = std::nullopt);
  // `clicks` presses, each followed by its release (1 a single click, 2 a double click).
  bool Click(int32_t button, int clicks, std::optional<plat::Point> at = std::nullopt);
  bool ClickOnce(int32_t button) { return Click(button, 1); }
  bool DoubleClick(int32_t button) { return Click(button, 2); }
  // A turn of the wheel by `delta` (120 a notch; positive away from the user, or to the right).
  bool Wheel(int32_t delta, bool horizontal, std::optional<plat::Point> at = std::nullopt);
  // A key, as a macro keeps it: virtual-key code | scan code << 8 | kExtendedKey.
  bool KeyDown(int32_t key);
  bool KeyUp(int32_t key);
  static constexpr int32_t kExtendedKey = 0x10000;

  // Whether a SendInput call is under way: the system may deliver the messages sent to the
  // thread while it waits for a low-level hook, so handlers can run inside it.
  bool Sending() const { return sending_; }
  // Whether the last action's input was withheld by the watch rather than sent.
  bool Withheld() const { return withheld_; }

 private:
  // Sends `records` (after a move to `at`, when given) in one call.
  bool SendAll(std::optional<plat::Point> at, std::span<const plat::InputRecord> records);
  bool Key(int32_t key, bool down);

  plat::IInput& input_;
  ISendWatch* watch_ = nullptr;
  bool withheld_ = false;
  bool sending_ = false;
};

}  // namespace clicker
