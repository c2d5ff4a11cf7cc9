// Plays a macro's events back at their recorded pace or faster or slower, driven by one timer of
// the window: each tick sends the events whose time has come and arms the timer for the next
// one, so the message loop runs between events and a stop takes effect at once.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "macros/recorded_macro.h"
#include "platform/platform.h"
#include "ui/controls.h"

namespace macros {

// Where the played input goes. Each call sends its input in one go (a move to the event's
// point with the press, release or wheel turn it leads to) and answers false when the system
// refused it.
class IPlaybackOutput {
 public:
  virtual ~IPlaybackOutput() = default;
  virtual bool Move(int32_t x, int32_t y) = 0;
  virtual bool Press(int32_t x, int32_t y, int32_t button) = 0;
  virtual bool Release(int32_t x, int32_t y, int32_t button) = 0;
  // A release at wherever the pointer is: the end of a playback that still holds a button.
  virtual bool ReleaseHere(int32_t button) = 0;
  virtual bool Wheel(int32_t x, int32_t y, int32_t delta, bool horizontal) = 0;
  // A key as a macro keeps it (see PackMacroKey).
  virtual bool KeyDown(int32_t key) = 0;
  virtual bool KeyUp(int32_t key) = 0;
};

class MacroPlayer {
 public:
  enum class End {
    Completed,  // the repeat count was reached
    Blocked,    // the system refused the input
  };

  MacroPlayer(plat::IClock& clock, ui::TimerDriver* timers, IPlaybackOutput& output);
  ~MacroPlayer();
  MacroPlayer(const MacroPlayer&) = delete;
  MacroPlayer& operator=(const MacroPlayer&) = delete;

  // After each run that reached its last event.
  std::function<void()> OnRunCompleted;
  // When the playback ends by itself; not called for Stop().
  std::function<void(End)> OnEnded;

  // Plays `macro` once (`untilStopped` false and `count` 1 or less), `count` times, or until
  // stopped. The first run's offsets count from `leadMs` after now. Every wait of the macro is
  // divided by `speedPercent` / 100 (clamped to kMinSpeed..kMaxSpeed): 200 plays it in half
  // its time.
  void Start(std::shared_ptr<const RecordedMacro> macro, bool untilStopped, int32_t count,
             uint32_t leadMs = 0, int32_t speedPercent = 100);
  // Ends the playback at once: nothing more is sent, and every button and key it pressed and
  // has not released is released.
  void Stop();
  // Sends nothing more and ends the send under way as soon as its input is out, sending nothing
  // itself; Stop lets go of what is held later.
  void Halt();
  // While paused nothing is sent and the macro's time stands still: the playback goes on where
  // it was when the pause ends. A start or a stop leaves the pause as it is.
  void SetPaused(bool paused);
  bool Active() const { return macro_ != nullptr; }

  // The longest stretch of overdue events sent in one go before the message loop gets its
  // turn again.
  static constexpr uint64_t kSliceUs = 20000;
  static constexpr int32_t kMinSpeed = 10;
  static constexpr int32_t kMaxSpeed = 1000;

 private:
  void Tick();
  // Arms the timer so that it fires no earlier than `dueUs` on the clock.
  void ArmFor(uint64_t dueUs);
  // Sends an event of the playback of `generation`; see generation_.
  bool Send(const MacroEvent& e, uint64_t generation);
  void ReleaseHeld();
  void Finish(End end);

  plat::IClock& clock_;
  IPlaybackOutput& output_;
  ui::Timer timer_;
  std::shared_ptr<const RecordedMacro> macro_;
  bool untilStopped_ = false;
  int32_t count_ = 0;
  int32_t runsBegun_ = 0;
  uint64_t speed_ = 100;         // percent
  size_t next_ = 0;              // the event sent next
  uint32_t previousOffset_ = 0;  // DeltaMs of the event sent last in this run
  // The pace's anchor: when this run began, and the recorded time since then (in ms times
  // 100000, so that dividing by the speed loses nothing that adds up).
  uint64_t runStartUs_ = 0;
  uint64_t scaledSinceStart_ = 0;
  uint64_t dueUs_ = 0;  // when the event sent last was due
  bool paused_ = false;
  uint64_t pausedAtUs_ = 0;
  // Buttons pressed and not released yet: left, right, middle, the two side buttons.
  std::array<bool, 5> held_{};
  // Keys pressed and not released yet, by virtual-key code: the packed key to release.
  std::array<std::optional<int32_t>, 256> heldKeys_{};
  // Counts starts and stops. Sending input can run the window's handlers before it returns
  // (while the system waits for a low-level hook, it delivers the messages sent to the
  // thread), so a stop can come in the middle of a send: what follows the send checks this.
  uint64_t generation_ = 0;
};

}  // namespace macros
