// Starting, timing and ending runs, and the input each click type sends.
#include <gtest/gtest.h>

#include <functional>

#include "fakes.h"

namespace {

constexpr uint32_t kLeftDown = 0x0002, kLeftUp = 0x0004, kRightDown = 0x0008, kRightUp = 0x0010,
                   kMiddleDown = 0x0020, kMiddleUp = 0x0040, kMove = 0xC001;

struct RunTest : ::testing::Test {
  fakes::Form f;
  MainForm& m = f.frm;

  void SetInterval(int h, int mi, int s, int ms) {
    m.hoursEdit.UserSetText(std::to_string(h));
    m.minutesEdit.UserSetText(std::to_string(mi));
    m.secondsEdit.UserSetText(std::to_string(s));
    m.millisecondsEdit.UserSetText(std::to_string(ms));
  }
  std::vector<uint32_t> Flags() const {
    std::vector<uint32_t> out;
    for (const auto& r : f.mouse.sent) out.push_back(r.dwFlags);
    return out;
  }
  int Presses() const {
    int n = 0;
    for (const auto& r : f.mouse.sent)
      n += (r.dwFlags & (kLeftDown | kRightDown | kMiddleDown)) ? 1 : 0;
    return n;
  }
};

TEST_F(RunTest, BaseIntervalAddsThePartsAndNeverGivesZero) {
  struct Case {
    int h, mi, s, ms;
    int32_t expected;
  } cases[] = {{0, 0, 0, 0, 1},
               {0, 0, 0, 100, 100},
               {0, 0, 1, 5, 1005},
               {1, 2, 3, 4, 3723004},
               {23, 59, 59, 999, 86399999}};
  for (const Case& c : cases) {
    SetInterval(c.h, c.mi, c.s, c.ms);
    EXPECT_EQ(m.BaseIntervalMs(), c.expected) << c.h << ":" << c.mi << ":" << c.s << "." << c.ms;
  }
  m.millisecondsEdit.UserSetText("junk");  // unreadable text reads as the minimum, 0
  SetInterval(0, 0, 0, 0);
  EXPECT_EQ(m.BaseIntervalMs(), 1);
}

TEST_F(RunTest, JitterDrawsMinusZeroOrPlus) {
  SetInterval(0, 0, 0, 100);
  m.jitterCheck.UserClick();
  m.jitterEdit.UserSetText("30");
  struct Case {
    int draw;
    uint32_t interval;
  } cases[] = {{0, 70}, {1, 100}, {2, 130}};
  for (const Case& c : cases) {
    f.random.draws = {c.draw};
    m.ClickRun().Start();
    EXPECT_EQ(m.ClickRun().Interval(), c.interval) << c.draw;
    EXPECT_TRUE(m.ClickRun().Ticking());
  }
  // Jitter is ignored while its box is unchecked.
  m.jitterCheck.UserClick();
  f.random.draws = {0};
  m.ClickRun().Start();
  EXPECT_EQ(m.ClickRun().Interval(), 100u);
}

TEST_F(RunTest, JitterLargerThanTheIntervalGivesOneMillisecond) {
  SetInterval(0, 0, 0, 20);
  m.jitterCheck.UserClick();
  m.jitterEdit.UserSetText("50");
  f.random.draws = {0};
  m.ClickRun().Start();
  EXPECT_EQ(m.ClickRun().Interval(), 1u);
  SetInterval(0, 0, 0, 50);
  f.random.draws = {0};
  m.ClickRun().Start();
  EXPECT_EQ(m.ClickRun().Interval(), 1u);  // exactly 0 becomes 1 as well
}

TEST_F(RunTest, StartShowsStartedAndClicksOneIntervalLater) {
  SetInterval(0, 0, 1, 0);
  m.startButton.UserClick();
  EXPECT_TRUE(m.Running());
  EXPECT_FALSE(m.startButton.Enabled());
  EXPECT_TRUE(m.stopButton.Enabled());
  EXPECT_EQ(m.statusLabel.Text(), "Started");
  f.clock.Advance(999);
  EXPECT_TRUE(f.mouse.sent.empty());
  f.clock.Advance(1);
  EXPECT_EQ(Flags(), (std::vector<uint32_t>{kLeftDown, kLeftUp}));
  EXPECT_EQ(m.ClicksDone(), 1u);
}

TEST_F(RunTest, RepeatCountThreeGivesThreeActionsAndEndsOneIntervalAfterTheThird) {
  SetInterval(0, 0, 1, 0);
  m.repeatCountRadio.UserClick();
  m.repeatCountEdit.UserSetText("3");
  m.startButton.UserClick();
  f.clock.Advance(3000);
  EXPECT_EQ(Presses(), 3);
  EXPECT_TRUE(m.Running());
  EXPECT_EQ(m.statusLabel.Text(), "Started");
  f.clock.Advance(999);
  EXPECT_TRUE(m.Running());
  f.clock.Advance(1);
  EXPECT_FALSE(m.Running());
  EXPECT_EQ(m.statusLabel.Text(), "Completed repeat count. Clicks done: 3");
  EXPECT_TRUE(m.startButton.Enabled());
  EXPECT_FALSE(m.stopButton.Enabled());
  EXPECT_FALSE(m.ClickRun().Ticking());
  f.clock.Advance(5000);
  EXPECT_EQ(Presses(), 3);
}

TEST_F(RunTest, RepeatCountReadingZeroEndsOnTheFirstTickWithoutAction) {
  m.repeatCountRadio.UserClick();
  for (const char* text : {"0", "-4"}) {
    m.repeatCountEdit.UserSetText(text);
    m.startButton.UserClick();
    f.clock.Advance(100);
    EXPECT_FALSE(m.Running()) << text;
    EXPECT_EQ(m.statusLabel.Text(), "Completed repeat count. Clicks done: 0") << text;
  }
  EXPECT_TRUE(f.mouse.sent.empty());
}

TEST_F(RunTest, StartDelayPostponesTheFirstAction) {
  SetInterval(0, 0, 2, 0);
  m.startDelayEdit.UserSetText("5");
  m.startButton.UserClick();
  EXPECT_TRUE(m.StartDelayTimer().Enabled());
  EXPECT_EQ(m.StartDelayTimer().Interval(), 5000u);
  f.clock.Advance(6999);
  EXPECT_TRUE(f.mouse.sent.empty());
  f.clock.Advance(1);
  EXPECT_EQ(Presses(), 1);
  EXPECT_EQ(f.mouse.sentAt.front(), 7000u);
  EXPECT_FALSE(m.StartDelayTimer().Enabled());
}

TEST_F(RunTest, StopDuringTheStartDelayClicksNothing) {
  m.startDelayEdit.UserSetText("5");
  m.startButton.UserClick();
  f.clock.Advance(2000);
  m.stopButton.UserClick();
  EXPECT_FALSE(m.Running());
  EXPECT_EQ(m.statusLabel.Text(), "Stopped by button. Clicks done: 0");
  EXPECT_FALSE(m.StartDelayTimer().Enabled());
  f.clock.Advance(20000);
  EXPECT_TRUE(f.mouse.sent.empty());
  EXPECT_TRUE(m.startButton.Enabled());
}

TEST_F(RunTest, StopByButtonCountsClicksAndNamesRunsInMacroMode) {
  SetInterval(0, 0, 0, 10);
  m.startButton.UserClick();
  f.clock.Advance(35);
  // Switching to the macro target during a clicking run keeps clicking at the cursor.
  m.macrosRadio.UserClick();
  f.clock.Advance(10);
  EXPECT_EQ(Presses(), 4);
  m.stopButton.UserClick();
  EXPECT_EQ(m.statusLabel.Text(), "Stopped by button. Runs done: 4");
}

TEST_F(RunTest, StartIsRefusedWhileBusy) {
  m.startButton.UserClick();
  m.statusLabel.SetText("x");
  m.StartRun();  // already running
  EXPECT_EQ(m.statusLabel.Text(), "x");
  m.stopButton.UserClick();
  // During a recording's countdown, and during the recording.
  m.macrosRadio.UserClick();
  m.createMacroButton.UserClick();
  for (int stage = 0; stage < 2; ++stage) {
    ASSERT_TRUE(stage == 0 ? m.Recorder().CountingDown() : m.Recorder().Recording());
    m.StartRun();
    EXPECT_FALSE(m.Running()) << stage;
    m.BeginRecording();
  }
}

TEST_F(RunTest, StopWhileIdleShowsNothing) {
  m.StopRun("Stopped by hotkey. Clicks done: 0");
  EXPECT_EQ(m.statusLabel.Text(), "Ready");
}

TEST_F(RunTest, MacroModeWithoutASelectedMacroAsksForOne) {
  m.macrosRadio.UserClick();
  m.startButton.UserClick();
  ASSERT_EQ(f.dialogs.messages.size(), 1u);
  EXPECT_EQ(f.dialogs.messages[0].text, "Please select a macro to play back.");
  EXPECT_EQ(f.dialogs.messages[0].kind, plat::MsgKind::Information);
  EXPECT_FALSE(m.Running());
  EXPECT_TRUE(m.startButton.Enabled());
  EXPECT_EQ(m.statusLabel.Text(), "Ready");
}

TEST_F(RunTest, ClosingDuringARunStopsItWithClosing) {
  m.startButton.UserClick();
  m.Closing();
  EXPECT_FALSE(m.Running());
  EXPECT_EQ(m.statusLabel.Text(), "Closing");
}

TEST_F(RunTest, ChangesDuringARunTakeEffectAtTheNextTick) {
  SetInterval(0, 0, 0, 100);
  m.startButton.UserClick();
  f.clock.Advance(100);
  m.buttonCombo.UserSelect(1);
  SetInterval(0, 0, 0, 50);  // read when the timer is re-armed after the next tick
  f.clock.Advance(100);
  f.clock.Advance(50);
  EXPECT_EQ(Flags(), (std::vector<uint32_t>{kLeftDown, kLeftUp, kRightDown, kRightUp, kRightDown,
                                            kRightUp}));
}

// The exact records of every click type and button, each action in one SendInput call (in
// coordinates mode with its move), every record with the program's marker.
TEST_F(RunTest, ClickTypesAndButtonsSendTheirRecords) {
  struct Case {
    int button;  // item index, -1 = no selection
    int type;
    std::vector<uint32_t> flags;
    std::vector<size_t> calls;  // records per call at the cursor; a move joins the first
  } cases[] = {
      {0, 0, {kLeftDown, kLeftUp}, {2}},
      {1, 0, {kRightDown, kRightUp}, {2}},
      {2, 0, {kMiddleDown, kMiddleUp}, {2}},
      {1, 1, {kRightDown, kRightUp, kRightDown, kRightUp}, {4}},
      {2, 2, {kMiddleDown, kMiddleUp}, {1, 1}},  // the hold: press, then the release alone
      {-1, -1, {kLeftDown, kLeftUp}, {2}},       // no selection acts as Left / Single
  };
  for (bool coordinates : {false, true}) {
    if (coordinates) m.coordinatesRadio.UserClick();
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "button " << c.button << " type " << c.type
                                      << (coordinates ? " at coordinates" : " at the cursor"));
      f.mouse.sent.clear();
      f.mouse.calls.clear();
      m.buttonCombo.SetItemIndex(c.button);
      m.clickTypeCombo.SetItemIndex(c.type);
      f.mouse.cursor = {400, 300};  // away from the coordinates (0, 0)
      m.ClickRun().PerformAction(m.CurrentClickPlan());
      f.clock.Advance(100);  // a hold (80 ms) ends
      std::vector<uint32_t> flags = c.flags;
      std::vector<size_t> calls = c.calls;
      if (coordinates) {
        flags.insert(flags.begin(), kMove);
        ++calls[0];
      }
      EXPECT_EQ(Flags(), flags);
      EXPECT_EQ(f.mouse.calls, calls);
      for (const auto& r : f.mouse.sent) {
        plat::InputRecord expected;
        expected.dwFlags = r.dwFlags;
        expected.dx = r.dx;
        expected.dy = r.dy;
        expected.dwExtraInfo = clicker::kInputMarker;
        EXPECT_EQ(r, expected);  // type 0, no data, no time; coordinates only on the move
        if (r.dwFlags != kMove) {
          EXPECT_EQ(r.dx | r.dy, 0);
        }
      }
    }
  }
}

TEST_F(RunTest, ButtonOutsideTheRangeSendsFlagsZero) {
  for (int button : {5, 7, -2}) {
    f.mouse.sent.clear();
    clicker::InputSynthesizer input(f.mouse);
    input.ButtonDown(button);
    input.ButtonUp(button);
    ASSERT_EQ(f.mouse.sent.size(), 2u);
    plat::InputRecord nothing;
    nothing.dwExtraInfo = clicker::kInputMarker;
    EXPECT_EQ(f.mouse.sent[0], nothing);
    EXPECT_EQ(f.mouse.sent[1], nothing);
  }
}

// The records of the side buttons, the wheels and keys, field by field.
TEST_F(RunTest, SideButtonsWheelsAndKeysBuildTheirRecords) {
  auto mouse = [](uint32_t flags, uint32_t data) {
    plat::InputRecord r;
    r.dwFlags = flags;
    r.mouseData = data;
    r.dwExtraInfo = clicker::kInputMarker;
    return r;
  };
  auto key = [](uint16_t vk, uint16_t scan, uint32_t flags) {
    plat::InputRecord r;
    r.type = plat::kInputKeyboard;
    r.wVk = vk;
    r.wScan = scan;
    r.dwFlags = flags;
    r.dwExtraInfo = clicker::kInputMarker;
    return r;
  };
  clicker::InputSynthesizer input(f.mouse);
  const struct {
    const char* label;
    std::function<bool()> send;
    plat::InputRecord expected;
  } cases[] = {
      {"XBUTTON1 down", [&] { return input.ButtonDown(3); }, mouse(0x0080, 1)},
      {"XBUTTON1 up", [&] { return input.ButtonUp(3); }, mouse(0x0100, 1)},
      {"XBUTTON2 down", [&] { return input.ButtonDown(4); }, mouse(0x0080, 2)},
      {"XBUTTON2 up", [&] { return input.ButtonUp(4); }, mouse(0x0100, 2)},
      {"wheel away", [&] { return input.Wheel(120, false); }, mouse(0x0800, 120)},
      {"wheel toward", [&] { return input.Wheel(-240, false); }, mouse(0x0800, 0xFFFFFF10u)},
      {"wheel right", [&] { return input.Wheel(120, true); }, mouse(0x1000, 120)},
      {"A down", [&] { return input.KeyDown(0x1E41); }, key(0x41, 0x1E, 0)},
      {"A up", [&] { return input.KeyUp(0x1E41); }, key(0x41, 0x1E, 0x0002)},
      {"Right down (extended)", [&] { return input.KeyDown(0x14D27); }, key(0x27, 0x4D, 0x0001)},
      {"Right up (extended)", [&] { return input.KeyUp(0x14D27); }, key(0x27, 0x4D, 0x0003)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    f.mouse.sent.clear();
    EXPECT_TRUE(c.send());
    ASSERT_EQ(f.mouse.sent.size(), 1u);
    EXPECT_EQ(f.mouse.sent[0], c.expected);
  }
}

// A hold presses, and the hold timer releases: the thread is free in between.
TEST_F(RunTest, HoldReleasesWhenItsTimerFires) {
  m.clickTypeCombo.UserSelect(2);
  for (int hold : {250, 0}) {
    f.mouse.sent.clear();
    f.mouse.sentAt.clear();
    m.holdEdit.UserSetText(std::to_string(hold));
    const uint64_t start = f.clock.now;
    EXPECT_TRUE(m.ClickRun().PerformAction(m.CurrentClickPlan()));
    EXPECT_EQ(m.ClickRun().HeldButton(), hold ? 0 : -1);
    f.clock.Advance(1000);
    EXPECT_EQ(Flags(), (std::vector<uint32_t>{kLeftDown, kLeftUp}));
    EXPECT_EQ(f.mouse.sentAt[0], start);
    EXPECT_EQ(f.mouse.sentAt[1], start + static_cast<uint64_t>(hold));
    EXPECT_EQ(m.ClickRun().HeldButton(), -1);
  }
}

// Ticks that come due during a hold wait for its release: one follows at once, then the
// period goes on; no click starts while the button is down.
TEST_F(RunTest, TicksDuringAHoldFollowTheRelease) {
  SetInterval(0, 0, 0, 100);
  m.clickTypeCombo.UserSelect(2);
  m.holdEdit.UserSetText("250");
  m.repeatCountRadio.UserClick();
  m.repeatCountEdit.UserSetText("3");
  m.startButton.UserClick();
  f.clock.Advance(2000);
  std::vector<uint64_t> down, up;
  for (size_t i = 0; i < f.mouse.sent.size(); ++i)
    (f.mouse.sent[i].dwFlags == kLeftDown ? down : up).push_back(f.mouse.sentAt[i]);
  EXPECT_EQ(down, (std::vector<uint64_t>{100, 350, 600}));
  EXPECT_EQ(up, (std::vector<uint64_t>{350, 600, 850}));
  EXPECT_EQ(m.statusLabel.Text(), "Completed repeat count. Clicks done: 3");
}

TEST_F(RunTest, AStopDuringAHoldReleasesAtOnce) {
  struct Case {
    const char* name;
    std::function<void(MainForm&)> stop;
    const char* status;
  } cases[] = {
      {"hotkey", [](MainForm& t) { t.HotkeyPressed(1002); }, "Stopped by hotkey. Clicks done: 1"},
      {"button", [](MainForm& t) { t.stopButton.UserClick(); },
       "Stopped by button. Clicks done: 1"},
      {"closing", [](MainForm& t) { t.Closing(); }, "Closing"},
  };
  for (const Case& c : cases) {
    fakes::Form g;
    g.frm.millisecondsEdit.UserSetText("100");
    g.frm.clickTypeCombo.UserSelect(2);
    g.frm.holdEdit.UserSetText("5000");
    std::string statusAtRelease;
    g.mouse.onSend = [&](const plat::InputRecord& r) {
      if (r.dwFlags == kLeftUp) statusAtRelease = g.frm.statusLabel.Text();
    };
    g.frm.startButton.UserClick();
    g.clock.Advance(1500);  // pressed at 100, held until 5100
    ASSERT_EQ(g.mouse.sent.size(), 1u) << c.name;
    c.stop(g.frm);
    ASSERT_EQ(g.mouse.sent.size(), 2u) << c.name;
    EXPECT_EQ(g.mouse.sent[1].dwFlags, kLeftUp) << c.name;
    EXPECT_EQ(g.mouse.sentAt[1], 1500u) << c.name;
    EXPECT_EQ(statusAtRelease, "Started") << c.name;
    EXPECT_EQ(g.frm.statusLabel.Text(), c.status) << c.name;
    g.clock.Advance(10000);
    EXPECT_EQ(g.mouse.sent.size(), 2u) << c.name;
    EXPECT_FALSE(g.clock.scheduler.AnyArmed()) << c.name;
  }
}

// Input that Windows refuses is not counted: the run stops at once with the reason, and a
// press is always followed by its release.
TEST_F(RunTest, RefusedInputStopsTheRun) {
  constexpr const char* kBlocked =
      "Windows blocked the click. The window under the pointer may belong to a program running "
      "as administrator.";
  struct Case {
    const char* name;
    int type;
    bool coordinates;
    uint32_t refused;
    std::vector<uint32_t> flags;  // what was sent
  } cases[] = {
      {"single, press refused", 0, false, kLeftDown, {kLeftDown, kLeftUp}},
      {"single, release refused", 0, false, kLeftUp, {kLeftDown, kLeftUp}},
      {"double", 1, false, kLeftDown, {kLeftDown, kLeftUp, kLeftDown, kLeftUp}},
      {"hold, press refused", 2, false, kLeftDown, {kLeftDown, kLeftUp}},
      {"hold, release refused", 2, false, kLeftUp, {kLeftDown, kLeftUp}},
      // The move and its click are one call: refused together, no click lands off target.
      {"move refused", 0, true, kMove, {kMove, kLeftDown, kLeftUp}},
  };
  for (const Case& c : cases) {
    fakes::Form g;
    g.frm.millisecondsEdit.UserSetText("100");
    g.frm.repeatCountRadio.UserClick();
    g.frm.repeatCountEdit.UserSetText("5");
    g.frm.clickTypeCombo.UserSelect(c.type);
    if (c.coordinates) g.frm.coordinatesRadio.UserClick();
    g.mouse.accept = [&](const plat::InputRecord& r) { return r.dwFlags != c.refused; };
    g.frm.startButton.UserClick();
    g.clock.Advance(5000);
    std::vector<uint32_t> flags;
    for (const auto& r : g.mouse.sent) flags.push_back(r.dwFlags);
    EXPECT_EQ(flags, c.flags) << c.name;
    EXPECT_FALSE(g.frm.Running()) << c.name;
    EXPECT_EQ(g.frm.statusLabel.Text(), kBlocked) << c.name;
  }
}

TEST_F(RunTest, StartNamesAnElevatedWindowAtTheClickPoint) {
  f.mouse.higherIntegrity = true;
  m.startButton.UserClick();
  m.StopClicked();
  m.coordinatesRadio.UserClick();
  m.coordXEdit.UserSetText("70");
  m.coordYEdit.UserSetText("80");
  m.startButton.UserClick();
  EXPECT_EQ(f.mouse.integrityAsked, (std::vector<plat::Point>{f.mouse.cursor, {70, 80}}));
  EXPECT_EQ(m.statusLabel.Text(),
            "Started. The window under the pointer belongs to a program running as "
            "administrator; Windows may block the clicks.");
  EXPECT_TRUE(m.Running());  // what is under the pointer can change: it only warns
}

TEST_F(RunTest, CoordinatesModeMovesFirstCursorModeDoesNot) {
  m.coordinatesRadio.UserClick();
  m.coordXEdit.UserSetText("960");
  m.coordYEdit.UserSetText("540");
  m.ClickRun().PerformAction(m.CurrentClickPlan());
  ASSERT_EQ(f.mouse.sent.size(), 3u);
  plat::InputRecord move;
  move.dx = 32785;
  move.dy = clicker::ToAbsoluteCoord(540, 0, 1080);
  move.dwFlags = kMove;
  move.dwExtraInfo = clicker::kInputMarker;
  EXPECT_EQ(f.mouse.sent[0], move);
  // Where the pointer already is, the click goes alone; moved away, it is brought back first.
  f.mouse.sent.clear();
  m.ClickRun().PerformAction(m.CurrentClickPlan());
  EXPECT_EQ(Flags(), (std::vector<uint32_t>{kLeftDown, kLeftUp}));
  f.mouse.sent.clear();
  f.mouse.cursor = {961, 540};
  m.ClickRun().PerformAction(m.CurrentClickPlan());
  EXPECT_EQ(Flags(), (std::vector<uint32_t>{kMove, kLeftDown, kLeftUp}));
  EXPECT_EQ(f.mouse.cursor, (plat::Point{960, 540}));

  f.mouse.sent.clear();
  m.cursorPositionRadio.UserClick();
  EXPECT_EQ(m.ClickTargetPoint(), f.mouse.cursor);
  m.ClickRun().PerformAction(m.CurrentClickPlan());
  EXPECT_EQ(Flags(), (std::vector<uint32_t>{kLeftDown, kLeftUp}));
}

TEST_F(RunTest, UnreadableCoordinatesTargetZero) {
  m.coordinatesRadio.UserClick();
  m.coordXEdit.UserSetText("abc");
  m.coordYEdit.UserSetText("12");
  EXPECT_EQ(m.ClickTargetPoint(), (plat::Point{0, 12}));
  m.macrosRadio.UserClick();
  EXPECT_EQ(m.ClickTargetPoint(), (plat::Point{0, 0}));
}

}  // namespace
