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
  EXPECT_TRUE(f.input.mouseHooked);
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
  EXPECT_EQ(f.input.starts, 1);
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
  f.input.Mouse(kMove, 10, 10);  // the start position: dropped
  f.clock.Advance(5);
  f.input.Mouse(kMove, 11, 10);
  f.input.Mouse(kMove, 11, 10);   // the same pixel twice: once
  f.input.Mouse(kLDown, 11, 10);  // no move ahead of it: the pointer is there
  f.input.Mouse(kMove, 12, 10);
  f.input.Mouse(kLUp, 13, 10);    // a move to the release point first
  f.input.Mouse(kMove, 11, 10);   // back to an earlier pixel: stored again
  f.input.Mouse(kXDown, 20, 20);  // no side button named: ignored
  f.input.Mouse(0x209, 20, 20);   // a double click message: not a hook event
  f.input.Mouse(kRDown, 11, 10);
  f.input.Mouse(kRUp, 11, 10);
  f.input.Mouse(kMDown, 11, 11);
  f.input.Mouse(kMUp, 11, 11);
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
  f.input.Mouse(kWheel, 20, 20, 120u << 16);
  f.input.Mouse(kWheel, 20, 20, static_cast<uint32_t>(-240) << 16);
  f.input.Mouse(kHWheel, 21, 20, static_cast<uint32_t>(-120) << 16);
  f.input.Mouse(kXDown, 21, 20, 1u << 16);
  f.input.Mouse(kXUp, 21, 20, 1u << 16);
  f.input.Mouse(kXDown, 22, 20, 2u << 16);
  f.input.Mouse(kXUp, 22, 20, 2u << 16);
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
  EXPECT_FALSE(f.input.keysHooked);  // "Keyboard" is off
  // Nor is a key that reaches the queue kept.
  plat::InputEvent key;
  key.device = plat::InputEvent::Device::Keyboard;
  key.message = kKeyDown;
  key.vk = 'A';
  f.input.queue.Push(key);
  m.Recorder().DrainInput();
  EXPECT_EQ(m.Recorder().Events().size(), 10u);
}

// With "Keyboard" checked the keyboard hook comes and goes with the mouse hook. Keys are kept as
// pressed, auto-repeat included, at the pointer's last position; a release whose press was not
// recorded (the start-recording chord let go after the countdown) is left out, and so are the
// presses of the stop chord at the end, whatever the stop hotkey is, while earlier uses of the
// same keys stay. The same when the user-interface thread has not yet taken the chord's keys
// from the queue when the hotkey comes.
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
  for (const bool chordStillQueued : {false, true})
    for (const auto& k : cases) {
      SCOPED_TRACE(k.label);
      SCOPED_TRACE(chordStillQueued ? "chord still queued at the hotkey" : "chord taken at once");
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
      EXPECT_TRUE(g.input.keysHooked);
      EXPECT_TRUE(n.Recorder().RecordingKeys());
      // The start-recording chord is let go.
      g.input.Key(kKeyUp, 'R', 0x13);
      g.input.Key(kKeyUp, kLShift, 0x2A);
      g.input.Key(kKeyUp, kLCtrl, 0x1D);
      g.clock.Advance(10);
      g.input.Key(kKeyDown, kLCtrl, 0x1D);  // Ctrl+C: Ctrl belongs to most chords too
      g.input.Key(kKeyDown, 'C', 0x2E);
      g.input.Key(kKeyUp, 'C', 0x2E);
      g.input.Key(kKeyUp, kLCtrl, 0x1D);
      g.clock.Advance(10);
      g.input.Mouse(kMove, 30, 40);
      g.input.Key(kKeyDown, 'A', 0x1E);
      g.input.Key(kKeyDown, 'A', 0x1E);  // auto-repeat
      g.input.Key(kKeyUp, 'A', 0x1E);
      g.input.Key(kKeyUp, 'B', 0x30);  // never pressed while recording
      g.input.Key(kKeyDown, 0x27, 0x4D, 0x01);
      g.input.Key(kKeyUp, 0x27, 0x4D, 0x81);
      g.input.Key(kKeyDown, 'X', 0x2D);  // the stop chord's key, typed on its own
      g.input.Key(kKeyUp, 'X', 0x2D);
      g.clock.Advance(10);
      g.input.busy = chordStillQueued;
      for (const Press& p : k.chord) {
        g.input.Key(p.message, p.vk, p.scan);
        g.input.Mouse(kMove, 31, 40);  // the hand moves the mouse meanwhile
      }
      n.HotkeyPressed(kStopHotkey);
      EXPECT_FALSE(g.input.keysHooked);
      EXPECT_FALSE(g.input.mouseHooked);
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

// Only a recording records: events in the queue before one are not kept, nor does a notice that
// comes after the recording ended add anything.
TEST_F(RecorderTest, OnlyARecordingRecords) {
  plat::InputEvent early;
  early.message = kMove;
  early.x = 1;
  f.input.queue.Push(early);
  m.Recorder().DrainInput();
  EXPECT_TRUE(m.Recorder().Events().empty());

  f.mouse.cursor = {0, 0};
  StartRecordingNow();
  f.input.busy = true;
  f.input.Mouse(kMove, 2, 2);
  m.HotkeyPressed(kStopHotkey);
  ASSERT_EQ(m.Library().Macros().size(), 1u);
  f.input.Deliver();  // the notice of the batch that Finish took
  f.input.queue.Push(early);
  m.Recorder().DrainInput();
  EXPECT_TRUE(m.Recorder().Events().empty());
  EXPECT_EQ(m.Library().Macros()[0]->Events(), (std::vector<MacroEvent>{{0, K::Move, 2, 2, -1}}));
}

// The hooks stamp each event when they see it; a user-interface thread that is busy for 500 ms
// takes the batch late, with one notice, and the events keep their times.
TEST_F(RecorderTest, ABusyUserInterfaceThreadKeepsTheEventsTimes) {
  f.mouse.cursor = {0, 0};
  StartRecordingNow();
  f.clock.Advance(10);
  f.input.busy = true;
  for (int i = 1; i <= 4; ++i) {
    f.input.Mouse(kMove, 10 * i, 5);
    f.clock.Advance(5);
  }
  f.input.Mouse(kLDown, 40, 5);
  f.clock.Advance(3);
  f.input.Mouse(kLUp, 40, 5);
  f.clock.Advance(500);
  EXPECT_TRUE(m.Recorder().Events().empty());  // nothing taken yet
  EXPECT_EQ(f.input.notices, 1);               // one notice for the batch
  f.input.busy = false;
  f.input.Deliver();
  const std::vector<MacroEvent> expected = {{10, K::Move, 10, 5, -1}, {15, K::Move, 20, 5, -1},
                                            {20, K::Move, 30, 5, -1}, {25, K::Move, 40, 5, -1},
                                            {30, K::Down, 40, 5, 0},  {33, K::Up, 40, 5, 0}};
  EXPECT_EQ(m.Recorder().Events(), expected);
  f.input.Mouse(kMove, 41, 5);  // a new batch, a new notice
  EXPECT_EQ(f.input.notices, 2);
  m.HotkeyPressed(kStopHotkey);
  ASSERT_EQ(m.Library().Macros().size(), 1u);
  std::vector<MacroEvent> saved = expected;
  saved.push_back({533, K::Move, 41, 5, -1});
  EXPECT_EQ(m.Library().Macros()[0]->Events(), saved);
  EXPECT_EQ(m.Library().Macros()[0]->DurationMs(), 533u);
}

// The stop hotkey comes before the user-interface thread has taken anything: the recording is
// what the hooks saw, at their times.
TEST_F(RecorderTest, TheEndTakesWhatIsStillQueued) {
  f.mouse.cursor = {0, 0};
  StartRecordingNow();
  f.input.busy = true;
  f.clock.Advance(20);
  f.input.Mouse(kMove, 7, 8);
  f.clock.Advance(20);
  f.input.Mouse(kRDown, 7, 8);
  f.input.Mouse(kRUp, 9, 8);
  f.clock.Advance(300);
  m.HotkeyPressed(kStopHotkey);
  EXPECT_FALSE(f.input.mouseHooked);
  ASSERT_EQ(m.Library().Macros().size(), 1u);
  EXPECT_EQ(m.Library().Macros()[0]->Events(), (std::vector<MacroEvent>{{20, K::Move, 7, 8, -1},
                                                                        {40, K::Down, 7, 8, 1},
                                                                        {40, K::Move, 9, 8, -1},
                                                                        {40, K::Up, 9, 8, 1}}));
  EXPECT_EQ(m.statusLabel.Text(),
            "Macro saved: 2024-03-07 09.05.02 (0.0s). Recording stopped by hotkey.");
}

TEST_F(RecorderTest, StopHotkeySavesListsAndSelects) {
  f.mouse.cursor = {0, 0};
  f.env.now = {2024, 3, 7, 9, 5, 2};
  StartRecordingNow();
  f.clock.Advance(15);
  f.input.Mouse(kMove, 641, 480);
  f.clock.Advance(1185);
  f.input.Mouse(kLDown, 641, 480);
  f.clock.Advance(34);
  f.input.Mouse(kLUp, 641, 480);
  f.clock.Advance(5000);  // idle time before the stop does not count
  m.HotkeyPressed(kStopHotkey);
  EXPECT_FALSE(m.Recorder().Recording());
  EXPECT_FALSE(f.input.mouseHooked);
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
    f.input.Mouse(kMove, 100 + i, 5);
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
  f.input.Mouse(kMove, 50, 50);
  m.HotkeyPressed(kStopHotkey);
  EXPECT_EQ(m.statusLabel.Text(), "Macro recording cancelled or empty.");
  EXPECT_TRUE(MacroFiles().empty());
  EXPECT_FALSE(m.CompactActive());
}

TEST_F(RecorderTest, ClosingDuringARecordingSavesIt) {
  StartRecordingNow();
  f.input.Mouse(kMove, 3, 4);
  m.Closing();
  EXPECT_NE(m.statusLabel.Text().find("Recording stopped because application is closing."),
            std::string::npos);
  EXPECT_EQ(MacroFiles().size(), 1u);
  m.Destroy();
  EXPECT_FALSE(f.input.mouseHooked);
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
  f.input.Mouse(kLDown, 20, 30);
  f.input.Mouse(kLUp, 20, 30);
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
  f.input.refuseMouse = true;
  StartRecordingNow();
  m.HotkeyPressed(kStopHotkey);
  EXPECT_EQ(m.statusLabel.Text(), "Macro recording cancelled or empty.");
}

// "Keyboard" checked, but the system refuses the keyboard hook: the mouse is still recorded.
TEST_F(RecorderTest, ARefusedKeyboardHookLeavesTheMouse) {
  f.input.refuseKeys = true;
  f.mouse.cursor = {0, 0};
  m.macrosRadio.UserClick();
  m.recordKeysCheck.UserClick();
  m.createMacroButton.UserClick();
  m.HotkeyPressed(kStartMacrosHotkey);
  ASSERT_TRUE(m.Recorder().Recording());
  EXPECT_FALSE(m.Recorder().RecordingKeys());
  f.input.Mouse(kMove, 3, 3);
  m.HotkeyPressed(kStopHotkey);
  ASSERT_EQ(m.Library().Macros().size(), 1u);
  EXPECT_EQ(m.Library().Macros()[0]->Events(), (std::vector<MacroEvent>{{0, K::Move, 3, 3, -1}}));
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
