// Taking the mouse back stops a run: while the program moves the pointer itself (coordinates
// mode, macro playback), a low-level mouse hook watches for movements that the program did not
// make (their dwExtraInfo lacks its marker). One that ends more than 25 pixels, at the scale of
// the monitor there, from where the program last put the pointer trips the guard; the window
// hears of it from its message loop, not from inside the hook.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "clicker/input_synthesis.h"
#include "platform/platform.h"
#include "ui/controls.h"

namespace clicker {

class HandMoveGuard : public plat::IMouseHookSink {
 public:
  HandMoveGuard(plat::IMouseHook& hook, plat::IInput& input, const InputSynthesizer& synthesizer,
                ui::TimerDriver* timers);
  ~HandMoveGuard() override;
  HandMoveGuard(const HandMoveGuard&) = delete;
  HandMoveGuard& operator=(const HandMoveGuard&) = delete;

  // The user moved the mouse away; the guard is disarmed by then.
  std::function<void()> OnHandMove;

  // Installs the hook. Movements count only after the program's next move of the pointer.
  void Arm();
  // Removes the hook; nothing more is reported.
  void Disarm();
  bool Armed() const { return armed_; }

  // The distance at 96 DPI beyond which a movement counts.
  static constexpr int32_t kDistance96 = 25;

  void OnMouse(uint32_t message, int32_t x, int32_t y, uint32_t mouseData,
               uint64_t extraInfo) noexcept override;

 private:
  void Tripped();

  plat::IMouseHook& hook_;
  plat::IInput& input_;
  const InputSynthesizer& synthesizer_;
  ui::Timer report_{1};
  bool armed_ = false;
  bool hookInstalled_ = false;
  bool tripped_ = false;
  uint64_t movesAtArm_ = 0;  // the program's moves before the guard was armed
  // The program's point the limit was worked out for, and the limit in pixels, squared.
  std::optional<plat::Point> limitFor_;
  int64_t limitSquared_ = 0;
};

}  // namespace clicker
