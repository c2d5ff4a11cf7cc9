// The fine clock and precise waits, and the low-level mouse hook.
#include "platform/win32/services_win32.h"

#include <mmsystem.h>

#include "mainform/main_form.h"

namespace win {

namespace {
// Not in every SDK's headers: high-resolution waitable timers (Windows 10 1803 and later).
constexpr DWORD kHighResolutionTimer = 0x00000002;
}  // namespace

Clock::Clock() {
  QueryPerformanceFrequency(&frequency_);
  timer_ = CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS);
  if (!timer_) {
    timer_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    raisePeriod_ = true;
  }
}

Clock::~Clock() {
  while (preciseDepth_ > 0) EndPrecise();
  if (timer_) CloseHandle(timer_);
}

uint64_t Clock::NowMicros() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const uint64_t f = static_cast<uint64_t>(frequency_.QuadPart);
  const uint64_t t = static_cast<uint64_t>(now.QuadPart);
  return t / f * 1000000 + t % f * 1000000 / f;
}

void Clock::SleepUntilMicros(uint64_t deadline) {
  // The timer wakes up late by up to a millisecond (more without high resolution), so it
  // covers the wait only up to the last stretch, and the thread yields through that stretch:
  // a macro recorded at 1000 Hz would otherwise lose a little on every event.
  constexpr uint64_t kYieldUs = 1500;
  const uint64_t now = NowMicros();
  if (deadline <= now) return;
  const uint64_t remaining = deadline - now;
  if (remaining > kYieldUs) {
    const uint64_t sleep = remaining - kYieldUs;
    bool waited = false;
    if (timer_) {
      LARGE_INTEGER due;
      due.QuadPart = -static_cast<LONGLONG>(sleep * 10);  // relative, in 100 ns units
      waited = SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE) &&
               WaitForSingleObject(timer_, INFINITE) == WAIT_OBJECT_0;
    }
    if (!waited) ::Sleep(static_cast<DWORD>(sleep / 1000));
  }
  while (NowMicros() < deadline) SwitchToThread();
}

void Clock::BeginPrecise() {
  if (preciseDepth_++ == 0 && raisePeriod_) timeBeginPeriod(1);
}

void Clock::EndPrecise() {
  if (preciseDepth_ == 0) return;
  if (--preciseDepth_ == 0 && raisePeriod_) timeEndPeriod(1);
}

bool MouseHook::Install() {
  Remove();
  hook_ = SetWindowsHookExW(WH_MOUSE_LL, Proc, GetModuleHandleW(nullptr), 0);
  return hook_ != nullptr;
}

void MouseHook::Remove() {
  if (hook_) UnhookWindowsHookEx(hook_);
  hook_ = nullptr;
}

LRESULT CALLBACK MouseHook::Proc(int code, WPARAM wp, LPARAM lp) noexcept {
  if (code >= 0 && HookTargetForm != nullptr) {
    const auto* data = reinterpret_cast<const MSLLHOOKSTRUCT*>(lp);
    HookTargetForm->HookMouseEvent(static_cast<uint32_t>(wp), data->pt.x, data->pt.y);
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace win
