#include "ui/win32/timers.h"

namespace win {

WindowTimers::~WindowTimers() {
  for (size_t i = 0; i < timers_.size(); ++i) KillTimer(hwnd_, kFirstId + i);
}

UINT_PTR WindowTimers::IdOf(ui::Timer& timer) {
  for (size_t i = 0; i < timers_.size(); ++i)
    if (timers_[i] == &timer) return kFirstId + i;
  timers_.push_back(&timer);
  return kFirstId + timers_.size() - 1;
}

void WindowTimers::Start(ui::Timer& timer, uint32_t intervalMs) {
  SetTimer(hwnd_, IdOf(timer), intervalMs, nullptr);
}

void WindowTimers::Stop(ui::Timer& timer) {
  // A tick that was already queued finds the timer disabled and does nothing.
  KillTimer(hwnd_, IdOf(timer));
}

bool WindowTimers::OnTimer(UINT_PTR id) {
  if (id < kFirstId || id >= kFirstId + timers_.size()) return false;
  timers_[id - kFirstId]->Fire();
  return true;
}

}  // namespace win
