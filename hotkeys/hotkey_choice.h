// The user's choice of the three hotkeys in the hotkey dialog: the conversion between the
// system hotkey control's value and a hotkey, and the rules a choice must keep.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "hotkeys/global_hotkeys.h"
#include "hotkeys/hotkey_data.h"

namespace hotkeys {

// The row of the dialog that holds an action's key: "Start", "Stop", "Start recording".
const char* RowName(HotkeyAction action);

// The hotkey control's value (HKM_GETHOTKEY: virtual-key code in the low byte, HOTKEYF_SHIFT,
// _CONTROL, _ALT and _EXT in the high byte) as a hotkey, and back. The control has no Win key:
// MOD_WIN is lost on the way to it. HOTKEYF_EXT only tells the control how to name the key.
HotkeyData FromHotkeyControl(uint16_t value);
uint16_t ToHotkeyControl(const HotkeyData& key);

// Whether the key alone, or with Shift alone, types or edits text, so that as a global hotkey it
// would fire while the user types: letters, digits, punctuation, the keypad, Space, Enter, Tab,
// the editing and arrow keys. Function keys, Pause, Scroll Lock and the media keys may stand
// alone.
bool IsTypingKey(uint32_t vk);

// Why the choice cannot be taken, naming the row and the key; empty when it can. Checks, in this
// order: a row without a key, two rows with the same keys, a typing key without Ctrl, Alt or
// Win. Whether the system gives the keys is for the registration to tell.
std::string ChoiceProblem(const HotkeyChoice& choice, const GlobalHotkeys& names);

}  // namespace hotkeys
