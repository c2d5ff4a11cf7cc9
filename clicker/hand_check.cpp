#include "clicker/hand_check.h"

#include <algorithm>
#include <cmath>

namespace clicker {

namespace {
double Distance(const plat::Point& a, const plat::Point& b) {
  return std::hypot(static_cast<double>(a.X) - b.X, static_cast<double>(a.Y) - b.Y);
}
}  // namespace

HandCheck::HandCheck(plat::IInput& input, plat::IClock& clock, ui::TimerDriver* timers)
    : input_(input), clock_(clock) {
  poll_.OnTimer = [this] { Check(); };
  poll_.SetDriver(timers);
}

void HandCheck::Arm() {
  Disarm();
  armed_ = true;
  resyncs_ = input_.PointerResyncs();
  // The display server's pointer may have been left behind (by input sent while a low-level
  // hook was installed, a recording's among them): in step from here, the program's moves keep
  // it so.
  if (resyncs_) input_.SyncDisplayPointer();
}

void HandCheck::Disarm() {
  armed_ = false;
  poll_.SetEnabled(false);
  seen_.reset();
  seenToo_.reset();
  limitFor_.reset();
  restPoint_.reset();
  requested_.reset();
  steps_.clear();
  travelled_ = 0;
}

void HandCheck::Moved(const plat::Point& requested) {
  if (!armed_) return;
  if (requested != limitFor_) {
    // At the scale of the monitor the program works on.
    limit_ = static_cast<double>(kDistance96) * input_.DpiAt(requested) / 96.0;
    limitFor_ = requested;
  }
  seen_ = requested;
  seenToo_.reset();
  requested_ = requested;
  movedAtUs_ = clock_.NowMicros();
  plat::Point now;
  // Another program's hook can hold the move back: until the system has carried it out, the
  // pointer is still where it was, and that is no hand either.
  if (input_.CursorPos(now) && now != requested) seenToo_ = now;
  poll_.Restart(kPollMs);
}

bool HandCheck::Check() {
  if (!armed_) return true;
  plat::Point now;
  if (!Watching()) {
    // Where the user left the pointer is where the display server has it (Arm brought the two
    // into step).
    if (resyncs_ && input_.CursorPos(now)) restPoint_ = now;
    return true;
  }
  // The next reading comes with the next input or, in a wait, a poll period from now: at short
  // intervals the poll never fires.
  poll_.Restart(kPollMs);
  // A pointer that cannot be read (the secure desktop) has not moved.
  if (!input_.CursorPos(now)) return true;
  const uint64_t nowUs = clock_.NowMicros();
  double moved = Distance(*seen_, now);
  if (seenToo_) moved = std::min(moved, Distance(*seenToo_, now));
  if (resyncs_ && now != requested_) {
    // Back on the very pixel where the display server's pointer was left, once the pointer
    // has rested long enough for the system to ask for it: the system's doing, not the hand's.
    if (now == restPoint_ && nowUs - movedAtUs_ >= uint64_t{plat::kPointerResyncMs} * 1000)
      moved = 0;
    restPoint_ = now;
  }
  seen_ = now;
  seenToo_.reset();
  Add(moved, nowUs);
  if (travelled_ <= limit_) return true;
  Disarm();
  if (OnHandMove) OnHandMove();
  return false;
}

void HandCheck::Add(double distance, uint64_t nowUs) {
  while (!steps_.empty() && nowUs - steps_.front().atUs >= kWindowUs) {
    travelled_ -= steps_.front().distance;
    steps_.pop_front();
  }
  if (steps_.empty()) travelled_ = 0;  // no rounding left over from what has gone
  if (distance > 0) {
    steps_.push_back({nowUs, distance});
    travelled_ += distance;
  }
}

}  // namespace clicker
