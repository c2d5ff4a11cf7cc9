#include "clicker/click_run.h"

namespace clicker {

ClickRun::ClickRun(InputSynthesizer& input, plat::IRandom& random, ui::TimerDriver* timers,
                   IClickRunHost& host)
    : input_(input), random_(random), host_(host) {
  clickTimer_.OnTimer = [this] { Tick(); };
  clickTimer_.SetDriver(timers);
  holdTimer_.OnTimer = [this] { HoldEnded(); };
  holdTimer_.SetDriver(timers);
}

void ClickRun::Start() {
  ++generation_;
  Arm(host_.CurrentClickPlan());
}

void ClickRun::Arm(const ClickPlan& plan) {
  const int64_t r = random_.Below(3);
  int64_t interval = int64_t{plan.intervalMs} + int64_t{plan.jitterMs} * (r - 1);
  if (interval < 1) interval = 1;
  // The same interval keeps the timer's period; a new one restarts its countdown.
  clickTimer_.SetInterval(static_cast<uint32_t>(interval));
  clickTimer_.SetEnabled(true);
}

void ClickRun::Halt() {
  ++generation_;
  clickTimer_.SetEnabled(false);
  holdTimer_.SetEnabled(false);
  tickDuringHold_ = false;
  tickWhilePaused_ = releaseWhilePaused_ = false;
}

void ClickRun::Stop() {
  ++generation_;
  clickTimer_.SetEnabled(false);
  holdTimer_.SetEnabled(false);
  tickDuringHold_ = false;
  tickWhilePaused_ = releaseWhilePaused_ = false;
  if (heldButton_ < 0) return;
  const int32_t button = heldButton_;
  heldButton_ = -1;
  input_.ButtonUp(button);
}

void ClickRun::SetPaused(bool paused) {
  if (paused_ == paused) return;
  paused_ = paused;
  if (paused) return;
  // What came due meanwhile comes now, from the timers (not from inside the caller).
  if (releaseWhilePaused_) holdTimer_.Restart(1);
  if (tickWhilePaused_) clickTimer_.Restart(1);
  releaseWhilePaused_ = tickWhilePaused_ = false;
}

void ClickRun::Tick() {
  if (paused_) {
    tickWhilePaused_ = true;
    return;
  }
  if (heldButton_ >= 0) {
    // No click starts while a button is held: the tick follows the release.
    tickDuringHold_ = true;
    return;
  }
  const ClickPlan plan = host_.CurrentClickPlan();
  if (plan.limitReached) {
    host_.ClickRunEnded(IClickRunHost::End::Completed);
    return;
  }
  // The hand check before the count: a click withheld because the hand took the mouse back
  // is not one of the run's.
  if (!input_.WatchAllows()) return;
  const uint64_t generation = generation_;
  host_.ClickDone();
  const bool done = PerformAction(plan);
  if (generation != generation_) return;  // stopped while the input went out
  if (!done) {
    host_.ClickRefused();  // a refused click is not counted
    host_.ClickRunEnded(IClickRunHost::End::Blocked);
    return;
  }
  Arm(plan);
}

bool ClickRun::PerformAction(const ClickPlan& plan) {
  // In coordinates mode the move goes with the click in one call: nothing comes between them.
  // A click at the point where the pointer already is (where the last one left it) needs no
  // move: under Wine every move that goes out also moves the X server's pointer, a round trip
  // that costs a seventh of the rate at 1 ms.
  const std::optional<plat::Point> at = plan.moveFirst && !input_.PointerAt(plan.point)
                                            ? std::optional<plat::Point>(plan.point)
                                            : std::nullopt;
  switch (plan.type) {
    case 0:
      return input_.Click(plan.button, 1, at);
    case 1:
      return input_.Click(plan.button, 2, at);
    case 2: {
      const uint64_t generation = generation_;
      const bool pressed = input_.ButtonDown(plan.button, at);
      if (generation != generation_) {
        // Stopped while the press went out: the stop found nothing held, so let go here (a
        // press that was withheld has nothing to let go).
        if (!input_.Withheld()) input_.ButtonUp(plan.button);
        return pressed;
      }
      if (!pressed || plan.holdMs <= 0) {
        // No hold, or a refused press: the release follows at once.
        const bool released = input_.ButtonUp(plan.button);
        return pressed && released;
      }
      // The release comes from the hold timer; the window goes on answering meanwhile.
      heldButton_ = plan.button;
      holdTimer_.Restart(static_cast<uint32_t>(plan.holdMs));
      return true;
    }
    default:
      // No action, but coordinates mode still puts the pointer on its point.
      return !at || input_.MoveTo(at->X, at->Y);
  }
}

void ClickRun::HoldEnded() {
  holdTimer_.SetEnabled(false);
  if (paused_ && heldButton_ >= 0) {
    releaseWhilePaused_ = true;
    return;
  }
  if (heldButton_ < 0) return;
  const int32_t button = heldButton_;
  heldButton_ = -1;
  const uint64_t generation = generation_;
  const bool released = input_.ButtonUp(button);
  if (generation != generation_) return;  // stopped while the release went out
  if (!released) {
    host_.ClickRunEnded(IClickRunHost::End::Blocked);
    return;
  }
  if (tickDuringHold_) {
    tickDuringHold_ = false;
    Tick();
  }
}

}  // namespace clicker
