// Taking the mouse back stops a run that moves the pointer. The rule on its own (the hand's
// travel between the program's moves adds up over 300 ms, at the monitor's scale), and in the
// window (which runs are watched, the status, what is let go).
#include <gtest/gtest.h>

#include <cmath>

#include "clicker/hand_check.h"
#include "fakes.h"

namespace {

using K = MacroEventKind;
constexpr uint32_t kLeftDownFlag = 0x0002, kLeftUpFlag = 0x0004;
const plat::Point kTarget{500, 400};

// The check beside a fake pointer and clock: the program's move puts the pointer on its point,
// the hand moves it by steps in between.
struct HandRig {
  fakes::Clock clock;
  fakes::Mouse mouse;
  clicker::HandCheck check{mouse, clock, &clock};
  bool stopped = false;
  HandRig() {
    check.OnHandMove = [this] { stopped = true; };
    check.Arm();
  }
  // The program moves the pointer to `p` (and the system carries the move out).
  void ProgramMoves(plat::Point p = kTarget) {
    mouse.cursor = p;
    check.Moved(p);
  }
  void Hand(int32_t dx, int32_t dy = 0) {
    mouse.cursor.X += dx;
    mouse.cursor.Y += dy;
  }
  // A coordinates run at `intervalMs` with a hand that moves `stepPx` every `everyMs`, for at
  // most `forMs`: the milliseconds from the hand's first step to the stop, or -1.
  double Drag(uint32_t intervalMs, int32_t stepPx, uint32_t everyMs, uint32_t forMs) {
    ProgramMoves();
    const uint64_t begin = clock.now;
    uint64_t nextClick = begin + intervalMs;
    uint64_t nextStep = begin + everyMs;
    std::optional<uint64_t> firstStep;
    while (clock.now < begin + forMs && !stopped) {
      const uint64_t next = std::min(nextClick, nextStep);
      clock.Advance(next - clock.now);  // the poll timer may check on the way
      if (stopped) break;
      if (clock.now == nextStep) {
        if (!firstStep) firstStep = clock.now;
        Hand(stepPx);
        nextStep += everyMs;
      }
      if (clock.now == nextClick) {
        if (check.BeforeSend()) ProgramMoves();
        nextClick += intervalMs;
      }
    }
    return stopped && firstStep ? static_cast<double>(clock.now - *firstStep) : -1;
  }
};

struct HandCheckTest : ::testing::Test, HandRig {};

TEST(HandCheckRuleTest, AHandThatDragsAddsUpAtEveryInterval) {
  const struct {
    const char* label;
    uint32_t intervalMs;
    int32_t stepPx;
    uint32_t everyMs;
    bool stops;
  } cases[] = {
      {"1000 px/s in 8 px steps, 1 ms clicks", 1, 8, 8, true},
      {"1000 px/s in 8 px steps, 5 ms clicks", 5, 8, 8, true},
      {"1000 px/s in 8 px steps, 20 ms clicks", 20, 8, 8, true},
      {"1000 px/s in 8 px steps, 500 ms clicks", 500, 8, 8, true},
      {"a 1000 Hz mouse, 1 px a millisecond, 1 ms clicks", 1, 1, 1, true},
      {"a drag at 100 px/s, 1 ms clicks", 1, 1, 10, true},
      {"a drag at 100 px/s, 50 ms clicks", 50, 1, 10, true},
      {"a slow drift of 50 px/s", 1, 1, 20, false},
      {"a slow drift of 50 px/s, 20 ms clicks", 20, 1, 20, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    HandRig local;
    const double took = local.Drag(c.intervalMs, c.stepPx, c.everyMs, 2000);
    if (c.stops) {
      EXPECT_GE(took, 0) << "travelled " << local.check.Travelled();
      EXPECT_LE(took, 300);
    } else {
      EXPECT_LT(took, 0) << "stopped after " << took << " ms";
    }
  }
}

TEST_F(HandCheckTest, AFlickStopsAtTheNextCheck) {
  ProgramMoves();
  clock.Advance(40);
  Hand(200);
  EXPECT_FALSE(check.BeforeSend());
  EXPECT_TRUE(stopped);
  EXPECT_FALSE(check.Armed());

  // Between clicks, the poll timer finds it within its period.
  stopped = false;
  check.Arm();
  ProgramMoves();
  clock.Advance(100);
  Hand(0, -200);
  clock.Advance(clicker::HandCheck::kPollMs);
  EXPECT_TRUE(stopped);
}

// A bump of a few pixels does not add up while the pointer rests; two within 300 ms do.
TEST_F(HandCheckTest, BumpsCountWithinTheWindowOnly) {
  ProgramMoves();
  Hand(15);
  clock.Advance(100);  // the poll sees 15 px
  EXPECT_FALSE(stopped);
  clock.Advance(1000);  // resting: the program puts the pointer back at each click
  ASSERT_TRUE(check.BeforeSend());
  ProgramMoves();
  EXPECT_EQ(check.Travelled(), 0) << "the first bump left the window";
  Hand(15);
  clock.Advance(100);
  EXPECT_FALSE(stopped);
  ASSERT_TRUE(check.BeforeSend());
  ProgramMoves();
  Hand(-15);
  clock.Advance(100);  // 30 px within 200 ms
  EXPECT_TRUE(stopped);
}

// 25 pixels at 96 DPI, scaled with the DPI of the monitor the program works on.
TEST(HandCheckRuleTest, TheLimitFollowsTheMonitorsScale) {
  const struct {
    uint32_t dpi;
    int32_t dx, dy;
    bool stops;
  } cases[] = {
      {96, 25, 0, false},  {96, 26, 0, true},  {96, 18, 18, true},   {96, 17, 17, false},
      {144, 37, 0, false}, {144, 38, 0, true}, {192, 0, -50, false}, {192, 0, -51, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dpi << " dpi, (" << c.dx << ", " << c.dy << ")");
    HandRig t;
    t.mouse.dpi = c.dpi;
    t.ProgramMoves();
    t.Hand(c.dx, c.dy);
    EXPECT_EQ(t.check.BeforeSend(), !c.stops);
    EXPECT_EQ(t.stopped, c.stops);
  }
}

TEST_F(HandCheckTest, NothingCountsBeforeTheProgramsFirstMove) {
  // A start delay, or a playback before its first move: the pointer is the user's.
  Hand(900, 900);
  clock.Advance(500);
  EXPECT_TRUE(check.BeforeSend());
  EXPECT_FALSE(check.Watching());
  EXPECT_FALSE(clock.scheduler.AnyArmed()) << "nothing polls a pointer that is not watched";
  ProgramMoves();
  EXPECT_TRUE(check.Watching());
  EXPECT_TRUE(check.BeforeSend());
  EXPECT_EQ(check.Travelled(), 0);
  // A new run starts from scratch: the last run's point is not this one's.
  check.Arm();
  Hand(300);
  EXPECT_TRUE(check.BeforeSend());
  EXPECT_FALSE(stopped);
}

// When another program's hook holds the move back, the pointer reads where it was until the
// system carries the move out: neither reading is the hand's.
TEST_F(HandCheckTest, AMoveNotCarriedOutYetIsNoHand) {
  ProgramMoves({100, 100});
  mouse.cursor = {100, 100};  // the move to the target is held back
  check.Moved(kTarget);
  clock.Advance(20);
  EXPECT_TRUE(check.BeforeSend()) << "the stale read-back";
  EXPECT_EQ(check.Travelled(), 0);
  mouse.cursor = {100, 100};
  check.Moved(kTarget);
  mouse.cursor = kTarget;  // carried out now
  clock.Advance(20);
  EXPECT_TRUE(check.BeforeSend());
  EXPECT_EQ(check.Travelled(), 0);
  EXPECT_FALSE(stopped);
  // The hand is still seen from wherever the pointer was last found.
  Hand(30);
  EXPECT_FALSE(check.BeforeSend());
}

TEST_F(HandCheckTest, APointerThatCannotBeReadHasNotMoved) {
  ProgramMoves();
  mouse.readable = false;
  Hand(300);
  clock.Advance(100);
  EXPECT_TRUE(check.BeforeSend());
  EXPECT_FALSE(stopped);
  mouse.readable = true;
  mouse.cursor = kTarget;
  EXPECT_TRUE(check.BeforeSend());
  EXPECT_FALSE(stopped);
}

// Under Wine a move sent while a low-level hook is installed anywhere leaves the X server's
// pointer behind, and a pointer that has rested for 100 ms is put back where X has it: that
// return is no hand. Anything else still is, and elsewhere nothing is put back at all.
TEST(HandCheckRuleTest, APointerPutBackWhereTheDisplayServerHasItIsNoHand) {
  for (bool resyncs : {true, false}) {
    SCOPED_TRACE(resyncs ? "under Wine" : "on Windows");
    HandRig r;
    r.mouse.resyncs = resyncs;
    r.check.Arm();
    r.mouse.cursor = {900, 700};  // where the user left it, and X has it
    ASSERT_TRUE(r.check.BeforeSend());
    r.ProgramMoves();
    r.clock.Advance(99);
    r.mouse.cursor = {900, 700};  // too soon for the system to have done it
    EXPECT_FALSE(r.check.BeforeSend());
  }
  for (bool resyncs : {true, false}) {
    SCOPED_TRACE(resyncs ? "under Wine, after 100 ms" : "on Windows, after 100 ms");
    HandRig r;
    r.mouse.resyncs = resyncs;
    r.check.Arm();
    r.mouse.cursor = {900, 700};
    ASSERT_TRUE(r.check.BeforeSend());
    // The display server's pointer is brought into step once, when the run begins.
    EXPECT_EQ(r.mouse.syncs, resyncs ? 1 : 0);
    for (int click = 0; click < 5; ++click) {
      r.ProgramMoves();
      r.clock.Advance(500);
      r.mouse.cursor = {900, 700};  // put back while the program waits
      EXPECT_EQ(r.check.BeforeSend(), resyncs) << "click " << click;
      if (r.stopped) break;
    }
    if (!resyncs) continue;
    // The hand still counts: the X pointer moves, and Wine's follows it.
    r.ProgramMoves();
    r.clock.Advance(20);
    r.mouse.cursor = {940, 700};
    EXPECT_FALSE(r.check.BeforeSend());
  }
}

// How many of the records sent have these flags.
int Sent(const fakes::Mouse& mouse, uint32_t flags) {
  int n = 0;
  for (const auto& r : mouse.sent) n += r.dwFlags == flags;
  return n;
}

// The hand moves the pointer by (dx, dy) every 8 ms for at most `forMs`: the milliseconds from
// its first step until the run stopped, or -1.
double HandDrags(fakes::Form& f, int32_t dx, int32_t dy, uint32_t forMs) {
  for (uint32_t t = 8; t <= forMs; t += 8) {
    f.mouse.cursor.X += dx;
    f.mouse.cursor.Y += dy;
    f.clock.Advance(8);
    if (!f.frm.Running()) return t;
  }
  return -1;
}

// The window: which runs are watched, and a stop as every stop is.
struct HandMoveTest : ::testing::Test {
  fakes::Form f;
  MainForm& m = f.frm;
  void CoordinatesRun(const char* ms = "50") {
    m.coordinatesRadio.UserClick();
    m.coordXEdit.UserSetText("500");
    m.coordYEdit.UserSetText("400");
    m.millisecondsEdit.UserSetText(ms);
    m.startButton.UserClick();
  }
};

TEST_F(HandMoveTest, ACoordinatesRunStopsAtEveryIntervalAndNothingMoreIsSent) {
  for (const char* ms : {"1", "5", "20", "50"}) {
    SCOPED_TRACE(testing::Message() << ms << " ms");
    fakes::Form g;
    MainForm& n = g.frm;
    n.coordinatesRadio.UserClick();
    n.coordXEdit.UserSetText("500");
    n.coordYEdit.UserSetText("400");
    n.millisecondsEdit.UserSetText(ms);
    n.startButton.UserClick();
    g.clock.Advance(120);
    ASSERT_TRUE(n.Running());
    const uint64_t clicks = n.ClicksDone();
    const double took = HandDrags(g, 8, 0, 1000);
    EXPECT_GE(took, 0);
    EXPECT_LE(took, 300);
    const std::string status = n.statusLabel.Text();
    EXPECT_EQ(status, "Stopped: the mouse was moved by hand. Clicks done: " +
                          std::to_string(n.ClicksDone()));
    EXPECT_GE(n.ClicksDone(), clicks);
    // The clicks counted are the clicks sent.
    EXPECT_EQ(static_cast<uint64_t>(Sent(g.mouse, kLeftDownFlag)), n.ClicksDone());
    const size_t sentAtStop = g.mouse.sent.size();
    g.clock.Advance(1000);
    EXPECT_EQ(g.mouse.sent.size(), sentAtStop);
    EXPECT_FALSE(g.clock.scheduler.AnyArmed());
  }
}

TEST_F(HandMoveTest, ARunThatNobodyTouchesGoesOn) {
  CoordinatesRun("1");
  f.clock.Advance(5000);
  EXPECT_TRUE(m.Running()) << m.statusLabel.Text();
  EXPECT_GE(m.ClicksDone(), 4900u);
  m.stopButton.UserClick();
}

TEST_F(HandMoveTest, AHeldClickIsLetGo) {
  m.clickTypeCombo.UserSelect(2);
  m.holdEdit.UserSetText("2000");
  CoordinatesRun();
  f.clock.Advance(60);  // pressed, held for 2 s
  ASSERT_TRUE(m.Running());
  f.mouse.cursor.X += 200;
  f.clock.Advance(clicker::HandCheck::kPollMs);
  EXPECT_FALSE(m.Running());
  EXPECT_EQ(Sent(f.mouse, kLeftDownFlag), 1);
  EXPECT_EQ(Sent(f.mouse, kLeftUpFlag), 1);
}

TEST_F(HandMoveTest, APlaybackStopsInAWaitAndWhileItMovesAndLetsGoOfWhatItHolds) {
  // A press, five seconds of nothing, then the release; and a drag that moves every 5 ms.
  std::vector<MacroEvent> wait = {{0, K::Down, 100, 100, 0}, {5000, K::Up, 300, 100, 0}};
  std::vector<MacroEvent> moving = {{0, K::Down, 100, 100, 0}};
  for (uint32_t t = 5; t <= 5000; t += 5)
    moving.push_back({t, K::Move, 100 + static_cast<int32_t>(t % 7), 100, -1});
  moving.push_back({5005, K::Up, 100, 100, 0});
  for (const auto* events : {&wait, &moving}) {
    SCOPED_TRACE(events == &wait ? "in a wait" : "moving every 5 ms");
    fakes::Form g;
    MainForm& n = g.frm;
    auto macro = std::make_shared<RecordedMacro>();
    macro->SetName("drag");
    macro->Events() = *events;
    n.Library().Add(macro);
    n.RefreshMacroList();
    n.macroList.SetItemIndex(0);
    n.macrosRadio.UserClick();
    n.startButton.UserClick();
    g.clock.Advance(500);
    ASSERT_TRUE(n.Running());
    const double took = HandDrags(g, 0, 8, 1000);
    EXPECT_GE(took, 0);
    EXPECT_LE(took, 300);
    EXPECT_EQ(n.statusLabel.Text(), "Stopped: the mouse was moved by hand. Runs done: 0");
    EXPECT_EQ(Sent(g.mouse, kLeftDownFlag), 1);
    EXPECT_EQ(Sent(g.mouse, kLeftUpFlag), 1);
  }
}

// Where the user moves the pointer on purpose, or has turned the option off, nothing watches;
// nor during a start delay, before the program has moved the pointer.
TEST_F(HandMoveTest, CursorModeTheOptionOffAndTheStartDelayLeaveTheMouseAlone) {
  m.millisecondsEdit.UserSetText("50");
  m.startButton.UserClick();  // cursor position
  f.clock.Advance(100);
  EXPECT_EQ(HandDrags(f, 8, 0, 1000), -1);
  EXPECT_TRUE(m.Running());
  m.stopButton.UserClick();

  m.startDelayEdit.UserSetText("2");
  CoordinatesRun();
  EXPECT_EQ(HandDrags(f, 8, 0, 1500), -1) << "stopped during the start delay";
  EXPECT_TRUE(m.Running());
  m.stopButton.UserClick();
  m.startDelayEdit.UserSetText("0");

  EXPECT_TRUE(m.stopOnMouseMoveCheck.Checked());
  EXPECT_EQ(m.stopOnMouseMoveCheck.Text(), "Stop when I move the mouse");
  m.stopOnMouseMoveCheck.UserClick();
  CoordinatesRun();
  f.clock.Advance(100);
  EXPECT_EQ(HandDrags(f, 8, 0, 1000), -1);
  EXPECT_TRUE(m.Running());
  m.stopButton.UserClick();
  EXPECT_EQ(f.input.starts, 0) << "a run hooks nothing";
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
