// The recorder's input: the events of the low-level mouse and keyboard hooks, each stamped with
// the fine clock when its hook was called, queued on the input thread that owns the hooks and
// taken by the user-interface thread. The hooks never wait for the user-interface thread, and
// a busy user-interface thread changes no event's time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace plat {

// One call of a low-level hook.
struct InputEvent {
  enum class Device : uint8_t { Mouse, Keyboard };
  Device device = Device::Mouse;
  // Mouse: WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_MOUSEWHEEL, WM_XBUTTONDOWN, ...; keyboard:
  // WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP.
  uint32_t message = 0;
  // Mouse: the point the hook reports and its mouseData (the wheel delta or the side button in
  // the high word).
  int32_t x = 0;
  int32_t y = 0;
  uint32_t mouseData = 0;
  // Keyboard: the key's virtual-key code, scan code and flags (LLKHF_EXTENDED, ...).
  uint32_t vk = 0;
  uint32_t scanCode = 0;
  uint32_t flags = 0;
  // The dwExtraInfo of the input (what the program that sent it put there).
  uint64_t extraInfo = 0;
  // IClock::NowMicros when the hook was called.
  uint64_t micros = 0;
  friend bool operator==(const InputEvent&, const InputEvent&) = default;
};

// Told on the user-interface thread that events wait in the source: once per batch, however
// many events the batch holds.
class IInputEventListener {
 public:
  virtual ~IInputEventListener() = default;
  virtual void InputQueued() = 0;
};

// The low-level hooks of a recording, on an input thread of their own.
class IInputEventSource {
 public:
  virtual ~IInputEventSource() = default;
  struct Hooks {
    bool mouse = false;
    bool keyboard = false;
  };
  // Installs the mouse hook and, with `withKeys`, the keyboard hook, and says which the system
  // took. The queue starts empty; from then on every event is stamped and queued, and `listener`
  // is told when a batch waits. The listener must stay until Stop.
  virtual Hooks Start(bool withKeys, IInputEventListener& listener) = 0;
  // Removes the hooks; when it returns no event comes any more. What was queued stays for Take.
  virtual void Stop() = 0;
  // Takes the events queued so far, in the order they came, into `out` (cleared first).
  virtual void Take(std::vector<InputEvent>& out) = 0;
};

// The queue between the input thread and the user-interface thread. Push is the hook's side and
// does constant work (amortised: the storage taken back by Take is reused); Take and Clear are
// the user-interface thread's.
class InputEventQueue {
 public:
  // Beyond this many events waiting (minutes of input while the user-interface thread hangs)
  // further events are dropped, so that a hung program does not grow without end.
  static constexpr size_t kCapacity = size_t{1} << 20;

  InputEventQueue();
  InputEventQueue(const InputEventQueue&) = delete;
  InputEventQueue& operator=(const InputEventQueue&) = delete;

  // Adds an event. True when the consumer must be told: the first event since it last took the
  // queue, or since a notice was lost.
  bool Push(const InputEvent& event) noexcept;
  // The producer's notice did not get through (a full message queue): the next Push asks for
  // another.
  void NoticeLost() noexcept;
  // Moves every queued event into `out` (cleared first), in order; `out`'s storage becomes the
  // queue's.
  void Take(std::vector<InputEvent>& out);
  // Empties the queue; the next event asks for a notice.
  void Clear();

 private:
  std::mutex mutex_;
  std::vector<InputEvent> events_;
  bool noticed_ = false;  // the consumer has been told of the events waiting
};

}  // namespace plat
