// Hotkey text, registration and the dispatch of WM_HOTKEY in every state.
#include <gtest/gtest.h>

#include "fakes.h"
#include "hotkeys/hotkey_choice.h"
#include "hotkeys/hotkey_text.h"
#include "mainform/command_line.h"

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

// ---------------------------------------------------------------------------------------------
// The hotkey dialog.

// The hotkey control keeps Shift, Ctrl and Alt as HOTKEYF_SHIFT 1, _CONTROL 2, _ALT 4 (and
// _EXT 8 for the naming of extended keys); RegisterHotKey as MOD_ALT 1, MOD_CONTROL 2,
// MOD_SHIFT 4.
TEST(HotkeyChoiceTest, HotkeyControlValuesAndModifiers) {
  const struct {
    uint16_t control;
    HotkeyData key;
    uint16_t back;  // what the key gives the control again
  } cases[] = {
      {0x0353, {'S', hk::kModControl | hk::kModShift}, 0x0353},  // Shift+Ctrl+S
      {0x0158, {'X', hk::kModShift}, 0x0158},
      {0x0452, {'R', hk::kModAlt}, 0x0452},
      {0x0775, {0x75, hk::kModAlt | hk::kModControl | hk::kModShift}, 0x0775},
      {0x0075, {0x75, 0}, 0x0075},                // F6 alone
      {0x0A27, {0x27, hk::kModControl}, 0x0A27},  // Ctrl+Right: extended
      {0x0227, {0x27, hk::kModControl}, 0x0A27},  // ... named as such on the way back
      {0x0000, {0, 0}, 0x0000},                   // an empty control
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.control);
    EXPECT_EQ(hotkeys::FromHotkeyControl(c.control), c.key);
    EXPECT_EQ(hotkeys::ToHotkeyControl(c.key), c.back);
  }
  // The control has no Win key.
  EXPECT_EQ(hotkeys::ToHotkeyControl({'Q', hk::kModWin | hk::kModAlt}), 0x0451);
}

TEST(HotkeyChoiceTest, RulesOfAChoice) {
  fakes::Hotkeys system;
  hotkeys::GlobalHotkeys names(system);
  const HotkeyData ctrlShiftS{'S', 6}, ctrlShiftX{'X', 6}, ctrlShiftR{'R', 6};
  const struct {
    const char* label;
    hotkeys::HotkeyChoice choice;
    const char* problem;
  } cases[] = {
      {"the defaults", {ctrlShiftS, ctrlShiftX, ctrlShiftR}, ""},
      {"F6 alone", {HotkeyData{0x75, 0}, ctrlShiftX, ctrlShiftR}, ""},
      {"Shift+F6, Pause, Scroll Lock",
       {HotkeyData{0x75, 4}, HotkeyData{0x13, 0}, HotkeyData{0x91, 0}},
       ""},
      {"Ctrl, Alt or Win with a letter",
       {HotkeyData{'A', 2}, HotkeyData{'1', 1}, HotkeyData{'Q', 8}},
       ""},
      {"an empty row", {ctrlShiftS, HotkeyData{0, 0}, ctrlShiftR}, "Choose a key for \"Stop\"."},
      {"the same keys twice",
       {ctrlShiftS, ctrlShiftX, ctrlShiftS},
       "\"Start\" and \"Start recording\" are both Shift+Ctrl+S. Each needs keys of its own."},
      {"a letter alone",
       {HotkeyData{'A', 0}, ctrlShiftX, ctrlShiftR},
       "\"Start\" is A, which would fire while you type. Add Ctrl, Alt or Win to it, or choose "
       "a function key such as F6."},
      {"Shift and a digit",
       {ctrlShiftS, HotkeyData{'7', 4}, ctrlShiftR},
       "\"Stop\" is Shift+7, which would fire while you type. Add Ctrl, Alt or Win to it, or "
       "choose a function key such as F6."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(hotkeys::ChoiceProblem(c.choice, names), c.problem);
  }
  for (uint32_t vk : {0x20u, 0x0Du, 0x09u, 0x08u, 0x25u, 0x2Eu, 0x60u, 0xBAu, 0xDEu})
    EXPECT_TRUE(hotkeys::IsTypingKey(vk)) << std::hex << vk;
  for (uint32_t vk : {0x70u, 0x87u, 0x13u, 0x91u, 0xADu, 0xB3u})
    EXPECT_FALSE(hotkeys::IsTypingKey(vk)) << std::hex << vk;
}

// OK takes a good choice at once: registered anew, shown, written to the settings file. A
// choice another program holds is refused with a message that names it, and the keys of before
// stay registered; Cancel changes nothing.
TEST_F(HotkeyTest, TheDialogAppliesAGoodChoiceAndRefusesAHeldOne) {
  f.hotkeys.heldElsewhere.push_back({hk::kModAlt, 0x75});  // Alt+F6, held by another program
  const hotkeys::HotkeyChoice held{HotkeyData{0x75, hk::kModAlt}, HotkeyData{'X', 6},
                                   HotkeyData{'R', 6}};
  const hotkeys::HotkeyChoice good{
      HotkeyData{0x75, 0}, HotkeyData{'X', hk::kModControl | hk::kModAlt}, HotkeyData{'R', 6}};
  f.hotkeyDialog.okPresses = {held, good};
  f.hotkeyDialog.whileOpen = [&] { EXPECT_TRUE(f.hotkeys.registered.empty()); };
  m.hotkeysButton.UserClick();
  ASSERT_EQ(f.hotkeyDialog.shownWith.size(), 1u);
  EXPECT_EQ(f.hotkeyDialog.shownWith[0],
            (hotkeys::HotkeyChoice{HotkeyData{'S', 6}, HotkeyData{'X', 6}, HotkeyData{'R', 6}}));
  ASSERT_EQ(f.hotkeyDialog.answers.size(), 2u);
  EXPECT_EQ(f.hotkeyDialog.answers[0],
            "Start hotkey Alt+F6 is in use by another program. Choose another one.");
  EXPECT_EQ(f.hotkeyDialog.answers[1], "");
  EXPECT_EQ(m.hotkeysLabel.Text(), "Hotkeys \xE2\x80\x94 Start: F6  |  Stop: Ctrl+Alt+X");
  ASSERT_EQ(f.hotkeys.registered.size(), 3u);
  EXPECT_EQ(f.hotkeys.registered[0].vk, 0x75u);
  EXPECT_EQ(f.hotkeys.registered[0].modifiers, 0x4000u);
  EXPECT_EQ(f.profile.Get("HotkeyStart", "vk"), "117");
  EXPECT_EQ(f.profile.Get("HotkeyStart", "mod"), "0");
  EXPECT_EQ(f.profile.Get("HotkeyStop", "mod"), "3");
  m.HotkeyPressed(kStart);  // the new key starts
  EXPECT_TRUE(m.Running());
  m.HotkeyPressed(kStop);
  // The compact bar's text follows the new keys.
  m.HotkeyPressed(kStart);
  EXPECT_EQ(f.window.caption.find("Ctrl+Alt+X") != std::string::npos, true) << f.window.caption;
  m.HotkeyPressed(kStop);

  // Cancel: nothing changes.
  const std::string fileBefore = f.profile.Get("HotkeyStart", "vk");
  const size_t writes = f.profile.writes.size();
  m.hotkeysButton.UserClick();
  EXPECT_EQ(f.hotkeyDialog.shownWith.size(), 2u);
  EXPECT_EQ(f.hotkeyDialog.shownWith[1], good);
  EXPECT_EQ(f.profile.writes.size(), writes);
  EXPECT_EQ(f.hotkeys.registered[0].vk, 0x75u);

  // No dialog while a run may need the stop key.
  m.startButton.UserClick();
  m.hotkeysButton.UserClick();
  EXPECT_EQ(f.hotkeyDialog.shownWith.size(), 2u);
  m.stopButton.UserClick();
}

// A choice the rules refuse never reaches the system; the status line's old complaint about a
// held hotkey goes once a good choice works.
TEST(HotkeyDialogTest, RefusedChoicesChangeNothingAndAWorkingChoiceClearsTheComplaint) {
  fakes::Form f([](fakes::Form& g) { g.hotkeys.heldElsewhere.push_back({6, 'X'}); });
  ASSERT_EQ(f.frm.statusLabel.Text(), "Stop hotkey Shift+Ctrl+X is in use by another program.");
  f.hotkeyDialog.okPresses = {{HotkeyData{'S', 6}, HotkeyData{'S', 6}, HotkeyData{'R', 6}}};
  f.hotkeys.log.clear();
  f.frm.hotkeysButton.UserClick();
  // Unregistered while the dialog was open, the keys of before again after its Cancel: the
  // refused choice never reached the system.
  EXPECT_EQ(f.hotkeys.log,
            (std::vector<std::string>{"unregister 1001", "unregister 1002", "unregister 1003",
                                      "register 1001", "register 1002", "register 1003"}));
  EXPECT_EQ(f.hotkeyDialog.answers.back(),
            "\"Start\" and \"Stop\" are both Shift+Ctrl+S. Each needs keys of its own.");
  f.hotkeyDialog.okPresses = {{HotkeyData{'S', 6}, HotkeyData{0x7B, 0}, HotkeyData{'R', 6}}};
  f.frm.hotkeysButton.UserClick();
  EXPECT_EQ(f.hotkeyDialog.answers.back(), "");
  EXPECT_EQ(f.frm.statusLabel.Text(), "Ready");
  EXPECT_EQ(f.frm.hotkeysLabel.Text(), "Hotkeys \xE2\x80\x94 Start: Shift+Ctrl+S  |  Stop: F12");
}

// The dialog's fields cannot show Win: a Win hotkey from the settings file stays whole when its
// row is left alone and another row changes.
TEST(HotkeyDialogTest, ARowLeftAloneKeepsItsWinKey) {
  fakes::Form f([](fakes::Form& g) {
    g.env.files.insert(fakes::Form::kSettingsPath);
    g.profile.Set("HotkeyStart", "vk", "81");  // Q
    g.profile.Set("HotkeyStart", "mod", "9");  // Win+Alt
  });
  ASSERT_EQ(f.frm.Hotkeys().Key(hotkeys::HotkeyAction::Start), (HotkeyData{'Q', 9}));
  // What the dialog's rows give back: Alt+Q without Win, the new stop key, the same recording key.
  f.hotkeyDialog.okPresses = {
      {HotkeyData{'Q', hk::kModAlt}, HotkeyData{0x7B, 0}, HotkeyData{'R', 6}}};
  f.frm.hotkeysButton.UserClick();
  EXPECT_EQ(f.hotkeyDialog.answers.back(), "");
  EXPECT_EQ(f.frm.Hotkeys().Key(hotkeys::HotkeyAction::Start), (HotkeyData{'Q', 9}));
  EXPECT_EQ(f.frm.Hotkeys().Key(hotkeys::HotkeyAction::Stop), (HotkeyData{0x7B, 0}));
  EXPECT_EQ(f.profile.Get("HotkeyStart", "mod"), "9");
}

// No run without a way to stop it: while another program holds the stop hotkey, every way of
// starting shows why and starts nothing, and the status line keeps what it said.
TEST(StopHotkeyTest, EveryStartIsRefusedWhileTheStopHotkeyIsHeldElsewhere) {
  const std::string expected =
      "The stop hotkey Shift+Ctrl+X is not available (it is in use by another program). Choose "
      "another one with Hotkeys... before starting.";
  const struct {
    const char* label;
    bool macros;
    std::function<void(MainForm&)> start;
  } cases[] = {
      {"Start button", false, [](MainForm& m) { m.startButton.UserClick(); }},
      {"start hotkey", false, [](MainForm& m) { m.HotkeyPressed(1001); }},
      {"command line", false,
       [](MainForm& m) {
         mainform::Command c;
         c.start = true;
         m.RunCommand(c);
       }},
      {"playback", true, [](MainForm& m) { m.startButton.UserClick(); }},
      {"command line playback", true,
       [](MainForm& m) {
         mainform::Command c;
         c.play = "M";
         m.RunCommand(c);
       }},
      {"recording countdown", true, [](MainForm& m) { m.createMacroButton.UserClick(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    fakes::Form f([](fakes::Form& g) { g.hotkeys.heldElsewhere.push_back({6, 'X'}); });
    MainForm& m = f.frm;
    if (c.macros) {
      auto macro = std::make_shared<RecordedMacro>();
      macro->SetName("M");
      macro->Events() = {{0, MacroEventKind::Down, 1, 1, 0}, {5, MacroEventKind::Up, 1, 1, 0}};
      m.Library().Add(macro);
      m.RefreshMacroList();
      m.macroList.SetItemIndex(0);
      m.macrosRadio.UserClick();
    }
    const std::string status = m.statusLabel.Text();
    c.start(m);
    f.clock.Advance(12000);
    EXPECT_FALSE(m.Running());
    EXPECT_FALSE(m.Recorder().CountingDown());
    EXPECT_TRUE(f.mouse.sent.empty());
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].kind, plat::MsgKind::Warning);
    EXPECT_EQ(f.dialogs.messages[0].text, expected);
    EXPECT_EQ(m.statusLabel.Text(), status);
  }
  // Once another stop key works, the run starts.
  fakes::Form f([](fakes::Form& g) { g.hotkeys.heldElsewhere.push_back({6, 'X'}); });
  f.hotkeyDialog.okPresses = {{HotkeyData{'S', 6}, HotkeyData{0x7B, 0}, HotkeyData{'R', 6}}};
  f.frm.hotkeysButton.UserClick();
  f.frm.startButton.UserClick();
  EXPECT_TRUE(f.frm.Running());
  EXPECT_TRUE(f.dialogs.messages.empty());
}

}  // namespace
