// The display text of a hotkey, such as "Shift+Ctrl+X".
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

struct ShiftState {
  bool Shift = false;
  bool Ctrl = false;
  bool Alt = false;
  friend bool operator==(const ShiftState&, const ShiftState&) = default;
};

// Ctrl, Alt and Shift from MOD_CONTROL, MOD_ALT and MOD_SHIFT; every other bit is ignored.
ShiftState HotkeyModsToShift(uint32_t modifiers);

// "Win+" when MOD_WIN is set, then Shift+, Ctrl+, Alt+ and the key's name; an unnamed key
// gives no shortcut text at all. Names outside the fixed table come from the keyboard layout.
std::string HotkeyToText(uint32_t vk, uint32_t modifiers, plat::IHotkeys& keys);
