#include "hotkeys/hotkey_text.h"

#include "hotkeys/hotkey_data.h"

ShiftState HotkeyModsToShift(uint32_t modifiers) {
  ShiftState s;
  s.Ctrl = (modifiers & hk::kModControl) != 0;
  s.Alt = (modifiers & hk::kModAlt) != 0;
  s.Shift = (modifiers & hk::kModShift) != 0;
  return s;
}

namespace {

std::string KeyName(uint32_t vk, plat::IHotkeys& keys) {
  const uint32_t code = vk & 0xFFFF;
  if (code > 0xFF) return {};
  switch (code) {
    case 0x08:
      return "BkSp";
    case 0x09:
      return "Tab";
    case 0x0D:
      return "Enter";
    case 0x1B:
      return "Esc";
    case 0x20:
      return "Space";
    case 0x21:
      return "PgUp";
    case 0x22:
      return "PgDn";
    case 0x23:
      return "End";
    case 0x24:
      return "Home";
    case 0x25:
      return "Left";
    case 0x26:
      return "Up";
    case 0x27:
      return "Right";
    case 0x28:
      return "Down";
    case 0x2D:
      return "Ins";
    case 0x2E:
      return "Del";
    default:
      break;
  }
  if ((code >= 0x30 && code <= 0x39) || (code >= 0x41 && code <= 0x5A))
    return std::string(1, static_cast<char>(code));
  if (code >= 0x70 && code <= 0x87) {
    std::string f = std::to_string(code - 0x6F);
    f.insert(f.begin(), 'F');
    return f;
  }
  const uint32_t scan = keys.ScanCode(code);
  if (scan == 0) return {};
  return keys.KeyName(scan << 16);
}

}  // namespace

std::string HotkeyToText(uint32_t vk, uint32_t modifiers, plat::IHotkeys& keys) {
  std::string text;
  if (modifiers & hk::kModWin) text.append("Win+");
  const std::string name = KeyName(vk, keys);
  if (name.empty()) return text;
  const ShiftState s = HotkeyModsToShift(modifiers);
  if (s.Shift) text.append("Shift+");
  if (s.Ctrl) text.append("Ctrl+");
  if (s.Alt) text.append("Alt+");
  text.append(name);
  return text;
}
