// The clicking run: one click action per tick of the click timer, its interval drawn anew with
// the jitter at every tick, held clicks released by a timer of their own, and the end when the
// repeat count is reached or Windows refuses the input. What each tick does is read from the
// window at that moment, through the host.
#pragma once

#include <cstdint>

#include "clicker/input_synthesis.h"
#include "platform/platform.h"
#include "ui/controls.h"

namespace clicker {

// What one tick does, as the window's controls say at that moment.
struct ClickPlan {
  bool limitReached = false;  // the repeat count has been reached: the run ends, no action
  bool moveFirst = false;     // coordinates mode: move to `point` before the click
  plat::Point point;
  int32_t button = 0;      // 0 left, 1 right, 2 middle
  int32_t type = 0;        // 0 single, 1 double, 2 hold; any other value does nothing
  int32_t holdMs = 0;      // for a hold; 0 or less releases at once
  int32_t intervalMs = 1;  // the base interval, never 0
  int32_t jitterMs = 0;    // the interval is drawn as base - j, base or base + j
};

class IClickRunHost {
 public:
  virtual ~IClickRunHost() = default;
  virtual ClickPlan CurrentClickPlan() = 0;
  // One action is being sent and counts (a stop that comes while it goes out tells of it).
  virtual void ClickDone() = 0;
  // The action counted last was refused by the system: it does not count after all.
  virtual void ClickRefused() = 0;
  enum class End { Completed, Blocked };
  // The run ended by itself: the repeat count was reached, or Windows refused the input.
  virtual void ClickRunEnded(End end) = 0;
};

class ClickRun {
 public:
  ClickRun(InputSynthesizer& input, plat::IRandom& random, ui::TimerDriver* timers,
           IClickRunHost& host);
  ClickRun(const ClickRun&) = delete;
  ClickRun& operator=(const ClickRun&) = delete;

  // Arms the click timer: the first tick comes one interval (with its jitter) from now.
  void Start();
  // Stops the timers and lets go of a held button at once.
  void Stop();
  // Stops the timers and ends the action under way as soon as its input is out, sending
  // nothing itself; Stop lets go of a held button later.
  void Halt();
  // While paused nothing is sent: a click or a release that comes due waits, and follows at
  // once when the pause ends. A start or a stop leaves the pause as it is.
  void SetPaused(bool paused);
  bool Ticking() const { return clickTimer_.Enabled(); }
  // The click timer's current interval: the base interval with the jitter drawn last.
  uint32_t Interval() const { return clickTimer_.Interval(); }
  // The button of a held click between its press and its release, or -1.
  int32_t HeldButton() const { return heldButton_; }

  // One action of the plan; a hold presses here and releases when the hold timer fires. False
  // when the system refused some of the input.
  bool PerformAction(const ClickPlan& plan);

 private:
  void Arm(const ClickPlan& plan);
  void Tick();
  void HoldEnded();

  InputSynthesizer& input_;
  plat::IRandom& random_;
  IClickRunHost& host_;
  ui::Timer clickTimer_{500};
  ui::Timer holdTimer_;
  int32_t heldButton_ = -1;
  // A tick came due during a hold; it is delivered when the hold ends, so that no click starts
  // while a button is held.
  bool tickDuringHold_ = false;
  bool paused_ = false;
  bool tickWhilePaused_ = false;
  bool releaseWhilePaused_ = false;
  // Counts starts and stops. Sending input can run the window's handlers before it returns
  // (while the system waits for a low-level hook, it delivers the messages sent to the
  // thread), so a stop can come in the middle of an action: what follows the send checks this.
  uint64_t generation_ = 0;
};

}  // namespace clicker
