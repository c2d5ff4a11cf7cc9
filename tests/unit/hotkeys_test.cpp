// Hotkey text, registration and the dispatch of WM_HOTKEY in every state.
#include <gtest/gtest.h>

#include "fakes.h"
#include "hotkeys/hotkey_text.h"

namespace {

TEST(HotkeyTextTest, Table) {
  fakes::Hotkeys keys;
  keys.layout = {{0x60, {0x52, "Num 0"}}, {0x69, {0x49, "Num 9"}}, {0xBA, {0x27, ";"}}};
  struct Case {
    uint32_t vk, mods;
    const char* text;
  } cases[] = {
      {0x77, 0, "F8"},
      {0x51, 9, "Win+Alt+Q"},
      {0x2E, 7, "Shift+Ctrl+Alt+Del"},
      {0x53, 6, "Shift+Ctrl+S"},
      {0x58, 6, "Shift+Ctrl+X"},
      {0x41, 3, "Ctrl+Alt+A"},
      {0x00, 6, ""},          // no key name: no modifier words either
      {0x00, 8 | 6, "Win+"},  // ... but the Win prefix stays
      {0x141, 6, ""},         // a code of 256 or more
      {0x141, 8, "Win+"},
      {0x10041, 2, "Ctrl+A"},   // only the low 16 bits count
      {0x60, 2, "Ctrl+Num 0"},  // keypad digits take the layout's name, not a digit
      {0x69, 0, "Num 9"},
      {0x6A, 0, ""},  // no scan code: no name
      {0xBA, 4, "Shift+;"},
      {0x30, 0x10, "0"},  // other modifier bits are ignored
      {0x39, 0, "9"},
      {0x5A, 1, "Alt+Z"},
      {0x70, 0, "F1"},
      {0x87, 0, "F24"},
      {0x08, 0, "BkSp"},
      {0x09, 0, "Tab"},
      {0x0D, 0, "Enter"},
      {0x1B, 0, "Esc"},
      {0x20, 0, "Space"},
      {0x21, 0, "PgUp"},
      {0x22, 0, "PgDn"},
      {0x23, 0, "End"},
      {0x24, 0, "Home"},
      {0x25, 0, "Left"},
      {0x26, 0, "Up"},
      {0x27, 0, "Right"},
      {0x28, 0, "Down"},
      {0x2D, 0, "Ins"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HotkeyToText(c.vk, c.mods, keys), c.text) << std::hex << c.vk << " " << c.mods;
  EXPECT_EQ(HotkeyModsToShift(0xF), (ShiftState{true, true, true}));
  EXPECT_EQ(HotkeyModsToShift(0x8), (ShiftState{}));
}

struct HotkeyTest : ::testing::Test {
  fakes::Form f;
  MainForm& m = f.frm;
  static constexpr uintptr_t kStart = 1001, kStop = 1002, kStartMacros = 1003;
};

TEST_F(HotkeyTest, DefaultsAreRegisteredWithNoRepeatAndShownInTheLabel) {
  ASSERT_EQ(f.hotkeys.registered.size(), 3u);
  EXPECT_EQ(f.hotkeys.registered[0].id, 1001);
  EXPECT_EQ(f.hotkeys.registered[0].modifiers, 0x4006u);
  EXPECT_EQ(f.hotkeys.registered[0].vk, 0x53u);
  EXPECT_EQ(f.hotkeys.registered[1].vk, 0x58u);
  EXPECT_EQ(f.hotkeys.registered[2].id, 1003);
  EXPECT_EQ(f.hotkeys.registered[2].vk, 0x52u);
  EXPECT_EQ(m.hotkeysLabel.Text(),
            "Hotkeys \xE2\x80\x94 Start: Shift+Ctrl+S  |  Stop: Shift+Ctrl+X");
  EXPECT_EQ(m.statusLabel.Text(), "Ready");
  m.Destroy();
  EXPECT_TRUE(f.hotkeys.registered.empty());
}

TEST_F(HotkeyTest, StartAndStopInClickingMode) {
  m.HotkeyPressed(kStart);
  EXPECT_TRUE(m.Running());
  EXPECT_EQ(f.window.caption, "  Running... Press Shift+Ctrl+X to stop");
  f.clock.Advance(350);
  m.HotkeyPressed(kStart);  // during a run: nothing
  EXPECT_EQ(m.ClicksDone(), 3u);
  m.HotkeyPressed(kStop);
  EXPECT_FALSE(m.Running());
  EXPECT_EQ(m.statusLabel.Text(), "Stopped by hotkey. Clicks done: 3");
}

TEST_F(HotkeyTest, StopDuringTheStartDelayAndInMacroMode) {
  m.startDelayEdit.UserSetText("5");
  m.HotkeyPressed(kStart);
  m.HotkeyPressed(kStart);  // during the delay: nothing
  EXPECT_TRUE(m.StartDelayTimer().Enabled());
  m.macrosRadio.UserClick();
  m.HotkeyPressed(kStop);
  EXPECT_EQ(m.statusLabel.Text(), "Stopped by hotkey. Runs done: 0");
}

TEST_F(HotkeyTest, IdleAndCountdownIgnoreStopAndStartMacros) {
  m.HotkeyPressed(kStop);
  EXPECT_EQ(m.statusLabel.Text(), "Ready");
  m.HotkeyPressed(kStartMacros);  // outside the countdown: nothing
  EXPECT_FALSE(m.Recorder().Recording());
  m.macrosRadio.UserClick();
  m.createMacroButton.UserClick();  // the countdown
  ASSERT_TRUE(m.Recorder().CountingDown());
  m.HotkeyPressed(kStart);
  EXPECT_FALSE(m.Running());
  m.HotkeyPressed(kStop);
  EXPECT_EQ(m.statusLabel.Text(), "Ready");
  m.HotkeyPressed(4242);  // not ours
  EXPECT_EQ(m.statusLabel.Text(), "Ready");
}

TEST_F(HotkeyTest, StartDuringARecordingDoesNothing) {
  m.macrosRadio.UserClick();
  m.createMacroButton.UserClick();
  m.HotkeyPressed(kStartMacros);
  ASSERT_TRUE(m.Recorder().Recording());
  m.HotkeyPressed(kStart);
  EXPECT_FALSE(m.Running());
}

// A hotkey that cannot be registered is named on the status line instead of "Ready".
TEST(HotkeyProblemTest, FailedRegistrationsAreReported) {
  struct Case {
    std::function<void(fakes::Form&)> prepare;
    const char* status;
  } cases[] = {
      {[](fakes::Form& f) {
         f.hotkeys.heldElsewhere.push_back({6, 0x58});
       },
       "Stop hotkey Shift+Ctrl+X is in use by another program."},
      {[](fakes::Form& f) {
         f.env.files.insert(fakes::Form::kSettingsPath);
         f.profile.Set("HotkeyStartMacros", "vk", "83");
       },
       "Start-recording hotkey Shift+Ctrl+S is already the Start hotkey."},
      {[](fakes::Form& f) {
         f.env.files.insert(fakes::Form::kSettingsPath);
         f.profile.Set("HotkeyStart", "vk", "0");
       },
       "Start hotkey with key code 0 cannot be registered."},
  };
  for (const Case& c : cases) {
    fakes::Form f(c.prepare);
    EXPECT_EQ(f.frm.statusLabel.Text(), c.status);
  }
  // The label still shows the configured keys.
  fakes::Form f([](fakes::Form& g) { g.hotkeys.heldElsewhere.push_back({6, 0x58}); });
  EXPECT_EQ(f.frm.hotkeysLabel.Text(),
            "Hotkeys \xE2\x80\x94 Start: Shift+Ctrl+S  |  Stop: Shift+Ctrl+X");
}

}  // namespace
