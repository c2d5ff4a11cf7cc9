#include "ui/win32/precise_timers.h"

#include <windows.h>

#include <mmsystem.h>

#include <algorithm>

namespace win {

namespace {

constexpr DWORD kHighResolutionTimer = 0x00000002;  // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION

// Windows 11 may hold a hidden or occluded process to the default timer resolution; a clicker
// running behind a full-screen program is exactly that case. These mirror the SDK's
// PROCESS_POWER_THROTTLING_STATE, which older headers lack.
struct PowerThrottlingState {
  ULONG Version;
  ULONG ControlMask;
  ULONG StateMask;
};
constexpr int kProcessPowerThrottling = 4;  // PROCESS_INFORMATION_CLASS value
constexpr ULONG kIgnoreTimerResolution = 0x4;

void HonourTimerResolution(bool always) {
  using Fn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
  static const auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetProcessInformation")));
  if (!fn) return;
  // ControlMask with the flag and StateMask 0: always honour the resolution; both 0: let the
  // system decide again.
  PowerThrottlingState state{1, always ? kIgnoreTimerResolution : 0, 0};
  fn(GetCurrentProcess(), kProcessPowerThrottling, &state, sizeof state);
}

}  // namespace

PreciseTimers::PreciseTimers(HWND hwnd)
    : hwnd_(hwnd),
      scheduler_([this] { return NowMicros(); }, [this](bool armed) { Rearm(armed); }) {
  QueryPerformanceFrequency(&frequency_);
  timer_ = CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS);
  highResolution_ = timer_ != nullptr;
  if (!timer_) timer_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
}

PreciseTimers::~PreciseTimers() {
  SetActive(false);
  if (timer_) CloseHandle(timer_);
}

uint64_t PreciseTimers::NowMicros() const {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const uint64_t f = static_cast<uint64_t>(frequency_.QuadPart);
  const uint64_t t = static_cast<uint64_t>(now.QuadPart);
  return t / f * 1000000 + t % f * 1000000 / f;
}

void PreciseTimers::OnSignaled() {
  constexpr double kMaxLeadUs = 2000;
  constexpr uint64_t kMaxYieldUs = 2500;
  const uint64_t woke = NowMicros();
  if (armedFor_ != 0 && woke > armedFor_) {
    const double late = static_cast<double>(woke - armedFor_);
    leadUs_ = std::min(kMaxLeadUs, leadUs_ * 0.9 + late * 0.1);
  }
  armedFor_ = 0;
  if (scheduler_.AnyArmed()) {
    const uint64_t next = scheduler_.NextDeadline();
    if (next > woke && next - woke <= kMaxYieldUs)
      while (NowMicros() < next) SwitchToThread();
  }
  scheduler_.ServiceDue();
}

bool PreciseTimers::OnTimer(UINT_PTR id) {
  if (id != kStandInId) return false;
  scheduler_.ServiceDue();
  return true;
}

void PreciseTimers::Rearm(bool anyArmed) {
  SetActive(anyArmed);
  if (!timer_) return;
  if (!anyArmed) {
    CancelWaitableTimer(timer_);
    return;
  }
  const uint64_t now = NowMicros();
  const uint64_t next = scheduler_.NextDeadline();
  const uint64_t lead = static_cast<uint64_t>(leadUs_);
  const uint64_t wake = next > lead ? next - lead : 0;
  LARGE_INTEGER due;
  // Relative, in 100 ns units; a time already passed signals at once.
  due.QuadPart = wake > now ? -static_cast<LONGLONG>((wake - now) * 10) : -1;
  armedFor_ = wake > now ? wake : 0;
  SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE);
}

// Only while some timer is armed: an idle program asks the system for nothing.
void PreciseTimers::SetActive(bool active) {
  if (active == active_) return;
  active_ = active;
  HonourTimerResolution(active);
  if (!highResolution_) {
    if (active)
      timeBeginPeriod(1);
    else
      timeEndPeriod(1);
  }
  if (active)
    SetTimer(hwnd_, kStandInId, kStandInMs, nullptr);
  else if (hwnd_ && IsWindow(hwnd_))
    KillTimer(hwnd_, kStandInId);
}

}  // namespace win
