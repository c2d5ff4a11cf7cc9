#include "ui/timer_scheduler.h"

#include <algorithm>

namespace ui {

TimerScheduler::TimerScheduler(std::function<uint64_t()> now, std::function<void(bool)> changed)
    : now_(std::move(now)), changed_(std::move(changed)) {}

void TimerScheduler::Start(Timer& timer, uint32_t intervalMs) {
  ++generation_;
  const uint64_t period = uint64_t{std::max<uint32_t>(intervalMs, 1)} * 1000;
  const uint64_t deadline = now_() + period;
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&](const Entry& e) { return e.timer == &timer; });
  if (it == entries_.end())
    entries_.push_back({&timer, deadline, period, deadline, false, generation_});
  else
    *it = {&timer, deadline, period, deadline, false, generation_};
  Changed();
}

void TimerScheduler::Stop(Timer& timer) {
  ++generation_;
  std::erase_if(entries_, [&](const Entry& e) { return e.timer == &timer; });
  Changed();
}

bool TimerScheduler::Armed(const Timer& timer) const {
  return std::any_of(entries_.begin(), entries_.end(),
                     [&](const Entry& e) { return e.timer == &timer; });
}

uint64_t TimerScheduler::NextDeadline() const {
  uint64_t next = UINT64_MAX;
  for (const Entry& e : entries_) next = std::min(next, e.deadline);
  return next;
}

void TimerScheduler::ServiceDue() {
  // Tells the driver once at the end, also when a handler throws.
  struct Servicing {
    TimerScheduler& s;
    explicit Servicing(TimerScheduler& scheduler) : s(scheduler) { ++s.servicing_; }
    ~Servicing() {
      --s.servicing_;
      s.Changed();
    }
  } servicing(*this);
  // Each timer fires at most once per call; a handler may start or stop any timer.
  std::vector<Timer*> fired;
  for (;;) {
    const uint64_t now = now_();
    Entry* due = nullptr;
    for (Entry& e : entries_)
      if (e.deadline <= now && std::find(fired.begin(), fired.end(), e.timer) == fired.end() &&
          (due == nullptr || e.deadline < due->deadline))
        due = &e;
    if (due == nullptr) break;
    Timer* timer = due->timer;
    fired.push_back(timer);
    const uint64_t before = generation_;
    const Entry snapshot = *due;
    timer->Fire();
    if (generation_ != before) {
      // The handler re-armed or stopped timers: entries may have moved; a restarted timer keeps
      // its new countdown. An untouched timer still needs its next deadline.
      auto it = std::find_if(entries_.begin(), entries_.end(),
                             [&](const Entry& e) { return e.timer == timer; });
      if (it == entries_.end() || it->serial != snapshot.serial) continue;
      due = &*it;
    }
    const uint64_t after = now_();
    if (snapshot.catchUp) {
      // Back onto the grid: its first point after now.
      due->grid += ((after - due->grid) / due->period + 1) * due->period;
      due->deadline = due->grid;
      due->catchUp = false;
    } else {
      due->grid = snapshot.grid + due->period;
      if (due->grid > after) {
        due->deadline = due->grid;
      } else {
        due->deadline = after;  // the one tick that stands for all missed ones
        due->catchUp = true;
      }
    }
  }
}

}  // namespace ui
