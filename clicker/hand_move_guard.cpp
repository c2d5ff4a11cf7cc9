#include "clicker/hand_move_guard.h"

namespace clicker {

namespace {
constexpr uint32_t kWmMouseMove = 0x0200;
}  // namespace

HandMoveGuard::HandMoveGuard(plat::IMouseHook& hook, plat::IInput& input,
                             const InputSynthesizer& synthesizer, ui::TimerDriver* timers)
    : hook_(hook), input_(input), synthesizer_(synthesizer) {
  report_.OnTimer = [this] { Tripped(); };
  report_.SetDriver(timers);
}

HandMoveGuard::~HandMoveGuard() {
  Disarm();
}

void HandMoveGuard::Arm() {
  Disarm();
  armed_ = true;
  tripped_ = false;
  // A move of an earlier run is not this run's point.
  movesAtArm_ = synthesizer_.Moves();
  limitFor_.reset();
  hookInstalled_ = hook_.Install(*this);
}

void HandMoveGuard::Disarm() {
  armed_ = false;
  report_.SetEnabled(false);
  if (hookInstalled_) hook_.Remove();
  hookInstalled_ = false;
}

void HandMoveGuard::OnMouse(uint32_t message, int32_t x, int32_t y, uint32_t /*mouseData*/,
                            uint64_t extraInfo) noexcept {
  if (!armed_ || tripped_ || message != kWmMouseMove || extraInfo == kInputMarker) return;
  if (synthesizer_.Moves() == movesAtArm_) return;  // the pointer is not the program's yet
  const std::optional<plat::Point> placed = synthesizer_.LastMove();
  if (!placed) return;
  if (placed != limitFor_) {
    // At the scale of the monitor the program put the pointer on.
    const int64_t limit = int64_t{kDistance96} * input_.DpiAt(*placed) / 96;
    limitSquared_ = limit * limit;
    limitFor_ = placed;
  }
  const int64_t dx = int64_t{x} - placed->X;
  const int64_t dy = int64_t{y} - placed->Y;
  if (dx * dx + dy * dy <= limitSquared_) return;
  tripped_ = true;
  report_.Restart(1);  // the window stops the run from its message loop
}

void HandMoveGuard::Tripped() {
  report_.SetEnabled(false);
  if (!armed_) return;
  Disarm();
  if (OnHandMove) OnHandMove();
}

}  // namespace clicker
