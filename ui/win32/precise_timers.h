// The window's timers on a high-resolution waitable timer, so that intervals down to 1 ms are
// kept (SetTimer rounds to the system tick). The message loop waits on Handle() together with
// the thread's messages and calls OnSignaled(); a coarse SetTimer stands in while a modal loop
// (a message box) has the thread, which does not wait on the handle.
#pragma once

#include <windows.h>

#include "ui/timer_scheduler.h"

namespace win {

class PreciseTimers : public ui::TimerDriver {
 public:
  explicit PreciseTimers(HWND hwnd);
  ~PreciseTimers() override;
  PreciseTimers(const PreciseTimers&) = delete;
  PreciseTimers& operator=(const PreciseTimers&) = delete;

  void Start(ui::Timer& timer, uint32_t intervalMs) override {
    scheduler_.Start(timer, intervalMs);
  }
  void Stop(ui::Timer& timer) override { scheduler_.Stop(timer); }

  // Signalled when the earliest deadline has come.
  HANDLE Handle() const { return timer_; }
  void OnSignaled();
  // WM_TIMER: true when it is the stand-in timer's.
  bool OnTimer(UINT_PTR id);

 private:
  static constexpr UINT_PTR kStandInId = 0x5A44;
  static constexpr UINT kStandInMs = 10;
  void Rearm(bool anyArmed);
  void SetActive(bool active);
  uint64_t NowMicros() const;

  HWND hwnd_;
  HANDLE timer_ = nullptr;
  bool highResolution_ = false;
  bool active_ = false;
  // The system timer wakes the thread late by a fairly steady amount (about a millisecond
  // under Wine); it is learned and the timer set that much early, and the thread yields
  // through what remains, so that ticks come on their deadlines.
  uint64_t armedFor_ = 0;
  double leadUs_ = 0;
  LARGE_INTEGER frequency_{};
  ui::TimerScheduler scheduler_;
};

}  // namespace win
