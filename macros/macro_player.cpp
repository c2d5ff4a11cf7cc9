#include "macros/macro_player.h"

#include <algorithm>
#include <utility>

namespace macros {

namespace {
constexpr uint64_t kUsPerMs = 1000;
// Recorded milliseconds are scaled by this before dividing by the speed in percent.
constexpr uint64_t kScale = kUsPerMs * 100;
}  // namespace

MacroPlayer::MacroPlayer(plat::IClock& clock, ui::TimerDriver* timers, IPlaybackOutput& output)
    : clock_(clock), output_(output) {
  timer_.OnTimer = [this] { Tick(); };
  timer_.SetDriver(timers);
}

MacroPlayer::~MacroPlayer() = default;

void MacroPlayer::Start(std::shared_ptr<const RecordedMacro> macro, bool untilStopped,
                        int32_t count, uint32_t leadMs, int32_t speedPercent) {
  Stop();
  if (!macro) return;
  ++generation_;
  macro_ = std::move(macro);
  untilStopped_ = untilStopped;
  count_ = count;
  speed_ = static_cast<uint64_t>(std::clamp(speedPercent, kMinSpeed, kMaxSpeed));
  runsBegun_ = 1;
  next_ = 0;
  previousOffset_ = 0;
  dueUs_ = clock_.NowMicros() + uint64_t{leadMs} * kUsPerMs;
  runStartUs_ = dueUs_;
  scaledSinceStart_ = 0;
  if (paused_) pausedAtUs_ = clock_.NowMicros();  // the macro's time begins now
  Tick();
}

void MacroPlayer::SetPaused(bool paused) {
  if (paused_ == paused) return;
  paused_ = paused;
  const uint64_t now = clock_.NowMicros();
  if (paused) {
    pausedAtUs_ = now;
    timer_.SetEnabled(false);
    return;
  }
  if (!macro_) return;
  // The pace's anchors move on by the pause.
  const uint64_t pausedFor = now - pausedAtUs_;
  runStartUs_ += pausedFor;
  dueUs_ += pausedFor;
  ArmFor(now);
}

void MacroPlayer::Halt() {
  ++generation_;
  timer_.SetEnabled(false);
}

void MacroPlayer::Stop() {
  if (!macro_) return;
  ++generation_;
  timer_.SetEnabled(false);
  ReleaseHeld();
  macro_.reset();
}

void MacroPlayer::Finish(End end) {
  ++generation_;
  timer_.SetEnabled(false);
  ReleaseHeld();
  macro_.reset();
  if (OnEnded) OnEnded(end);
}

void MacroPlayer::ArmFor(uint64_t dueUs) {
  const uint64_t now = clock_.NowMicros();
  // Whole milliseconds, rounded up: the tick never comes before the event is due, and the
  // next due time is still counted from this one's, so lateness does not add up.
  const uint64_t ms = dueUs > now ? (dueUs - now + kUsPerMs - 1) / kUsPerMs : 1;
  timer_.Restart(static_cast<uint32_t>(ms));
}

void MacroPlayer::Tick() {
  if (!macro_ || paused_) return;
  const uint64_t sliceStart = clock_.NowMicros();
  for (;;) {
    const std::vector<MacroEvent>& events = macro_->Events();
    if (next_ == events.size()) {
      if (OnRunCompleted) OnRunCompleted();
      if (!macro_) return;
      if (!untilStopped_ && runsBegun_ >= count_) {
        Finish(End::Completed);
        return;
      }
      // A run that took no time (no events, or all at offset 0) must not repeat without end
      // inside one tick: the next one begins at the next tick.
      const bool tookNoTime = previousOffset_ == 0;
      ++runsBegun_;
      next_ = 0;
      previousOffset_ = 0;
      runStartUs_ = dueUs_;  // the next run continues from the last due time
      scaledSinceStart_ = 0;
      if (tookNoTime && untilStopped_) {
        ArmFor(clock_.NowMicros());
        return;
      }
      continue;
    }
    const MacroEvent& e = events[next_];
    // Offsets count from the start of the recording; a smaller one than its predecessor does
    // not wait, and the next wait is measured from it.
    const uint64_t scaled =
        scaledSinceStart_ +
        (e.DeltaMs > previousOffset_ ? uint64_t{e.DeltaMs - previousOffset_} * kScale : 0);
    const uint64_t due = runStartUs_ + scaled / speed_;
    const uint64_t now = clock_.NowMicros();
    if (due > now) {
      ArmFor(due);
      return;
    }
    if (now - sliceStart >= kSliceUs) {
      ArmFor(now);  // a long burst of overdue events: let the window answer in between
      return;
    }
    dueUs_ = due;
    scaledSinceStart_ = scaled;
    previousOffset_ = e.DeltaMs;
    ++next_;
    const uint64_t generation = generation_;
    const bool sent = Send(e, generation);
    if (generation != generation_) return;  // stopped while the input went out
    if (!sent) {
      Finish(End::Blocked);
      return;
    }
    if (paused_) return;  // paused while the input went out
  }
}

bool MacroPlayer::Send(const MacroEvent& e, uint64_t generation) {
  switch (e.Kind) {
    case MacroEventKind::Move:
      return output_.Move(e.X, e.Y);
    case MacroEventKind::Down:
      if (!output_.Press(e.X, e.Y, e.Button)) return false;
      if (generation != generation_) {
        // Stopped while the press went out: the stop found nothing held, so let go here.
        output_.ReleaseHere(e.Button);
        return true;
      }
      if (e.Button >= 0 && e.Button < static_cast<int32_t>(held_.size()))
        held_[static_cast<size_t>(e.Button)] = true;
      return true;
    case MacroEventKind::Up:
      if (e.Button >= 0 && e.Button < static_cast<int32_t>(held_.size()))
        held_[static_cast<size_t>(e.Button)] = false;
      return output_.Release(e.X, e.Y, e.Button);
    case MacroEventKind::Wheel:
    case MacroEventKind::HorizontalWheel:
      // The wheel turns the window under the pointer: the pointer goes there first.
      return output_.Wheel(e.X, e.Y, e.Button, e.Kind == MacroEventKind::HorizontalWheel);
    case MacroEventKind::KeyDown:
      if (!output_.KeyDown(e.Button)) return false;
      if (generation != generation_) {
        output_.KeyUp(e.Button);
        return true;
      }
      heldKeys_[MacroKeyVk(e.Button)] = e.Button;
      return true;
    case MacroEventKind::KeyUp:
      heldKeys_[MacroKeyVk(e.Button)].reset();
      return output_.KeyUp(e.Button);
    default:
      return true;  // unknown kinds keep their time and send nothing
  }
}

void MacroPlayer::ReleaseHeld() {
  for (std::optional<int32_t>& key : heldKeys_)
    if (key) {
      const int32_t packed = *key;
      key.reset();
      output_.KeyUp(packed);
    }
  for (size_t b = 0; b < held_.size(); ++b)
    if (held_[b]) {
      held_[b] = false;
      output_.ReleaseHere(static_cast<int32_t>(b));
    }
}

}  // namespace macros
