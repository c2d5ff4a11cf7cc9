// The recorder: countdown, hook events and their thinning, naming and saving.
#include <gtest/gtest.h>

#include <fstream>

#include "fakes.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kMove = 0x200, kLDown = 0x201, kLUp = 0x202, kRDown = 0x204, kRUp = 0x205,
                   kMDown = 0x207, kMUp = 0x208, kWheel = 0x20A, kXDown = 0x20B, kXUp = 0x20C,
                   kHWheel = 0x20E, kKeyDown = 0x100, kKeyUp = 0x101, kSysKeyDown = 0x104;
constexpr uintptr_t kStopHotkey = 1002, kStartMacrosHotkey = 1003;

using K = MacroEventKind;

struct RecorderTest : ::testing::Test {
  fakes::TempDir dir{"rec"};
  fakes::Form f{[this](fakes::Form& g) {
    g.env.realFiles = true;
    g.env.vars["APPDATA"] = dir.path.string();
  }};
  MainForm& m = f.frm;
  fs::path macros = dir.path / "JUX Zura Divudiv" / "Macros";

  void StartRecordingNow() {
    m.macrosRadio.UserClick();
    m.createMacroButton.UserClick();
    m.HotkeyPressed(kStartMacrosHotkey);
    ASSERT_TRUE(m.Recorder().Recording());
  }
  std::vector<std::string> MacroFiles() {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(macros)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(RecorderTest, CountdownTextsAndTiming) {
  m.macrosRadio.UserClick();
  m.createMacroButton.UserClick();
  EXPECT_TRUE(m.Recorder().CountingDown());
  EXPECT_EQ(f.window.caption, "  Recording starts in 10...");
  EXPECT_TRUE(f.window.topMost);
  std::vector<std::string> captions, blinks;
  f.window.calls.clear();
  for (int second = 1; second <= 10; ++second) {
    // Each second blanks the caption for 100 ms, without holding the thread, then shows the
    // number.
    f.clock.Advance(second == 1 ? 1000 : 900);
    blinks.push_back(f.window.caption);
    f.clock.Advance(100);
    captions.push_back(f.window.caption);
  }
  EXPECT_EQ(captions.front(), "  Recording starts in 10 ...");
  EXPECT_EQ(captions[1], "  Recording starts in 9 ...");
  EXPECT_EQ(captions.back(), "  Recording starts in 1 ...");
  EXPECT_EQ(blinks, std::vector<std::string>(10, "  "));
  EXPECT_FALSE(m.Recorder().Recording());
  f.clock.Advance(900);
  EXPECT_TRUE(m.Recorder().Recording());
  EXPECT_TRUE(f.hook.installed);
  EXPECT_EQ(f.window.caption, "  Recording... Press Shift+Ctrl+X to stop");
  EXPECT_EQ(m.statusLabel.Text(), "Recording macro...");
  EXPECT_FALSE(m.Recorder().CountingDown());
}

TEST_F(RecorderTest, HotkeysDuringTheCountdown) {
  m.macrosRadio.UserClick();
  m.createMacroButton.UserClick();
  m.HotkeyPressed(kStopHotkey);  // nothing: the countdown goes on
  EXPECT_TRUE(m.Recorder().CountingDown());
  EXPECT_EQ(m.statusLabel.Text(), "Ready");
  m.startButton.UserClick();  // refused
  m.createMacroButton.UserClick();
  EXPECT_FALSE(m.Running());
  m.HotkeyPressed(kStartMacrosHotkey);  // cuts it short
  EXPECT_TRUE(m.Recorder().Recording());
  EXPECT_FALSE(m.Recorder().CountingDown());
  m.HotkeyPressed(kStartMacrosHotkey);  // outside the countdown: nothing more
  EXPECT_EQ(f.hook.installs, 1);
}

TEST_F(RecorderTest, CreateIsRefusedDuringARun) {
  m.startButton.UserClick();  // a clicking run
  ASSERT_TRUE(m.Running());
  m.macrosRadio.UserClick();
  m.createMacroButton.UserClick();
  EXPECT_FALSE(m.Recorder().CountingDown());
  m.stopButton.UserClick();
}

TEST_F(RecorderTest, ThinningRules) {
  f.mouse.cursor = {10, 10};
  StartRecordingNow();
  m.Recorder().OnMouse(kMove, 10, 10, 0, 0);  // the start position: dropped
  f.clock.Advance(5);
  m.Recorder().OnMouse(kMove, 11, 10, 0, 0);
  m.Recorder().OnMouse(kMove, 11, 10, 0, 0);   // the same pixel twice: once
  m.Recorder().OnMouse(kLDown, 11, 10, 0, 0);  // no move ahead of it: the pointer is there
  m.Recorder().OnMouse(kMove, 12, 10, 0, 0);
  m.Recorder().OnMouse(kLUp, 13, 10, 0, 0);    // a move to the release point first
  m.Recorder().OnMouse(kMove, 11, 10, 0, 0);   // back to an earlier pixel: stored again
  m.Recorder().OnMouse(kXDown, 20, 20, 0, 0);  // no side button named: ignored
  m.Recorder().OnMouse(0x209, 20, 20, 0, 0);   // a double click message: not a hook event
  m.Recorder().OnMouse(kRDown, 11, 10, 0, 0);
  m.Recorder().OnMouse(kRUp, 11, 10, 0, 0);
  m.Recorder().OnMouse(kMDown, 11, 11, 0, 0);
  m.Recorder().OnMouse(kMUp, 11, 11, 0, 0);
  std::vector<MacroEvent> expected = {
      {5, K::Move, 11, 10, -1}, {5, K::Down, 11, 10, 0}, {5, K::Move, 12, 10, -1},
      {5, K::Move, 13, 10, -1}, {5, K::Up, 13, 10, 0},   {5, K::Move, 11, 10, -1},
      {5, K::Down, 11, 10, 1},  {5, K::Up, 11, 10, 1},   {5, K::Move, 11, 11, -1},
      {5, K::Down, 11, 11, 2},  {5, K::Up, 11, 11, 2}};
  EXPECT_EQ(m.Recorder().Events(), expected);
}

// The wheels and the side buttons, each after a move to where it happened; the delta and the
// side button come from the high word of mouseData.
TEST_F(RecorderTest, WheelsAndSideButtons) {
  f.mouse.cursor = {0, 0};
  StartRecordingNow();
  f.clock.Advance(7);
  m.Recorder().OnMouse(kWheel, 20, 20, 120u << 16, 0);
  m.Recorder().OnMouse(kWheel, 20, 20, static_cast<uint32_t>(-240) << 16, 0);
  m.Recorder().OnMouse(kHWheel, 21, 20, static_cast<uint32_t>(-120) << 16, 0);
  m.Recorder().OnMouse(kXDown, 21, 20, 1u << 16, 0);
  m.Recorder().OnMouse(kXUp, 21, 20, 1u << 16, 0);
  m.Recorder().OnMouse(kXDown, 22, 20, 2u << 16, 0);
  m.Recorder().OnMouse(kXUp, 22, 20, 2u << 16, 0);
  EXPECT_EQ(m.Recorder().Events(), (std::vector<MacroEvent>{{7, K::Move, 20, 20, -1},
                                                            {7, K::Wheel, 20, 20, 120},
                                                            {7, K::Wheel, 20, 20, -240},
                                                            {7, K::Move, 21, 20, -1},
                                                            {7, K::HorizontalWheel, 21, 20, -120},
                                                            {7, K::Down, 21, 20, 3},
                                                            {7, K::Up, 21, 20, 3},
                                                            {7, K::Move, 22, 20, -1},
                                                            {7, K::Down, 22, 20, 4},
                                                            {7, K::Up, 22, 20, 4}}));
  EXPECT_FALSE(f.keyHook.installed);  // "Keyboard" is off
  m.Recorder().OnKey(kKeyDown, 'A', 0x1E, 0);
  EXPECT_EQ(m.Recorder().Events().size(), 10u);
}

// With "Keyboard" checked the keyboard hook comes and goes with the mouse hook. Keys are kept as
// pressed, auto-repeat included, at the pointer's last position; a release whose press was not
// recorded (the start-recording chord let go after the countdown) is left out, and so are the
// presses of the stop chord at the end, whatever the stop hotkey is, while earlier uses of the
// same keys stay.
TEST_F(RecorderTest, KeysWithoutTheProgramsOwnChords) {
  constexpr uint32_t kLCtrl = 0xA2, kLShift = 0xA0, kLAlt = 0xA4, kF6 = 0x75;
  const int32_t ctrl = PackMacroKey(kLCtrl, 0x1D, false), c = PackMacroKey('C', 0x2E, false),
                a = PackMacroKey('A', 0x1E, false), right = PackMacroKey(0x27, 0x4D, true),
                x = PackMacroKey('X', 0x2D, false);
  struct Press {
    uint32_t message, vk, scan;
  };
  const struct {
    const char* label;
    HotkeyData stop;
    std::vector<Press> chord;  // pressed at the end, before the hotkey fires
  } cases[] = {
      {"Ctrl+Shift+X held",
       {'X', hk::kModControl | hk::kModShift},
       {{kKeyDown, kLCtrl, 0x1D},
        {kKeyDown, kLCtrl, 0x1D},
        {kKeyDown, kLShift, 0x2A},
        {kKeyDown, 'X', 0x2D},
        {kKeyDown, 'X', 0x2D}}},  // repeats before the hotkey is seen
      // Injected in one go, the releases reach the hook before the hotkey reaches the window.
      {"Ctrl+Shift+X released",
       {'X', hk::kModControl | hk::kModShift},
       {{kKeyDown, 0x11, 0x1D},
        {kKeyDown, 0x10, 0x2A},
        {kKeyDown, 'X', 0x2D},
        {kKeyUp, 'X', 0x2D},
        {kKeyUp, 0x10, 0x2A},
        {kKeyUp, 0x11, 0x1D}}},
      {"Alt+F6", {kF6, hk::kModAlt}, {{kSysKeyDown, kLAlt, 0x38}, {kSysKeyDown, kF6, 0x40}}},
      {"F6", {kF6, 0}, {{kKeyDown, kF6, 0x40}}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.label);
    fakes::TempDir folder{"keys"};
    fakes::Form g{[&](fakes::Form& h) {
      h.env.realFiles = true;
      h.env.vars["APPDATA"] = folder.path.string();
    }};
    MainForm& n = g.frm;
    n.Hotkeys().SetKey(hotkeys::HotkeyAction::Stop, k.stop);
    g.mouse.cursor = {5, 6};
    n.macrosRadio.UserClick();
    n.recordKeysCheck.UserClick();
    n.createMacroButton.UserClick();
    n.HotkeyPressed(kStartMacrosHotkey);
    ASSERT_TRUE(n.Recorder().Recording());
    EXPECT_TRUE(g.keyHook.installed);
    EXPECT_TRUE(n.Recorder().RecordingKeys());
    plat::IKeyHookSink& keys = n.Recorder();
    // The start-recording chord is let go.
    keys.OnKey(kKeyUp, 'R', 0x13, 0);
    keys.OnKey(kKeyUp, kLShift, 0x2A, 0);
    keys.OnKey(kKeyUp, kLCtrl, 0x1D, 0);
    g.clock.Advance(10);
    keys.OnKey(kKeyDown, kLCtrl, 0x1D, 0);  // Ctrl+C: Ctrl belongs to most chords too
    keys.OnKey(kKeyDown, 'C', 0x2E, 0);
    keys.OnKey(kKeyUp, 'C', 0x2E, 0);
    keys.OnKey(kKeyUp, kLCtrl, 0x1D, 0);
    g.clock.Advance(10);
    n.Recorder().OnMouse(kMove, 30, 40, 0, 0);
    keys.OnKey(kKeyDown, 'A', 0x1E, 0);
    keys.OnKey(kKeyDown, 'A', 0x1E, 0);  // auto-repeat
    keys.OnKey(kKeyUp, 'A', 0x1E, 0);
    keys.OnKey(kKeyUp, 'B', 0x30, 0);  // never pressed while recording
    keys.OnKey(kKeyDown, 0x27, 0x4D, 0x01);
    keys.OnKey(kKeyUp, 0x27, 0x4D, 0x81);
    keys.OnKey(kKeyDown, 'X', 0x2D, 0);  // the stop chord's key, typed on its own
    keys.OnKey(kKeyUp, 'X', 0x2D, 0);
    g.clock.Advance(10);
    for (const Press& p : k.chord) {
      keys.OnKey(p.message, p.vk, p.scan, 0);
      n.Recorder().OnMouse(kMove, 31, 40, 0, 0);  // the hand moves the mouse meanwhile
    }
    n.HotkeyPressed(kStopHotkey);
    EXPECT_FALSE(g.keyHook.installed);
    EXPECT_FALSE(g.hook.installed);
    ASSERT_EQ(n.Library().Macros().size(), 1u);
    const RecordedMacro& made = *n.Library().Macros()[0];
    EXPECT_EQ(made.Events(), (std::vector<MacroEvent>{{10, K::KeyDown, 5, 6, ctrl},
                                                      {10, K::KeyDown, 5, 6, c},
                                                      {10, K::KeyUp, 5, 6, c},
                                                      {10, K::KeyUp, 5, 6, ctrl},
                                                      {20, K::Move, 30, 40, -1},
                                                      {20, K::KeyDown, 30, 40, a},
                                                      {20, K::KeyDown, 30, 40, a},
                                                      {20, K::KeyUp, 30, 40, a},
                                                      {20, K::KeyDown, 30, 40, right},
                                                      {20, K::KeyUp, 30, 40, right},
                                                      {20, K::KeyDown, 30, 40, x},
                                                      {20, K::KeyUp, 30, 40, x},
                                                      {30, K::Move, 31, 40, -1}}));
    EXPECT_EQ(made.DurationMs(), 30u);
    auto back = RecordedMacro::LoadFromFile(made.FileName());
    EXPECT_EQ(back->Events(), made.Events());
  }
}

TEST_F(RecorderTest, HookOnlyRecordsWhileRecording) {
  m.Recorder().OnMouse(kMove, 1, 1, 0, 0);
  EXPECT_TRUE(m.Recorder().Events().empty());
}

TEST_F(RecorderTest, StopHotkeySavesListsAndSelects) {
  f.mouse.cursor = {0, 0};
  f.env.now = {2024, 3, 7, 9, 5, 2};
  StartRecordingNow();
  f.clock.Advance(15);
  m.Recorder().OnMouse(kMove, 641, 480, 0, 0);
  f.clock.Advance(1185);
  m.Recorder().OnMouse(kLDown, 641, 480, 0, 0);
  f.clock.Advance(34);
  m.Recorder().OnMouse(kLUp, 641, 480, 0, 0);
  f.clock.Advance(5000);  // idle time before the stop does not count
  m.HotkeyPressed(kStopHotkey);
  EXPECT_FALSE(m.Recorder().Recording());
  EXPECT_FALSE(f.hook.installed);
  EXPECT_FALSE(m.CompactActive());
  EXPECT_EQ(f.window.caption, "  JUX Zura Divudiv 1.0");
  EXPECT_EQ(m.statusLabel.Text(),
            "Macro saved: 2024-03-07 09.05.02 (1.2s). Recording stopped by hotkey.");
  EXPECT_EQ(MacroFiles(), (std::vector<std::string>{"2024-03-07_09.05.02.juxmac"}));
  auto back = RecordedMacro::LoadFromFile((macros / "2024-03-07_09.05.02.juxmac").string());
  EXPECT_EQ(back->Name(), "2024-03-07 09.05.02 (1.2s)");
  EXPECT_EQ(back->DurationMs(), 1234u);
  EXPECT_EQ(back->Events(), (std::vector<MacroEvent>{{15, K::Move, 641, 480, -1},
                                                     {1200, K::Down, 641, 480, 0},
                                                     {1234, K::Up, 641, 480, 0}}));
  ASSERT_EQ(m.macroList.ItemIndex(), 0);
  EXPECT_EQ(m.macroList.Items()[0], "2024-03-07 09.05.02 (1.2s)");
  EXPECT_TRUE(m.Recorder().Events().empty());
}

TEST_F(RecorderTest, RecordingsInTheSameSecondGetTheirOwnFiles) {
  for (int i = 0; i < 3; ++i) {
    StartRecordingNow();
    m.Recorder().OnMouse(kMove, 100 + i, 5, 0, 0);
    m.HotkeyPressed(kStopHotkey);
  }
  EXPECT_EQ(MacroFiles(),
            (std::vector<std::string>{"2024-03-07_09.05.02.juxmac", "2024-03-07_09.05.02_2.juxmac",
                                      "2024-03-07_09.05.02_3.juxmac"}));
  EXPECT_EQ(m.Library().Macros().size(), 3u);
}

TEST_F(RecorderTest, EmptyRecordingSavesNothing) {
  f.mouse.cursor = {50, 50};
  StartRecordingNow();
  m.Recorder().OnMouse(kMove, 50, 50, 0, 0);
  m.HotkeyPressed(kStopHotkey);
  EXPECT_EQ(m.statusLabel.Text(), "Macro recording cancelled or empty.");
  EXPECT_TRUE(MacroFiles().empty());
  EXPECT_FALSE(m.CompactActive());
}

TEST_F(RecorderTest, ClosingDuringARecordingSavesIt) {
  StartRecordingNow();
  m.Recorder().OnMouse(kMove, 3, 4, 0, 0);
  m.Closing();
  EXPECT_NE(m.statusLabel.Text().find("Recording stopped because application is closing."),
            std::string::npos);
  EXPECT_EQ(MacroFiles().size(), 1u);
  m.Destroy();
  EXPECT_FALSE(f.hook.installed);
}

TEST_F(RecorderTest, ClosingDuringTheCountdownSavesNothing) {
  m.macrosRadio.UserClick();
  m.createMacroButton.UserClick();
  m.Closing();
  EXPECT_TRUE(MacroFiles().empty());
}

// A file named "Macros" where the folder should be: the recording cannot be written, and is
// still listed, selected and playable; renaming it later saves it.
TEST_F(RecorderTest, ARecordingThatCannotBeWrittenStaysInTheList) {
  fs::remove_all(macros);
  { std::ofstream(macros.string()) << "not a folder"; }
  StartRecordingNow();
  m.Recorder().OnMouse(kLDown, 20, 30, 0, 0);
  m.Recorder().OnMouse(kLUp, 20, 30, 0, 0);
  f.dialogs.messages.clear();
  m.HotkeyPressed(kStopHotkey);
  ASSERT_EQ(f.dialogs.messages.size(), 1u);
  EXPECT_EQ(f.dialogs.messages[0].kind, plat::MsgKind::Error);
  EXPECT_NE(f.dialogs.messages[0].text.find("could not be saved"), std::string::npos);
  EXPECT_EQ(m.statusLabel.Text(),
            "Macro recorded but not saved: 2024-03-07 09.05.02 (0.0s). Recording stopped by "
            "hotkey.");
  ASSERT_EQ(m.Library().Macros().size(), 1u);
  EXPECT_EQ(m.Library().Macros()[0]->FileName(), "");
  ASSERT_EQ(m.macroList.ItemIndex(), 0);
  EXPECT_EQ(m.macroList.Items()[0], "2024-03-07 09.05.02 (0.0s)");

  // Played at once.
  m.repeatCountRadio.UserClick();
  m.repeatCountEdit.UserSetText("1");
  f.mouse.sent.clear();
  m.startButton.UserClick();
  f.clock.Advance(100);
  EXPECT_EQ(m.statusLabel.Text(), "Completed macro repeat count. Runs done: 1");
  EXPECT_EQ(f.mouse.sent.size(), 5u);  // move; move, press; move, release

  // Saved by a rename once the folder can be written; nothing is deleted.
  fs::remove(macros);
  fs::create_directories(macros);
  f.dialogs.inputs.push_back({true, "first"});
  m.renameMacroButton.UserClick();
  EXPECT_EQ(m.statusLabel.Text(), "Macro renamed.");
  EXPECT_EQ(MacroFiles(), (std::vector<std::string>{"first.juxmac"}));
  EXPECT_EQ(RecordedMacro::LoadFromFile((macros / "first.juxmac").string())->Events().size(), 3u);
}

TEST_F(RecorderTest, ARefusedHookRecordsNothing) {
  f.hook.refuse = true;
  StartRecordingNow();
  m.HotkeyPressed(kStopHotkey);
  EXPECT_EQ(m.statusLabel.Text(), "Macro recording cancelled or empty.");
}

TEST(RecordingNameTest, OneDecimalWithTheUsersSeparator) {
  struct Case {
    uint32_t ms;
    const char* sep;
    const char* name;
  } cases[] = {{12345, ".", "S (12.3s)"},
               {12345, ",", "S (12,3s)"},
               {49, ".", "S (0.0s)"},
               {0, ".", "S (0.0s)"},
               {999999, ".", "S (1000.0s)"}};
  for (const Case& c : cases)
    EXPECT_EQ(macros::MacroRecorder::Name("S", c.ms, c.sep), c.name) << c.ms;
  EXPECT_EQ(macros::MacroRecorder::TimeStamp({2024, 3, 7, 9, 5, 2}), "2024-03-07 09.05.02");
  EXPECT_EQ(macros::MacroRecorder::TimeStamp({1999, 12, 31, 23, 59, 59}), "1999-12-31 23.59.59");
}

}  // namespace
