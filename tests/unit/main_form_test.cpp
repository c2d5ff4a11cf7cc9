// The main window's start state and the rules that enable and disable its controls.
#include <gtest/gtest.h>

#include <set>

#include "fakes.h"

namespace {

struct MainFormTest : ::testing::Test {
  fakes::Form f;
  TFrmMain& m = f.frm;
};

TEST_F(MainFormTest, FreshStartShowsTheDefaults) {
  EXPECT_EQ(f.window.caption, "  JUX Zura Divudiv 1.0");
  EXPECT_EQ(m.seHours.Value(), 0);
  EXPECT_EQ(m.seMinutes.Value(), 0);
  EXPECT_EQ(m.seSeconds.Value(), 0);
  EXPECT_EQ(m.seMillis.Text(), "100");
  EXPECT_FALSE(m.chkJitter.Checked());
  EXPECT_FALSE(m.seJitterMs.Enabled());
  EXPECT_TRUE(m.rbUntilStopped.Checked());
  EXPECT_FALSE(m.rbRepeatCount.Checked());
  EXPECT_EQ(m.seRepeat.Value(), 100);
  EXPECT_FALSE(m.seRepeat.Enabled());
  EXPECT_EQ(m.cbButton.Items(), (std::vector<std::string>{"Left", "Right", "Middle"}));
  EXPECT_EQ(m.cbClickType.Items(), (std::vector<std::string>{"Single", "Double", "Hold"}));
  EXPECT_EQ(m.cbButton.ItemIndex(), 0);
  EXPECT_EQ(m.cbClickType.ItemIndex(), 0);
  EXPECT_EQ(m.seHoldMs.Value(), 80);
  EXPECT_FALSE(m.seHoldMs.Enabled());
  EXPECT_FALSE(m.lblHold.Enabled());
  EXPECT_EQ(m.seStartDelaySS.Value(), 0);
  EXPECT_TRUE(m.rbCurrentCursorPosition.Checked());
  for (ui::Control* c :
       {static_cast<ui::Control*>(&m.edtCoordX), static_cast<ui::Control*>(&m.edtCoordY),
        static_cast<ui::Control*>(&m.Label3), static_cast<ui::Control*>(&m.btnCreateMacros),
        static_cast<ui::Control*>(&m.bRemove), static_cast<ui::Control*>(&m.bRename),
        static_cast<ui::Control*>(&m.lbMacroses)})
    EXPECT_FALSE(c->Enabled()) << c->Name();
  EXPECT_EQ(m.Label1.Text(), "Ready");
  EXPECT_TRUE(m.btnStart.Enabled());
  EXPECT_FALSE(m.btnStop.Enabled());
  EXPECT_FALSE(m.chkTopMost.Checked());
  EXPECT_FALSE(m.chkMinimizeToTrayOnStart.Checked());
  EXPECT_FALSE(m.ClickRun().Ticking());
  EXPECT_FALSE(m.TimerDelay.Enabled());
  EXPECT_EQ(m.Label2.Text(), "https://www.zuradivudiv.example/");
}

TEST_F(MainFormTest, EveryControlHasAUniqueId) {
  std::set<int> seen;
  for (ui::Control* c : m.AllControls()) EXPECT_TRUE(seen.insert(c->Id()).second) << c->Name();
  EXPECT_EQ(m.ControlById(192), &m.Label1);
  // Children sit inside their group box.
  EXPECT_EQ(m.seMillis.WindowBounds().Left, 253 + 224);
  EXPECT_EQ(m.seMillis.WindowBounds().Top, 10 + 40);
}

TEST_F(MainFormTest, HoldEnablesTheHoldTimeOnlyForHold) {
  m.cbClickType.UserSelect(2);
  EXPECT_TRUE(m.seHoldMs.Enabled());
  EXPECT_TRUE(m.lblHold.Enabled());
  for (int other : {0, 1}) {
    m.cbClickType.UserSelect(2);
    m.cbClickType.UserSelect(other);
    EXPECT_FALSE(m.seHoldMs.Enabled()) << other;
    EXPECT_FALSE(m.lblHold.Enabled()) << other;
  }
}

TEST_F(MainFormTest, SettingTheComboIndexFromCodeRunsNoHandler) {
  m.cbClickType.SetItemIndex(2);
  EXPECT_FALSE(m.seHoldMs.Enabled());
}

TEST_F(MainFormTest, MacrosTargetDisablesIntervalAndClickTypeAndEnablesTheLibrary) {
  m.cbClickType.UserSelect(2);
  m.rbMacros.UserClick();
  EXPECT_TRUE(m.rbMacros.Checked());
  EXPECT_FALSE(m.rbCurrentCursorPosition.Checked());
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           &m.grpInterval, &m.grpClickType, &m.edtCoordX, &m.Label3, &m.edtCoordY, &m.seHours,
           &m.seMinutes, &m.seSeconds, &m.seMillis, &m.lblH, &m.lblM, &m.lblS, &m.lblMS,
           &m.chkJitter, &m.seJitterMs, &m.cbButton, &m.cbClickType, &m.lblHold, &m.seHoldMs})
    EXPECT_FALSE(c->Enabled()) << c->Name();
  for (ui::Control* c : std::initializer_list<ui::Control*>{&m.bRename, &m.bRemove,
                                                            &m.btnCreateMacros, &m.lbMacroses})
    EXPECT_TRUE(c->Enabled()) << c->Name();
  // The repeat, delay and window options stay usable for playback.
  EXPECT_TRUE(m.grpClicks.Enabled());
  EXPECT_TRUE(m.grpDelay.Enabled());
  EXPECT_TRUE(m.grpSafety.Enabled());
}

// "Macros:" then "Cursor position": the jitter box comes back only while jitter is checked.
TEST_F(MainFormTest, LeavingMacrosRestoresJitterBoxOnlyWhenChecked) {
  for (bool jitter : {false, true}) {
    if (m.chkJitter.Checked() != jitter) m.chkJitter.UserClick();
    m.rbMacros.UserClick();
    EXPECT_FALSE(m.seJitterMs.Enabled());
    m.rbCurrentCursorPosition.UserClick();
    EXPECT_EQ(m.seJitterMs.Enabled(), jitter) << "jitter " << jitter;
    EXPECT_TRUE(m.seMillis.Enabled());
    EXPECT_TRUE(m.cbButton.Enabled());
    EXPECT_FALSE(m.lbMacroses.Enabled());
    EXPECT_FALSE(m.edtCoordX.Enabled());
  }
}

TEST_F(MainFormTest, CoordinatesEnablesTheCoordinateBoxes) {
  m.rbCoordinates.UserClick();
  EXPECT_TRUE(m.edtCoordX.Enabled());
  EXPECT_TRUE(m.edtCoordY.Enabled());
  EXPECT_TRUE(m.Label3.Enabled());
  EXPECT_FALSE(m.btnCreateMacros.Enabled());
  m.rbCurrentCursorPosition.UserClick();
  EXPECT_FALSE(m.edtCoordX.Enabled());
}

TEST_F(MainFormTest, RepeatCountEnablesTheCount) {
  m.rbRepeatCount.UserClick();
  EXPECT_TRUE(m.seRepeat.Enabled());
  EXPECT_FALSE(m.rbUntilStopped.Checked());
  m.rbUntilStopped.UserClick();
  EXPECT_FALSE(m.seRepeat.Enabled());
}

TEST_F(MainFormTest, JitterCheckBoxEnablesItsSpinEdit) {
  m.chkJitter.UserClick();
  EXPECT_TRUE(m.seJitterMs.Enabled());
  m.chkJitter.UserClick();
  EXPECT_FALSE(m.seJitterMs.Enabled());
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
