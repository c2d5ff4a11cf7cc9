// The fine clock and the low-level mouse hook.
#include "platform/win32/services_win32.h"

namespace win {

Clock::Clock() {
  QueryPerformanceFrequency(&frequency_);
}

uint64_t Clock::NowMicros() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const uint64_t f = static_cast<uint64_t>(frequency_.QuadPart);
  const uint64_t t = static_cast<uint64_t>(now.QuadPart);
  return t / f * 1000000 + t % f * 1000000 / f;
}

plat::IMouseHookSink* MouseHook::sink_ = nullptr;

bool MouseHook::Install(plat::IMouseHookSink& sink) {
  Remove();
  sink_ = &sink;
  hook_ = SetWindowsHookExW(WH_MOUSE_LL, Proc, GetModuleHandleW(nullptr), 0);
  if (!hook_) sink_ = nullptr;
  return hook_ != nullptr;
}

void MouseHook::Remove() {
  if (hook_) UnhookWindowsHookEx(hook_);
  hook_ = nullptr;
  sink_ = nullptr;
}

LRESULT CALLBACK MouseHook::Proc(int code, WPARAM wp, LPARAM lp) noexcept {
  if (code >= 0 && sink_ != nullptr) {
    const auto* data = reinterpret_cast<const MSLLHOOKSTRUCT*>(lp);
    sink_->OnMouse(static_cast<uint32_t>(wp), data->pt.x, data->pt.y);
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace win
