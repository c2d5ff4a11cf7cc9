#include "platform/win32/input_thread.h"

namespace win {

thread_local InputThread* InputThread::current_ = nullptr;

namespace {

// An event that resets itself, closed when it goes.
class StartSignal {
 public:
  StartSignal() : h_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~StartSignal() {
    if (h_) CloseHandle(h_);
  }
  StartSignal(const StartSignal&) = delete;
  StartSignal& operator=(const StartSignal&) = delete;
  HANDLE Get() const { return h_; }

 private:
  HANDLE h_;
};

}  // namespace

plat::IInputEventSource::Hooks InputThread::Start(bool withKeys,
                                                  plat::IInputEventListener& listener) {
  Stop();
  queue_.Clear();
  hooks_ = {};
  StartSignal started;
  if (!started.Get()) return {};
  try {
    thread_ = std::thread([this, withKeys, h = started.Get()] { Run(withKeys, h); });
  } catch (...) {
    return {};  // no thread: no hooks
  }
  // A short wait, for the thread to come up and the system to take the hooks.
  WaitForSingleObject(started.Get(), INFINITE);
  listener_ = &listener;
  return hooks_;
}

void InputThread::Stop() {
  listener_ = nullptr;
  if (!thread_.joinable()) return;
  // The thread's message queue exists before it starts looping, and nothing else posts to it.
  while (looping_.load() && !PostThreadMessageW(threadId_.load(), WM_QUIT, 0, 0)) Sleep(1);
  thread_.join();
}

void InputThread::Notify() {
  if (listener_) listener_->InputQueued();
}

void InputThread::Run(bool withKeys, HANDLE started) noexcept {
  MSG msg;
  // The thread's message queue, so that the WM_QUIT of Stop finds it.
  PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  threadId_.store(GetCurrentThreadId());
  current_ = this;
  const HINSTANCE module = GetModuleHandleW(nullptr);
  const HHOOK mouse = SetWindowsHookExW(WH_MOUSE_LL, MouseProc, module, 0);
  const HHOOK keyboard =
      withKeys ? SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardProc, module, 0) : nullptr;
  hooks_ = {mouse != nullptr, keyboard != nullptr};
  const bool any = mouse || keyboard;
  looping_.store(any);
  SetEvent(started);  // `started` is not touched after this
  // The system calls the procedures from inside GetMessageW; no window lives on this thread.
  if (any)
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    }
  if (keyboard) UnhookWindowsHookEx(keyboard);
  if (mouse) UnhookWindowsHookEx(mouse);
  current_ = nullptr;
  looping_.store(false);
}

void InputThread::Queue(plat::InputEvent& event) noexcept {
  event.micros = clock_.NowMicros();
  if (!queue_.Push(event)) return;
  // The first of a batch: the window takes the whole batch when it gets to this message.
  if (!PostMessageW(window_, kQueuedMessage, 0, 0)) queue_.NoticeLost();
}

LRESULT CALLBACK InputThread::MouseProc(int code, WPARAM wp, LPARAM lp) noexcept {
  if (code >= 0 && current_ != nullptr) {
    const auto* data = reinterpret_cast<const MSLLHOOKSTRUCT*>(lp);
    plat::InputEvent event;
    event.device = plat::InputEvent::Device::Mouse;
    event.message = static_cast<uint32_t>(wp);
    event.x = data->pt.x;
    event.y = data->pt.y;
    event.mouseData = static_cast<uint32_t>(data->mouseData);
    event.extraInfo = static_cast<uint64_t>(data->dwExtraInfo);
    current_->Queue(event);
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT CALLBACK InputThread::KeyboardProc(int code, WPARAM wp, LPARAM lp) noexcept {
  if (code >= 0 && current_ != nullptr) {
    const auto* data = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
    plat::InputEvent event;
    event.device = plat::InputEvent::Device::Keyboard;
    event.message = static_cast<uint32_t>(wp);
    event.vk = static_cast<uint32_t>(data->vkCode);
    event.scanCode = static_cast<uint32_t>(data->scanCode);
    event.flags = static_cast<uint32_t>(data->flags);
    event.extraInfo = static_cast<uint64_t>(data->dwExtraInfo);
    current_->Queue(event);
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace win
