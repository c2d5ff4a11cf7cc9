// The fine clock.
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

}  // namespace win
