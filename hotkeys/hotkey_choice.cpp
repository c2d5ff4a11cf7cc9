#include "hotkeys/hotkey_choice.h"

namespace hotkeys {

namespace {

constexpr uint16_t kHotkeyfShift = 0x01;
constexpr uint16_t kHotkeyfControl = 0x02;
constexpr uint16_t kHotkeyfAlt = 0x04;
constexpr uint16_t kHotkeyfExt = 0x08;

// Keys the control names by their extended scan code (the arrows, the block above them, Num /).
bool IsExtendedKey(uint32_t vk) {
  return (vk >= 0x21 && vk <= 0x28) || vk == 0x2D || vk == 0x2E || vk == 0x6F || vk == 0x90;
}

std::string Quoted(HotkeyAction action) {
  return std::string("\"") + RowName(action) + "\"";
}

}  // namespace

const char* RowName(HotkeyAction action) {
  switch (action) {
    case HotkeyAction::Start:
      return "Start";
    case HotkeyAction::Stop:
      return "Stop";
    case HotkeyAction::StartRecording:
      return "Start recording";
  }
  return "";
}

HotkeyData FromHotkeyControl(uint16_t value) {
  const uint16_t flags = static_cast<uint16_t>(value >> 8);
  HotkeyData key;
  key.Vk = value & 0xFF;
  if (flags & kHotkeyfShift) key.Modifiers |= hk::kModShift;
  if (flags & kHotkeyfControl) key.Modifiers |= hk::kModControl;
  if (flags & kHotkeyfAlt) key.Modifiers |= hk::kModAlt;
  return key;
}

uint16_t ToHotkeyControl(const HotkeyData& key) {
  uint16_t flags = 0;
  if (key.Modifiers & hk::kModShift) flags |= kHotkeyfShift;
  if (key.Modifiers & hk::kModControl) flags |= kHotkeyfControl;
  if (key.Modifiers & hk::kModAlt) flags |= kHotkeyfAlt;
  if (IsExtendedKey(key.Vk)) flags |= kHotkeyfExt;
  return static_cast<uint16_t>(flags << 8 | (key.Vk & 0xFF));
}

bool IsTypingKey(uint32_t vk) {
  if (vk >= 0x70 && vk <= 0x87) return false;  // F1..F24
  switch (vk) {
    case 0x13:  // Pause
    case 0x91:  // Scroll Lock
    case 0x2C:  // Print Screen
      return false;
    default:
      break;
  }
  if (vk >= 0xA6 && vk <= 0xB7) return false;  // browser, volume and media keys
  return true;
}

std::string ChoiceProblem(const HotkeyChoice& choice, const GlobalHotkeys& names) {
  constexpr HotkeyAction kRows[] = {HotkeyAction::Start, HotkeyAction::Stop,
                                    HotkeyAction::StartRecording};
  for (size_t i = 0; i < choice.size(); ++i)
    if (choice[i].Vk == 0) return "Choose a key for " + Quoted(kRows[i]) + ".";
  for (size_t i = 0; i < choice.size(); ++i)
    for (size_t j = i + 1; j < choice.size(); ++j)
      if (choice[i] == choice[j])
        return Quoted(kRows[i]) + " and " + Quoted(kRows[j]) + " are both " +
               names.Text(choice[i]) + ". Each needs keys of its own.";
  constexpr uint32_t kCtrlAltWin = hk::kModControl | hk::kModAlt | hk::kModWin;
  for (size_t i = 0; i < choice.size(); ++i)
    if ((choice[i].Modifiers & kCtrlAltWin) == 0 && IsTypingKey(choice[i].Vk))
      return Quoted(kRows[i]) + " is " + names.Text(choice[i]) +
             ", which would fire while you type. Add Ctrl, Alt or Win to it, or choose a "
             "function key such as F6.";
  return {};
}

}  // namespace hotkeys
