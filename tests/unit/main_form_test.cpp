// The main window's start state and the rules that enable and disable its controls.
#include <gtest/gtest.h>

#include <set>

#include "fakes.h"

namespace {

struct MainFormTest : ::testing::Test {
  fakes::Form f;
  MainForm& m = f.frm;
};

TEST_F(MainFormTest, FreshStartShowsTheDefaults) {
  EXPECT_EQ(f.window.caption, "  JUX Zura Divudiv 1.0");
  EXPECT_EQ(m.hoursEdit.Value(), 0);
  EXPECT_EQ(m.minutesEdit.Value(), 0);
  EXPECT_EQ(m.secondsEdit.Value(), 0);
  EXPECT_EQ(m.millisecondsEdit.Text(), "100");
  EXPECT_FALSE(m.jitterCheck.Checked());
  EXPECT_FALSE(m.jitterEdit.Enabled());
  EXPECT_TRUE(m.untilStoppedRadio.Checked());
  EXPECT_FALSE(m.repeatCountRadio.Checked());
  EXPECT_EQ(m.repeatCountEdit.Value(), 100);
  EXPECT_FALSE(m.repeatCountEdit.Enabled());
  EXPECT_EQ(m.buttonCombo.Items(), (std::vector<std::string>{"Left", "Right", "Middle"}));
  EXPECT_EQ(m.clickTypeCombo.Items(), (std::vector<std::string>{"Single", "Double", "Hold"}));
  EXPECT_EQ(m.buttonCombo.ItemIndex(), 0);
  EXPECT_EQ(m.clickTypeCombo.ItemIndex(), 0);
  EXPECT_EQ(m.holdEdit.Value(), 80);
  EXPECT_FALSE(m.holdEdit.Enabled());
  EXPECT_FALSE(m.holdLabel.Enabled());
  EXPECT_EQ(m.startDelayEdit.Value(), 0);
  EXPECT_TRUE(m.cursorPositionRadio.Checked());
  for (ui::Control* c :
       {static_cast<ui::Control*>(&m.coordXEdit), static_cast<ui::Control*>(&m.coordYEdit),
        static_cast<ui::Control*>(&m.coordSeparatorLabel),
        static_cast<ui::Control*>(&m.createMacroButton),
        static_cast<ui::Control*>(&m.removeMacroButton),
        static_cast<ui::Control*>(&m.renameMacroButton), static_cast<ui::Control*>(&m.macroList),
        static_cast<ui::Control*>(&m.recordKeysCheck), static_cast<ui::Control*>(&m.speedLabel),
        static_cast<ui::Control*>(&m.speedEdit)})
    EXPECT_FALSE(c->Enabled()) << c->Name();
  EXPECT_FALSE(m.recordKeysCheck.Checked());  // keys typed while recording end up in plain text
  EXPECT_EQ(m.recordKeysCheck.Text(), "Keyboard");
  EXPECT_EQ(m.speedLabel.Text(), "Speed %");
  EXPECT_EQ(m.speedEdit.Value(), 100);
  EXPECT_EQ(m.speedEdit.Min(), 10);
  EXPECT_EQ(m.speedEdit.Max(), 1000);
  EXPECT_EQ(m.statusLabel.Text(), "Ready");
  EXPECT_TRUE(m.startButton.Enabled());
  EXPECT_FALSE(m.stopButton.Enabled());
  EXPECT_FALSE(m.alwaysOnTopCheck.Checked());
  EXPECT_FALSE(m.minimizeToTrayCheck.Checked());
  EXPECT_FALSE(m.ClickRun().Ticking());
  EXPECT_FALSE(m.StartDelayTimer().Enabled());
  EXPECT_EQ(m.websiteLink.Text(), "https://www.zuradivudiv.example/");
}

TEST_F(MainFormTest, EveryControlHasAUniqueId) {
  std::set<int> seen;
  for (ui::Control* c : m.AllControls()) EXPECT_TRUE(seen.insert(c->Id()).second) << c->Name();
  EXPECT_EQ(m.ControlById(192), &m.statusLabel);
  // Children sit inside their group box.
  EXPECT_EQ(m.millisecondsEdit.WindowBounds().Left, 253 + 224);
  EXPECT_EQ(m.millisecondsEdit.WindowBounds().Top, 10 + 40);
}

TEST_F(MainFormTest, HoldEnablesTheHoldTimeOnlyForHold) {
  m.clickTypeCombo.UserSelect(2);
  EXPECT_TRUE(m.holdEdit.Enabled());
  EXPECT_TRUE(m.holdLabel.Enabled());
  for (int other : {0, 1}) {
    m.clickTypeCombo.UserSelect(2);
    m.clickTypeCombo.UserSelect(other);
    EXPECT_FALSE(m.holdEdit.Enabled()) << other;
    EXPECT_FALSE(m.holdLabel.Enabled()) << other;
  }
}

TEST_F(MainFormTest, SettingTheComboIndexFromCodeRunsNoHandler) {
  m.clickTypeCombo.SetItemIndex(2);
  EXPECT_FALSE(m.holdEdit.Enabled());
}

TEST_F(MainFormTest, MacrosTargetDisablesIntervalAndClickTypeAndEnablesTheLibrary) {
  m.clickTypeCombo.UserSelect(2);
  m.macrosRadio.UserClick();
  EXPECT_TRUE(m.macrosRadio.Checked());
  EXPECT_FALSE(m.cursorPositionRadio.Checked());
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           &m.intervalGroup, &m.clickTypeGroup, &m.coordXEdit, &m.coordSeparatorLabel,
           &m.coordYEdit, &m.hoursEdit, &m.minutesEdit, &m.secondsEdit, &m.millisecondsEdit,
           &m.hoursLabel, &m.minutesLabel, &m.secondsLabel, &m.millisecondsLabel, &m.jitterCheck,
           &m.jitterEdit, &m.buttonCombo, &m.clickTypeCombo, &m.holdLabel, &m.holdEdit})
    EXPECT_FALSE(c->Enabled()) << c->Name();
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           &m.renameMacroButton, &m.removeMacroButton, &m.createMacroButton, &m.macroList,
           &m.recordKeysCheck, &m.speedLabel, &m.speedEdit})
    EXPECT_TRUE(c->Enabled()) << c->Name();
  // The repeat, delay and window options stay usable for playback.
  EXPECT_TRUE(m.repeatGroup.Enabled());
  EXPECT_TRUE(m.startDelayGroup.Enabled());
  EXPECT_TRUE(m.additionalGroup.Enabled());
}

// "Macros:" then "Cursor position": the jitter box comes back only while jitter is checked.
TEST_F(MainFormTest, LeavingMacrosRestoresJitterBoxOnlyWhenChecked) {
  for (bool jitter : {false, true}) {
    if (m.jitterCheck.Checked() != jitter) m.jitterCheck.UserClick();
    m.macrosRadio.UserClick();
    EXPECT_FALSE(m.jitterEdit.Enabled());
    m.cursorPositionRadio.UserClick();
    EXPECT_EQ(m.jitterEdit.Enabled(), jitter) << "jitter " << jitter;
    EXPECT_TRUE(m.millisecondsEdit.Enabled());
    EXPECT_TRUE(m.buttonCombo.Enabled());
    EXPECT_FALSE(m.macroList.Enabled());
    EXPECT_FALSE(m.speedEdit.Enabled());
    EXPECT_FALSE(m.recordKeysCheck.Enabled());
    EXPECT_FALSE(m.coordXEdit.Enabled());
  }
}

TEST_F(MainFormTest, CoordinatesEnablesTheCoordinateBoxes) {
  m.coordinatesRadio.UserClick();
  EXPECT_TRUE(m.coordXEdit.Enabled());
  EXPECT_TRUE(m.coordYEdit.Enabled());
  EXPECT_TRUE(m.coordSeparatorLabel.Enabled());
  EXPECT_FALSE(m.createMacroButton.Enabled());
  m.cursorPositionRadio.UserClick();
  EXPECT_FALSE(m.coordXEdit.Enabled());
}

TEST_F(MainFormTest, RepeatCountEnablesTheCount) {
  m.repeatCountRadio.UserClick();
  EXPECT_TRUE(m.repeatCountEdit.Enabled());
  EXPECT_FALSE(m.untilStoppedRadio.Checked());
  m.untilStoppedRadio.UserClick();
  EXPECT_FALSE(m.repeatCountEdit.Enabled());
}

TEST_F(MainFormTest, JitterCheckBoxEnablesItsSpinEdit) {
  m.jitterCheck.UserClick();
  EXPECT_TRUE(m.jitterEdit.Enabled());
  m.jitterCheck.UserClick();
  EXPECT_FALSE(m.jitterEdit.Enabled());
}

TEST(SpinEditTest, ValueIsTheTextOrTheMinimumAndSettingClamps) {
  ui::SpinEdit se(1, "se", {}, 1, 65535, 100);
  struct Case {
    const char* text;
    int32_t value;
  } cases[] = {{"5", 5},   {"0", 0},   {"-3", -3}, {"70000", 70000},   {"", 1},
               {"abc", 1}, {"12x", 1}, {"  7", 7}, {"99999999999", 1}, {"+8", 8}};
  for (const Case& c : cases) {
    se.UserSetText(c.text);
    EXPECT_EQ(se.Value(), c.value) << c.text;
  }
  se.SetValue(0);
  EXPECT_EQ(se.Text(), "1");
  se.SetValue(70000);
  EXPECT_EQ(se.Text(), "65535");
  se.UserSetText("0");
  se.UserExit();
  EXPECT_EQ(se.Text(), "1");
}

TEST(ControlModelTest, CheckStatesRunHandlersOnlyOnChange) {
  int runs = 0;
  ui::CheckBox cb(1, "cb", {});
  cb.OnClick = [&] { ++runs; };
  cb.SetChecked(false);
  EXPECT_EQ(runs, 0);
  cb.SetChecked(true);
  EXPECT_EQ(runs, 1);
  cb.SetEnabled(false);
  cb.UserClick();
  EXPECT_TRUE(cb.Checked());

  int aRuns = 0, bRuns = 0;
  ui::RadioButton a(2, "a", {}), b(3, "b", {});
  ui::RadioButton::MakeGroup({&a, &b});
  a.OnClick = [&] { ++aRuns; };
  b.OnClick = [&] { ++bRuns; };
  a.SetChecked(true);
  b.SetChecked(true);  // unchecks a without running a's handler
  EXPECT_FALSE(a.Checked());
  EXPECT_EQ(aRuns, 1);
  EXPECT_EQ(bRuns, 1);
  b.SetChecked(false);
  EXPECT_EQ(bRuns, 1);
}

TEST(ControlModelTest, TimerSemantics) {
  fakes::Clock clock;
  ui::Timer t(100);
  t.SetDriver(&clock);
  std::vector<uint64_t> ticks;
  t.OnTimer = [&] { ticks.push_back(clock.now); };
  t.SetEnabled(true);
  clock.Advance(250);
  EXPECT_EQ(ticks, (std::vector<uint64_t>{100, 200}));
  t.SetInterval(100);  // the same interval keeps the period
  t.SetEnabled(true);
  clock.Advance(50);
  EXPECT_EQ(ticks.back(), 300u);
  t.SetInterval(40);  // a new interval restarts the countdown from now (300)
  clock.Advance(45);
  EXPECT_EQ(ticks.back(), 340u);
  t.SetEnabled(false);
  clock.Advance(1000);
  EXPECT_EQ(ticks.size(), 4u);
  // A long tick: the ticks that came due meanwhile collapse into one.
  ticks.clear();
  t.SetInterval(10);
  t.OnTimer = [&] {
    ticks.push_back(clock.now);
    if (ticks.size() == 1) clock.Sleep(55);
  };
  t.SetEnabled(true);
  const uint64_t start = clock.now;
  clock.Advance(100);
  ASSERT_GE(ticks.size(), 3u);
  EXPECT_EQ(ticks[0], start + 10);
  EXPECT_EQ(ticks[1], start + 65);  // one pending tick right after the long one
  EXPECT_EQ(ticks[2], start + 70);  // then back on the grid of whole intervals

  // Restart arms a full interval from now, enabled or not, even with the same interval.
  ticks.clear();
  t.OnTimer = [&] { ticks.push_back(clock.now); };
  t.SetEnabled(false);
  const uint64_t at = clock.now;
  t.Restart(10);
  clock.Advance(5);
  t.Restart(10);
  clock.Advance(12);
  EXPECT_EQ(ticks, (std::vector<uint64_t>{at + 15}));
  EXPECT_TRUE(t.Enabled());
}

}  // namespace

namespace {

// Pick hides the window and covers the screen; a click there fills X and Y (negative left of
// the primary monitor) and brings the window back, a cancel brings it back unchanged, and a
// cover that cannot be shown leaves the window as it was.
TEST(PickTest, ThePickedPointFillsTheBoxesAndTheWindowComesBack) {
  fakes::Form f;
  MainForm& m = f.frm;
  EXPECT_FALSE(m.pickButton.Enabled());
  m.coordinatesRadio.UserClick();
  ASSERT_TRUE(m.pickButton.Enabled());
  EXPECT_EQ(m.pickButton.Text(), "Pick");

  const struct {
    const char* label;
    bool refuse;
    std::optional<plat::Point> picked;
    int32_t x, y;
  } cases[] = {
      {"a point left of the primary monitor", false, plat::Point{-1500, 20}, -1500, 20},
      {"cancelled", false, std::nullopt, -1500, 20},
      {"a point far right", false, plat::Point{3839, 1079}, 3839, 1079},
      {"no cover", true, std::nullopt, 3839, 1079},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    f.picker.refuse = c.refuse;
    f.window.calls.clear();
    m.pickButton.UserClick();
    if (!c.refuse) {
      EXPECT_FALSE(f.window.visible);
      f.picker.Finish(c.picked);
    }
    EXPECT_EQ(f.window.calls, (std::vector<std::string>{"Hide", "Activate"}));
    EXPECT_EQ(m.coordXEdit.Value(), c.x);
    EXPECT_EQ(m.coordYEdit.Value(), c.y);
  }
  m.macrosRadio.UserClick();
  EXPECT_FALSE(m.pickButton.Enabled());
  m.Destroy();
  EXPECT_EQ(f.picker.cancelled, 1);  // a cover still up goes with the window
}

// The boxes take the whole virtual desktop, -100000..100000; the click point is read within that
// range whether the boxes have lost the focus (Start button) or not (the start hotkey).
TEST(PickTest, CoordinatesCoverEveryMonitorAndReadTheSameWithOrWithoutFocus) {
  fakes::Form f;
  MainForm& m = f.frm;
  m.coordinatesRadio.UserClick();
  const struct {
    const char* typed;
    int32_t point;
  } cases[] = {
      {"-5", -5}, {"-100000", -100000}, {"-150000", -100000}, {"150000", 100000}, {"x", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    m.coordXEdit.UserSetText(c.typed);
    m.coordYEdit.UserSetText(c.typed);
    EXPECT_EQ(m.ClickTargetPoint(), (plat::Point{c.point, c.point}));
    m.coordXEdit.UserExit();  // what the Start button's focus does
    m.coordYEdit.UserExit();
    EXPECT_EQ(m.ClickTargetPoint(), (plat::Point{c.point, c.point}));
  }
}

}  // namespace
