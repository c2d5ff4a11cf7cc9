// libFuzzer target for HotkeyToText over every virtual-key code and modifier set.
//
// The input's first 8 bytes are the code and the modifiers (two little-endian 32-bit values,
// missing bytes read as 0). The key names outside the fixed table come from a made-up
// keyboard layout that leaves some keys without a scan code or a name and gives others names
// that hold "+" or a modifier's word, as real layouts do ("Num +", "Shift").
//
// Checked for every input: the text begins with "Win+" exactly when MOD_WIN is set; after that
// prefix, a key without a name gives no text at all (no modifier word without a key), and a
// named key gives Shift+, Ctrl+, Alt+ for the bits that are set, in that order, then the name;
// the name is the fixed table's for its codes and otherwise the layout's, asked with the low
// byte of the code only, and never for a code of 256 or more in the low 16 bits.
//
// Before fuzzing, every code from 0 to 0x1FF is checked with every combination of the four
// modifier bits.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hotkeys/hotkey_text.h"

namespace {

[[noreturn]] void Fail(const char* what, uint32_t vk, uint32_t mods, const std::string& text) {
  std::fprintf(stderr, "hotkey text property broken: %s (vk 0x%X, modifiers 0x%X, text \"%s\")\n",
               what, vk, mods, text.c_str());
  std::abort();
}

// A keyboard layout: keys whose code is a multiple of 7 have no scan code; the others have one
// whose name is taken from a small list, some of them empty.
class Layout : public plat::IHotkeys {
 public:
  plat::HotkeyResult Register(int, uint32_t, uint32_t) override {
    return plat::HotkeyResult::Failed;
  }
  void Unregister(int) override {}
  uint32_t ScanCode(uint32_t vk) override {
    askedScan.push_back(vk);
    return vk % 7 == 0 ? 0 : vk + 0x100;
  }
  std::string KeyName(uint32_t lparam) override {
    askedName.push_back(lparam);
    return NameOfScan(lparam >> 16);
  }

  static std::string NameOfScan(uint32_t scan) {
    static const char* const kNames[] = {"", "Num +", "Shift", "Right Ctrl", "Num 7", "Alt+"};
    return kNames[scan % (sizeof kNames / sizeof kNames[0])];
  }

  std::vector<uint32_t> askedScan;
  std::vector<uint32_t> askedName;
};

// The key name by the table of fixed names, or nothing when the layout is to be asked.
bool FixedName(uint32_t code, std::string& name) {
  static const struct {
    uint32_t code;
    const char* name;
  } kTable[] = {{0x08, "BkSp"}, {0x09, "Tab"},   {0x0D, "Enter"}, {0x1B, "Esc"},  {0x20, "Space"},
                {0x21, "PgUp"}, {0x22, "PgDn"},  {0x23, "End"},   {0x24, "Home"}, {0x25, "Left"},
                {0x26, "Up"},   {0x27, "Right"}, {0x28, "Down"},  {0x2D, "Ins"},  {0x2E, "Del"}};
  for (const auto& entry : kTable) {
    if (entry.code == code) {
      name = entry.name;
      return true;
    }
  }
  if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) {
    name = std::string(1, static_cast<char>(code));
    return true;
  }
  if (code >= 0x70 && code <= 0x87) {
    name = "F" + std::to_string(code - 0x6F);
    return true;
  }
  return false;
}

void Check(uint32_t vk, uint32_t mods) {
  Layout layout;
  const std::string text = HotkeyToText(vk, mods, layout);

  const bool win = (mods & 0x8) != 0;
  if (text.starts_with("Win+") != win) Fail("Win+ prefix and MOD_WIN disagree", vk, mods, text);
  const std::string rest = win ? text.substr(4) : text;

  const uint32_t low16 = vk & 0xFFFF;
  std::string name;
  std::vector<uint32_t> expectedScan;
  std::vector<uint32_t> expectedName;
  if (low16 <= 0xFF && !FixedName(low16, name)) {
    expectedScan.push_back(low16);
    const uint32_t scan = low16 % 7 == 0 ? 0 : low16 + 0x100;
    if (scan != 0) {
      expectedName.push_back(scan << 16);
      name = Layout::NameOfScan(scan);
    }
  }
  if (layout.askedScan != expectedScan)
    Fail("the layout was asked for the wrong key", vk, mods, text);
  if (layout.askedName != expectedName)
    Fail("the layout was asked for the wrong name", vk, mods, text);

  if (name.empty()) {
    if (!rest.empty()) Fail("modifier words without a key name", vk, mods, text);
    return;
  }
  std::string expected;
  if (mods & 0x4) expected += "Shift+";
  if (mods & 0x2) expected += "Ctrl+";
  if (mods & 0x1) expected += "Alt+";
  expected += name;
  if (rest != expected) Fail("shortcut text", vk, mods, text);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  for (uint32_t code = 0; code <= 0x1FF; ++code) {
    for (uint32_t mods = 0; mods <= 0xF; ++mods) Check(code, mods);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t bytes[8] = {};
  std::memcpy(bytes, data, size < 8 ? size : 8);
  const uint32_t vk = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                      static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  const uint32_t mods = static_cast<uint32_t>(bytes[4]) | static_cast<uint32_t>(bytes[5]) << 8 |
                        static_cast<uint32_t>(bytes[6]) << 16 |
                        static_cast<uint32_t>(bytes[7]) << 24;
  Check(vk, mods);
  return 0;
}
