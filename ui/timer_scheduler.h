// Deadlines of a window's timers on a microsecond clock. A timer driver (the real one on
// Windows, the fake one in the tests) asks it which timer is due and when to wake up next.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "ui/controls.h"

namespace ui {

class TimerScheduler : public TimerDriver {
 public:
  // `now` reads the clock in microseconds; `changed` is told whenever the earliest deadline
  // may have moved (to re-arm a system timer), with false when no timer is armed any more.
  TimerScheduler(std::function<uint64_t()> now, std::function<void(bool anyArmed)> changed = {});

  void Start(Timer& timer, uint32_t intervalMs) override;
  void Stop(Timer& timer) override;

  bool AnyArmed() const { return !entries_.empty(); }
  bool Armed(const Timer& timer) const;
  // The earliest deadline; only meaningful while AnyArmed().
  uint64_t NextDeadline() const;
  // Fires every timer whose deadline has passed, one tick each, earliest first. A periodic
  // timer's ticks keep to a grid of whole intervals from its start, so the period does not
  // drift by the time a tick takes; ticks missed meanwhile collapse into one that follows at
  // once, and the next comes at the next point of the grid.
  void ServiceDue();

 private:
  struct Entry {
    Timer* timer;
    uint64_t deadline;  // when it fires next
    uint64_t period;
    uint64_t grid;    // the grid point of its last regular tick
    bool catchUp;     // the next tick stands for missed ones
    uint64_t serial;  // which Start armed it
  };
  std::function<uint64_t()> now_;
  std::function<void(bool)> changed_;
  std::vector<Entry> entries_;
  uint64_t generation_ = 0;  // bumped by every Start/Stop, to spot re-arming from a handler
  // While ServiceDue runs, the handlers' Start and Stop calls do not re-arm the system timer one
  // by one: ServiceDue tells the driver once at its end.
  int servicing_ = 0;
  void Changed() {
    if (changed_ && servicing_ == 0) changed_(!entries_.empty());
  }
};

}  // namespace ui
