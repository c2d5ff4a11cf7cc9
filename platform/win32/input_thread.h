// The recorder's low-level hooks on an input thread of their own. While a low-level hook is
// installed every mouse or keyboard event of the system waits for its procedure, and Windows
// silently removes a hook that keeps it waiting too long; so the hooks are installed on a
// thread that does nothing but run their procedures from its message loop. Each procedure
// stamps the event with the recorder's fine clock and queues it, and the window is told with
// one posted message per batch, never one per event: a busy window neither delays the user's
// input nor fills its message queue.
#pragma once

#include <windows.h>

#include <atomic>
#include <thread>

#include "platform/input_events.h"
#include "platform/win32/services_win32.h"

namespace win {

class InputThread : public plat::IInputEventSource {
 public:
  // Posted to the window when events wait; the window calls Notify.
  static constexpr UINT kQueuedMessage = WM_APP + 3;

  // `clock` stamps the events; the recorder takes its start from it too.
  explicit InputThread(Clock& clock) : clock_(clock) {}
  ~InputThread() override { Stop(); }
  InputThread(const InputThread&) = delete;
  InputThread& operator=(const InputThread&) = delete;

  // The window that kQueuedMessage goes to; set before Start.
  void SetWindow(HWND hwnd) { window_ = hwnd; }
  // Starts the thread and waits until it has installed the hooks (or the system refused them).
  Hooks Start(bool withKeys, plat::IInputEventListener& listener) override;
  // Ends the thread's message loop with WM_QUIT and joins it; its hooks are removed by then.
  void Stop() override;
  void Take(std::vector<plat::InputEvent>& out) override { queue_.Take(out); }
  // kQueuedMessage came: the listener is told, when a recording listens.
  void Notify();

 private:
  // The thread: installs the hooks, reports them through `started`, runs the message loop until
  // WM_QUIT, removes the hooks.
  void Run(bool withKeys, HANDLE started) noexcept;
  static LRESULT CALLBACK MouseProc(int code, WPARAM wp, LPARAM lp) noexcept;
  static LRESULT CALLBACK KeyboardProc(int code, WPARAM wp, LPARAM lp) noexcept;
  void Queue(plat::InputEvent& event) noexcept;

  // The owner of the hooks of the thread that runs a procedure: set on the input thread before
  // its hooks are installed, so that the procedures need no shared state.
  static thread_local InputThread* current_;

  Clock& clock_;
  HWND window_ = nullptr;
  plat::InputEventQueue queue_;
  plat::IInputEventListener* listener_ = nullptr;
  std::thread thread_;
  std::atomic<DWORD> threadId_{0};
  std::atomic<bool> looping_{false};  // the thread is in its message loop
  Hooks hooks_;                       // written by the thread before it signals the start
};

}  // namespace win
