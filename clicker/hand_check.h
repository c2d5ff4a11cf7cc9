// Taking the mouse back stops a run: while the program moves the pointer itself (coordinates
// mode, macro playback), the pointer is read just before every input the program sends and,
// in the waits between, on a timer of its own. Between two readings the program knows where it
// left the pointer, so whatever the pointer travelled since is the hand's. Those distances add
// up over a sliding window: more than 25 pixels (at the scale of the monitor the program works
// on) within 300 ms stops the run, so a flick stops it as well as a slow, steady drag, and a
// bump of a few pixels does not while the pointer rests. No hook is involved: a low-level hook
// would make every event of the system, and the program's own SendInput, wait for it.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

#include "clicker/input_synthesis.h"
#include "platform/platform.h"
#include "ui/controls.h"

namespace clicker {

class HandCheck : public ISendWatch {
 public:
  HandCheck(plat::IInput& input, plat::IClock& clock, ui::TimerDriver* timers);
  ~HandCheck() override = default;
  HandCheck(const HandCheck&) = delete;
  HandCheck& operator=(const HandCheck&) = delete;

  // The user moved the mouse away; the check is disarmed by then. Called from inside the check
  // that found it, before the input it was made for goes out (that input is withheld).
  std::function<void()> OnHandMove;

  // A run begins: movements count from the program's first move of the pointer in it.
  void Arm();
  // Nothing more is read or reported.
  void Disarm();
  bool Armed() const { return armed_; }
  // Whether the program has moved the pointer in this run, so that movements count.
  bool Watching() const { return armed_ && seen_.has_value(); }
  // The hand's movement, in pixels, within the last window.
  double Travelled() const { return travelled_; }

  // Reads the pointer now; false when the hand has taken it back (the run is being stopped).
  bool Check();

  // ISendWatch
  bool BeforeSend() override { return Check(); }
  void Moved(const plat::Point& requested) override;

  // The hand's travel at 96 DPI beyond which the run stops, and the window it adds up over.
  static constexpr int32_t kDistance96 = 25;
  static constexpr uint64_t kWindowUs = 300000;
  // How often the pointer is read while the program sends nothing (only in waits this long).
  static constexpr uint32_t kPollMs = 15;

 private:
  void Add(double distance, uint64_t nowUs);

  plat::IInput& input_;
  plat::IClock& clock_;
  ui::Timer poll_{kPollMs};
  bool armed_ = false;
  // Where the pointer was last seen: where the program's move left it (or, while the system
  // has not carried that move out yet, where it still was), or where the last check found it.
  std::optional<plat::Point> seen_;
  std::optional<plat::Point> seenToo_;
  // Where the system may put the pointer back by itself (see plat::IInput::PointerResyncs):
  // the last point the pointer was read at that the program had not put it on, and where and
  // when the program last moved it.
  bool resyncs_ = false;
  std::optional<plat::Point> restPoint_;
  std::optional<plat::Point> requested_;
  uint64_t movedAtUs_ = 0;
  // The point the limit was worked out for, and the limit in pixels there.
  std::optional<plat::Point> limitFor_;
  double limit_ = kDistance96;
  struct Step {
    uint64_t atUs;
    double distance;
  };
  std::deque<Step> steps_;  // the movements within the window, oldest first
  double travelled_ = 0;
};

}  // namespace clicker
