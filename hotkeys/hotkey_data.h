// A global hotkey: a virtual-key code and the MOD_* modifier bits.
#pragma once

#include <cstdint>

struct HotkeyData {
  uint32_t Vk = 0;
  uint32_t Modifiers = 0;
  friend bool operator==(const HotkeyData&, const HotkeyData&) = default;
};

namespace hk {
inline constexpr uint32_t kModAlt = 0x1;
inline constexpr uint32_t kModControl = 0x2;
inline constexpr uint32_t kModShift = 0x4;
inline constexpr uint32_t kModWin = 0x8;
inline constexpr uint32_t kModNoRepeat = 0x4000;
}  // namespace hk
