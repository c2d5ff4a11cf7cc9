// Taking the mouse back stops a run that moves the pointer: the hook's part (the distance at the
// monitor's DPI, the program's own input told apart by its marker) and the window's (which runs
// watch, the status, the option).
#include <gtest/gtest.h>

#include "fakes.h"

namespace {

using K = MacroEventKind;
constexpr uint32_t kMove = 0x0200, kLeftDown = 0x0201;
constexpr uint32_t kLeftDownFlag = 0x0002, kLeftUpFlag = 0x0004;

struct HandMoveTest : ::testing::Test {
  fakes::Form f;
  MainForm& m = f.frm;
  // A hand's movement to (x, y), or the program's own when `marked`.
  void Hand(int32_t x, int32_t y, bool marked = false, uint32_t message = kMove) {
    ASSERT_NE(f.hook.sink, nullptr) << "the hook is not installed";
    f.hook.sink->OnMouse(message, x, y, 0, marked ? clicker::kInputMarker : 0);
  }
  void CoordinatesRun(const char* ms = "50") {
    m.coordinatesRadio.UserClick();
    m.coordXEdit.UserSetText("500");
    m.coordYEdit.UserSetText("400");
    m.millisecondsEdit.UserSetText(ms);
    m.startButton.UserClick();
  }
};

// The limit is 25 pixels at 96 DPI, scaled with the DPI of the monitor the program put the
// pointer on; only a movement beyond it, not marked as the program's, stops the run.
TEST_F(HandMoveTest, DistanceAtTheMonitorsScale) {
  const struct {
    uint32_t dpi;
    int32_t dx, dy;
    bool marked;
    bool stops;
  } cases[] = {
      {96, 25, 0, false, false},   {96, 26, 0, false, true},   {96, 18, 18, false, true},
      {96, 17, 17, false, false},  {144, 37, 0, false, false}, {144, 38, 0, false, true},
      {192, 0, -50, false, false}, {192, 0, -51, false, true}, {96, 300, 0, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dpi << " dpi, (" << c.dx << ", " << c.dy << ")"
                                    << (c.marked ? " marked" : ""));
    fakes::Form g;
    g.mouse.dpi = c.dpi;
    MainForm& n = g.frm;
    n.coordinatesRadio.UserClick();
    n.coordXEdit.UserSetText("500");
    n.coordYEdit.UserSetText("400");
    n.startButton.UserClick();
    g.clock.Advance(100);  // the first click puts the pointer on (500, 400)
    ASSERT_TRUE(g.hook.installed);
    g.hook.sink->OnMouse(kMove, 500 + c.dx, 400 + c.dy, 0, c.marked ? clicker::kInputMarker : 0);
    g.clock.Advance(2);
    EXPECT_EQ(n.Running(), !c.stops);
    if (c.stops) {
      EXPECT_EQ(n.statusLabel.Text(), "Stopped: the mouse was moved by hand. Clicks done: 1");
      EXPECT_FALSE(g.hook.installed);
    }
    n.stopButton.UserClick();
  }
}

TEST_F(HandMoveTest, ACoordinatesRunStopsAtOnceAndNothingMoreIsSent) {
  CoordinatesRun();
  EXPECT_TRUE(f.hook.installed);
  // During the first interval the program has not moved the pointer: the hand is free.
  Hand(900, 900);
  f.clock.Advance(120);  // two clicks
  ASSERT_TRUE(m.Running());
  Hand(700, 400, false, kLeftDown);  // a press is no movement
  Hand(520, 410);                    // within the limit
  f.clock.Advance(1);
  ASSERT_TRUE(m.Running());
  Hand(700, 400);
  const size_t sentAtTheMove = f.mouse.sent.size();
  f.clock.Advance(1);
  EXPECT_FALSE(m.Running());
  EXPECT_EQ(m.statusLabel.Text(), "Stopped: the mouse was moved by hand. Clicks done: 2");
  f.clock.Advance(1000);
  EXPECT_EQ(f.mouse.sent.size(), sentAtTheMove);
  EXPECT_FALSE(f.hook.installed);
}

TEST_F(HandMoveTest, APlaybackStopsAndLetsGoOfWhatItHolds) {
  auto macro = std::make_shared<RecordedMacro>();
  macro->SetName("drag");
  macro->Events() = {{0, K::Down, 100, 100, 0}, {5000, K::Up, 300, 100, 0}};
  m.Library().Add(macro);
  m.RefreshMacroList();
  m.macroList.SetItemIndex(0);
  m.macrosRadio.UserClick();
  m.startButton.UserClick();
  f.clock.Advance(100);
  ASSERT_TRUE(m.Running());
  Hand(100, 200);
  f.clock.Advance(1);
  EXPECT_FALSE(m.Running());
  EXPECT_EQ(m.statusLabel.Text(), "Stopped: the mouse was moved by hand. Runs done: 0");
  int presses = 0, releases = 0;
  for (const auto& r : f.mouse.sent) {
    presses += r.dwFlags == kLeftDownFlag;
    releases += r.dwFlags == kLeftUpFlag;
  }
  EXPECT_EQ(presses, 1);
  EXPECT_EQ(releases, 1);
}

// Where the user moves the pointer on purpose, or has turned the option off, nothing watches.
TEST_F(HandMoveTest, CursorModeAndTheOptionOffLeaveTheMouseAlone) {
  m.startButton.UserClick();  // cursor position
  EXPECT_TRUE(m.Running());
  EXPECT_EQ(f.hook.installs, 0);
  m.stopButton.UserClick();

  EXPECT_TRUE(m.stopOnMouseMoveCheck.Checked());
  EXPECT_EQ(m.stopOnMouseMoveCheck.Text(), "Stop when I move the mouse");
  m.stopOnMouseMoveCheck.UserClick();
  CoordinatesRun();
  EXPECT_TRUE(m.Running());
  EXPECT_EQ(f.hook.installs, 0);
  m.stopButton.UserClick();
  m.Destroy();
  EXPECT_EQ(f.profile.Get("UI", "stopOnMouseMove"), "0");

  fakes::Form g([&](fakes::Form& h) {
    h.env.files.insert(fakes::Form::kSettingsPath);
    h.profile = f.profile;
  });
  EXPECT_FALSE(g.frm.stopOnMouseMoveCheck.Checked());
}

}  // namespace

namespace {

// While the system waits for a low-level hook it delivers the messages sent to the thread, so a
// Stop can run in the middle of sending a press. Whatever was being sent, the run is over
// afterwards: nothing more is sent, no timer is left armed, and a press that went out after the
// stop had let go is released.
TEST(StopDuringASendTest, NothingGoesOnAndNothingStaysDown) {
  const struct {
    const char* label;
    bool macro;
    int clickType;  // for a clicking run
    std::vector<MacroEvent> events;
  } cases[] = {
      {"single click", false, 0, {}},
      {"hold", false, 2, {}},
      {"playback press", true, 0, {{0, K::Down, 5, 5, 0}, {500, K::Up, 5, 5, 0}}},
      {"playback key",
       true,
       0,
       {{0, K::KeyDown, 5, 5, PackMacroKey('A', 0x1E, false)},
        {500, K::KeyUp, 5, 5, PackMacroKey('A', 0x1E, false)}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    fakes::Form f;
    MainForm& m = f.frm;
    if (c.macro) {
      auto macro = std::make_shared<RecordedMacro>();
      macro->SetName("m");
      macro->Events() = c.events;
      m.Library().Add(macro);
      m.RefreshMacroList();
      m.macroList.SetItemIndex(0);
      m.macrosRadio.UserClick();
    } else {
      m.clickTypeCombo.UserSelect(c.clickType);
    }
    bool stopped = false;
    f.mouse.onSend = [&](const plat::InputRecord& r) {
      const bool press = r.dwFlags == kLeftDownFlag ||
                         (r.type == plat::kInputKeyboard && (r.dwFlags & 0x0002) == 0);
      if (press && !stopped) {
        stopped = true;
        m.stopButton.UserClick();  // the Stop button's message, delivered inside SendInput
      }
    };
    m.startButton.UserClick();
    f.clock.Advance(200);
    ASSERT_TRUE(stopped);
    EXPECT_FALSE(m.Running());
    const size_t sentAtStop = f.mouse.sent.size();
    f.clock.Advance(2000);
    EXPECT_EQ(f.mouse.sent.size(), sentAtStop);
    EXPECT_FALSE(f.clock.scheduler.AnyArmed());
    int downs = 0, ups = 0;
    for (const auto& r : f.mouse.sent) {
      if (r.type == plat::kInputKeyboard) {
        ((r.dwFlags & 0x0002) ? ups : downs) += 1;
      } else {
        downs += r.dwFlags == kLeftDownFlag;
        ups += r.dwFlags == kLeftUpFlag;
      }
    }
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 1) << "a press is left without its release";
    EXPECT_EQ(m.statusLabel.Text().rfind("Stopped by button.", 0), 0u) << m.statusLabel.Text();
  }
}

}  // namespace
