// Timers of a window through SetTimer / WM_TIMER. Each model timer gets its own ID.
#pragma once

#include <windows.h>

#include <vector>

#include "ui/controls.h"

namespace win {

class WindowTimers : public ui::TimerDriver {
 public:
  explicit WindowTimers(HWND hwnd) : hwnd_(hwnd) {}
  ~WindowTimers() override;
  WindowTimers(const WindowTimers&) = delete;
  WindowTimers& operator=(const WindowTimers&) = delete;

  void Start(ui::Timer& timer, uint32_t intervalMs) override;
  void Stop(ui::Timer& timer) override;
  // WM_TIMER: true when the ID belongs to one of these timers.
  bool OnTimer(UINT_PTR id);

 private:
  static constexpr UINT_PTR kFirstId = 100;
  UINT_PTR IdOf(ui::Timer& timer);
  HWND hwnd_;
  std::vector<ui::Timer*> timers_;
};

}  // namespace win
