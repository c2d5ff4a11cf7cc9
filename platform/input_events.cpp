#include "platform/input_events.h"

namespace plat {

namespace {
// Room for a second of a fast mouse before the first batch is taken.
constexpr size_t kInitialRoom = 1024;
}  // namespace

InputEventQueue::InputEventQueue() {
  events_.reserve(kInitialRoom);
}

bool InputEventQueue::Push(const InputEvent& event) noexcept {
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    if (events_.size() >= kCapacity) return false;
    events_.push_back(event);
    if (noticed_) return false;
    noticed_ = true;
    return true;
  } catch (...) {
    return false;  // no memory, or no lock: the event is dropped and the hook goes on
  }
}

void InputEventQueue::NoticeLost() noexcept {
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    noticed_ = false;
  } catch (...) {
  }
}

void InputEventQueue::Take(std::vector<InputEvent>& out) {
  out.clear();
  std::lock_guard<std::mutex> lock(mutex_);
  out.swap(events_);
  noticed_ = false;
}

void InputEventQueue::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.clear();
  noticed_ = false;
}

}  // namespace plat
