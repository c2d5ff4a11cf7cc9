// Macro playback: run counts, the due times of the events on the window's timer, stops, and
// what input reaches the system.
#include <gtest/gtest.h>

#include <cstdio>

#include "fakes.h"

namespace {

using K = MacroEventKind;
constexpr uint32_t kLeftDown = 0x0002, kLeftUp = 0x0004, kMove = 0xC001;
constexpr uintptr_t kStopHotkey = 1002;
constexpr const char* kBlocked =
    "Windows blocked the macro's input. The window under the pointer may belong to a program "
    "running as administrator.";

// Puts a macro into a window's library and selects the macro target and that macro.
void UseMacroIn(fakes::Form& g, std::vector<MacroEvent> events) {
  auto macro = std::make_shared<RecordedMacro>();
  macro->SetName("M" + std::to_string(g.frm.Library().Macros().size()));
  macro->Events() = std::move(events);
  g.frm.Library().Add(macro);
  g.frm.RefreshMacroList();
  g.frm.macroList.SetItemIndex(static_cast<int>(g.frm.Library().Macros().size()) - 1);
  if (!g.frm.macrosRadio.Checked()) g.frm.macrosRadio.UserClick();
}

struct PlayerTest : ::testing::Test {
  fakes::Form f;
  MainForm& m = f.frm;

  void UseMacro(std::vector<MacroEvent> events) { UseMacroIn(f, std::move(events)); }
  void Repeat(const std::string& count) {
    m.repeatCountRadio.UserClick();
    m.repeatCountEdit.UserSetText(count);
  }
  int Count(uint32_t flags) const {
    int n = 0;
    for (auto& r : f.mouse.sent) n += r.dwFlags == flags;
    return n;
  }
  int Presses() const { return Count(kLeftDown); }
  int Releases() const { return Count(kLeftUp); }
  // The times (ms) at which records with these flags were sent.
  std::vector<uint64_t> TimesOf(uint32_t flags) const {
    std::vector<uint64_t> t;
    for (size_t i = 0; i < f.mouse.sent.size(); ++i)
      if (f.mouse.sent[i].dwFlags == flags) t.push_back(f.mouse.sentAt[i]);
    return t;
  }
  const std::vector<MacroEvent> click = {
      {0, K::Move, 100, 100, -1}, {10, K::Down, 100, 100, 0}, {20, K::Up, 100, 100, 0}};
};

TEST_F(PlayerTest, RepeatCountPlaysThatManyRunsBackToBack) {
  UseMacro(click);
  Repeat("3");
  m.startButton.UserClick();
  EXPECT_TRUE(m.Running());  // the playback goes on from the window's timer
  f.clock.Advance(1000);
  EXPECT_FALSE(m.Running());
  // Each run starts where the previous one ended: the first event of a run waits its own
  // offset (0 here) from the last event of the run before.
  EXPECT_EQ(TimesOf(kLeftDown), (std::vector<uint64_t>{10, 30, 50}));
  EXPECT_EQ(TimesOf(kLeftUp), (std::vector<uint64_t>{20, 40, 60}));
  EXPECT_EQ(m.statusLabel.Text(), "Completed macro repeat count. Runs done: 3");
  EXPECT_EQ(f.window.caption, "  JUX Zura Divudiv 1.0");
  EXPECT_FALSE(f.clock.scheduler.AnyArmed());
}

TEST_F(PlayerTest, ACountReadingZeroPlaysOneRun) {
  UseMacro(click);
  Repeat("0");
  m.startButton.UserClick();
  f.clock.Advance(1000);
  EXPECT_EQ(Presses(), 1);
  EXPECT_EQ(m.statusLabel.Text(), "Completed macro repeat count. Runs done: 1");
}

TEST_F(PlayerTest, EventsAreSentWhenTheyAreDue) {
  struct Case {
    std::vector<uint32_t> offsets;
    std::vector<uint64_t> sentAt;
  } cases[] = {{{0, 1000, 1100}, {0, 1000, 1100}},  // the first event goes out at once
               {{100, 50, 120}, {100, 100, 170}}};  // a smaller offset does not wait
  for (const Case& c : cases) {
    std::vector<MacroEvent> events;
    for (uint32_t o : c.offsets) events.push_back({o, K::Move, 1, 1, -1});
    UseMacro(events);
    Repeat("1");
    f.mouse.sent.clear();
    f.mouse.sentAt.clear();
    f.mouse.calls.clear();
    const uint64_t start = f.clock.now;
    m.startButton.UserClick();
    f.clock.Advance(5000);
    std::vector<uint64_t> relative;
    for (uint64_t t : f.mouse.sentAt) relative.push_back(t - start);
    EXPECT_EQ(relative, c.sentAt);
  }
}

// Time spent sending input does not add to the waits: every event goes out no earlier than its
// due time and at most about a millisecond after it, and the run keeps its recorded length.
TEST_F(PlayerTest, PaceIsKeptAgainstOneClock) {
  std::vector<MacroEvent> events;
  for (uint32_t t = 1; t <= 1000; ++t) events.push_back({t, K::Move, int32_t(t), 1, -1});
  UseMacro(events);
  Repeat("1");
  f.mouse.costUs = 400;  // each move costs 0.4 ms of the 1 ms between events
  std::vector<uint64_t> lateUs;
  const uint64_t start = f.clock.NowMicros();
  f.mouse.onSend = [&](const plat::InputRecord&) {
    const uint64_t due = start + (lateUs.size() + 1) * 1000;
    lateUs.push_back(f.clock.NowMicros() - due);  // wraps to a huge number if early
  };
  m.startButton.UserClick();
  f.clock.Advance(2000);
  ASSERT_EQ(lateUs.size(), 1000u);
  for (uint64_t late : lateUs) ASSERT_LE(late, 1400u);
  EXPECT_EQ(m.statusLabel.Text(), "Completed macro repeat count. Runs done: 1");
}

TEST_F(PlayerTest, UnknownKindWaitsAndSendsNothingButtonMinusOneSendsNoButton) {
  UseMacro({{50, static_cast<K>(255), 5, 5, 0}, {60, K::Down, 7, 8, -1}});
  Repeat("1");
  m.startButton.UserClick();
  f.clock.Advance(1000);
  ASSERT_EQ(f.mouse.sent.size(), 2u);
  EXPECT_EQ(f.mouse.sent[0].dwFlags, kMove);
  plat::InputRecord nothing;
  nothing.dwExtraInfo = clicker::kInputMarker;
  EXPECT_EQ(f.mouse.sent[1], nothing);
  EXPECT_EQ(f.mouse.sentAt, (std::vector<uint64_t>{60, 60}));
}

TEST_F(PlayerTest, SwitchingToUntilStoppedDuringACountedPlayback) {
  UseMacro(click);
  Repeat("2");
  m.startButton.UserClick();
  f.clock.Advance(5);
  m.untilStoppedRadio.UserClick();
  f.clock.Advance(1000);
  EXPECT_EQ(m.statusLabel.Text(), "Macro playback stopped. Runs done: 2");
}

// A stop takes effect at once, wherever the playback is: nothing more is sent afterwards, and a
// button it pressed is released before the status line says it stopped.
TEST_F(PlayerTest, StopsEndThePlaybackAtOnce) {
  struct Case {
    const char* name;
    uint64_t at;  // ms after the start
    std::function<void(MainForm&)> stop;
    const char* status;
    int presses;
  } cases[] = {
      // In the third run of an until-stopped playback (its runs begin at 0, 20 and 40).
      {"hotkey in run 3", 45, [](MainForm& t) { t.HotkeyPressed(kStopHotkey); },
       "Stopped by hotkey. Runs done: 2", 2},
      // Between the press (10) and the release (20).
      {"button while pressed", 15, [](MainForm& t) { t.stopButton.UserClick(); },
       "Stopped by button. Runs done: 0", 1},
      {"closing", 5, [](MainForm& t) { t.Closing(); }, "Closing", 0},
  };
  for (const Case& c : cases) {
    fakes::Form g;
    UseMacroIn(g, click);
    std::string statusAtRelease;
    g.mouse.onSend = [&](const plat::InputRecord& r) {
      if (r.dwFlags == kLeftUp) statusAtRelease = g.frm.statusLabel.Text();
    };
    g.frm.startButton.UserClick();
    g.clock.Advance(c.at);
    c.stop(g.frm);
    const size_t sentAtStop = g.mouse.sent.size();
    g.clock.Advance(10000);
    EXPECT_EQ(g.mouse.sent.size(), sentAtStop) << c.name;
    EXPECT_EQ(g.frm.statusLabel.Text(), c.status) << c.name;
    int presses = 0, releases = 0;
    for (auto& r : g.mouse.sent)
      presses += r.dwFlags == kLeftDown, releases += r.dwFlags == kLeftUp;
    EXPECT_EQ(presses, c.presses) << c.name;
    EXPECT_EQ(releases, presses) << c.name;
    if (releases) {
      EXPECT_EQ(statusAtRelease, "Started") << c.name;
    }
    EXPECT_FALSE(g.clock.scheduler.AnyArmed()) << c.name;
  }
}

// The event that a long wait was for is not played when the stop comes during the wait.
TEST_F(PlayerTest, AStopDuringALongWaitSendsNothingMore) {
  UseMacro({{0, K::Move, 1, 1, -1}, {10000, K::Down, 2, 2, 0}, {10001, K::Up, 2, 2, 0}});
  m.startButton.UserClick();
  f.clock.Advance(4000);
  ASSERT_TRUE(m.Running());
  m.stopButton.UserClick();
  f.clock.Advance(20000);
  EXPECT_EQ(f.mouse.sent.size(), 1u);
  EXPECT_EQ(m.statusLabel.Text(), "Stopped by button. Runs done: 0");
}

// What a record does, in words: "t=<ms> <what>".
std::string Describe(const plat::InputRecord& r, uint64_t at) {
  char buf[96];
  if (r.type == plat::kInputKeyboard)
    std::snprintf(buf, sizeof buf, "%llu key %02X scan %02X flags %u",
                  static_cast<unsigned long long>(at), r.wVk, r.wScan, r.dwFlags);
  else
    std::snprintf(buf, sizeof buf, "%llu mouse flags %04X data %d",
                  static_cast<unsigned long long>(at), r.dwFlags, static_cast<int>(r.mouseData));
  return buf;
}

// Wheels, side buttons and keys reach the system; what the playback still holds when it ends,
// by itself or by a stop, is released: keys first, then buttons.
TEST_F(PlayerTest, WheelsSideButtonsAndKeysAreSentAndWhatIsHeldIsReleased) {
  const int32_t a = PackMacroKey('A', 0x1E, false), right = PackMacroKey(0x27, 0x4D, true);
  UseMacro({{0, K::Wheel, 50, 60, 120},
            {5, K::HorizontalWheel, 50, 60, -120},
            {10, K::Down, 50, 60, 3},
            {20, K::KeyDown, 50, 60, a},
            {25, K::KeyDown, 50, 60, a},  // auto-repeat
            {30, K::KeyDown, 50, 60, right},
            {40, K::KeyUp, 50, 60, a}});
  Repeat("1");
  const std::vector<std::string> played = {
      "0 mouse flags C001 data 0",    "0 mouse flags 0800 data 120", "5 mouse flags C001 data 0",
      "5 mouse flags 1000 data -120", "10 mouse flags C001 data 0",  "10 mouse flags 0080 data 1",
      "20 key 41 scan 1E flags 0",    "25 key 41 scan 1E flags 0",   "30 key 27 scan 4D flags 1"};
  const struct {
    const char* label;
    uint64_t stopAt;  // 0: plays to its end
    std::vector<std::string> tail;
  } cases[] = {
      {"end",
       0,
       {"40 key 41 scan 1E flags 2", "40 key 27 scan 4D flags 3", "40 mouse flags 0100 data 1"}},
      {"stop",
       33,
       {"33 key 27 scan 4D flags 3", "33 key 41 scan 1E flags 2", "33 mouse flags 0100 data 1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    f.mouse.sent.clear();
    f.mouse.sentAt.clear();
    f.mouse.calls.clear();
    const uint64_t start = f.clock.now;
    m.startButton.UserClick();
    if (c.stopAt) {
      f.clock.Advance(c.stopAt);
      m.stopButton.UserClick();
    }
    f.clock.Advance(1000);
    EXPECT_FALSE(m.Running());
    std::vector<std::string> sent;
    for (size_t i = 0; i < f.mouse.sent.size(); ++i)
      sent.push_back(Describe(f.mouse.sent[i], f.mouse.sentAt[i] - start));
    std::vector<std::string> expected = played;
    expected.insert(expected.end(), c.tail.begin(), c.tail.end());
    EXPECT_EQ(sent, expected);
    // Each move in one call with what it leads to; every record marked as the program's.
    EXPECT_EQ(f.mouse.calls, (std::vector<size_t>{2, 2, 2, 1, 1, 1, 1, 1, 1}));
    for (const plat::InputRecord& r : f.mouse.sent) EXPECT_EQ(r.dwExtraInfo, clicker::kInputMarker);
  }
}

// Every wait is divided by the speed, against one clock: a click 2 s into the macro comes at
// 2 s * 100 / speed, and a long run of 1 ms steps keeps its scaled length to the millisecond.
// A speed outside 10..1000 (typed, not yet clamped by the box) plays at the nearest end.
TEST_F(PlayerTest, SpeedDividesEveryWait) {
  std::vector<MacroEvent> steps;
  for (uint32_t t = 1; t <= 3000; ++t) steps.push_back({t, K::Move, int32_t(t % 500), 1, -1});
  const struct {
    const char* speed;
    uint64_t clickAt;
    uint64_t stepsEnd;
  } cases[] = {
      {"100", 2000, 3000}, {"200", 1000, 1500}, {"50", 4000, 6000},
      {"300", 667, 1000},  {"0", 20000, 30000}, {"5000", 200, 300},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.speed);
    fakes::Form g;
    UseMacroIn(g, {{0, K::Move, 9, 9, -1}, {2000, K::Down, 9, 9, 0}, {2000, K::Up, 9, 9, 0}});
    g.frm.repeatCountRadio.UserClick();
    g.frm.repeatCountEdit.UserSetText("1");
    g.frm.speedEdit.UserSetText(c.speed);
    g.frm.startButton.UserClick();
    g.clock.Advance(40000);
    std::vector<uint64_t> presses;
    for (size_t i = 0; i < g.mouse.sent.size(); ++i)
      if (g.mouse.sent[i].dwFlags == kLeftDown) presses.push_back(g.mouse.sentAt[i]);
    EXPECT_EQ(presses, std::vector<uint64_t>{c.clickAt});

    UseMacroIn(g, steps);
    g.mouse.sentAt.clear();
    const uint64_t start = g.clock.now;
    g.frm.startButton.UserClick();
    g.clock.Advance(40000);
    ASSERT_EQ(g.mouse.sentAt.size(), steps.size());
    EXPECT_EQ(g.mouse.sentAt.back() - start, c.stepsEnd);
  }
}

TEST_F(PlayerTest, NoSelectionWhenThePlaybackStarts) {
  UseMacro(click);
  m.startDelayEdit.UserSetText("1");
  m.startButton.UserClick();
  m.macroList.SetItemIndex(-1);
  f.clock.Advance(1000);
  EXPECT_EQ(m.statusLabel.Text(), "No macro selected.");
  EXPECT_FALSE(m.Running());
}

TEST_F(PlayerTest, RemovingThePlayingMacroKeepsItAliveUntilTheEnd) {
  UseMacro(click);
  Repeat("2");
  m.startButton.UserClick();
  f.clock.Advance(5);
  m.RemoveMacroClicked();  // answered Yes by the fake
  EXPECT_TRUE(m.Library().Macros().empty());
  f.clock.Advance(1000);
  EXPECT_EQ(Presses(), 2);
  EXPECT_EQ(m.statusLabel.Text(), "Completed macro repeat count. Runs done: 2");
}

// A stop and a new start right after it: the old playback is gone, the new one plays alone.
TEST_F(PlayerTest, StopThenStartPlaysOnlyTheNewRun) {
  UseMacro(click);
  Repeat("1");
  m.startButton.UserClick();
  f.clock.Advance(5);
  m.stopButton.UserClick();
  m.startButton.UserClick();
  f.clock.Advance(1000);
  EXPECT_FALSE(m.Running());
  EXPECT_EQ(TimesOf(kMove), (std::vector<uint64_t>{0, 5, 15, 25}));
  EXPECT_EQ(TimesOf(kLeftDown), (std::vector<uint64_t>{15}));
  EXPECT_EQ(Releases(), 1);
  EXPECT_EQ(m.statusLabel.Text(), "Completed macro repeat count. Runs done: 1");
}

TEST_F(PlayerTest, EmptyMacroWithACountEndsAtOnce) {
  UseMacro({});
  Repeat("4");
  m.startButton.UserClick();
  EXPECT_EQ(m.statusLabel.Text(), "Completed macro repeat count. Runs done: 4");
}

// Runs that take no time still leave the window its turn between them, and stop.
TEST_F(PlayerTest, AnUntilStoppedMacroThatTakesNoTimeYieldsBetweenRuns) {
  UseMacro({{0, K::Move, 1, 1, -1}});
  m.startButton.UserClick();
  EXPECT_EQ(m.ClicksDone(), 1u);
  f.clock.Advance(10);
  EXPECT_TRUE(m.Running());
  EXPECT_EQ(m.ClicksDone(), 11u);  // one run per millisecond
  m.HotkeyPressed(kStopHotkey);
  EXPECT_EQ(m.statusLabel.Text(), "Stopped by hotkey. Runs done: 11");
}

// Overdue events (here all at offset 0, each taking 1 ms to send) go out in slices, so that the
// message loop runs in between.
TEST_F(PlayerTest, ALongBurstIsSentInSlices) {
  UseMacro(std::vector<MacroEvent>(100, {0, K::Move, 1, 1, -1}));
  Repeat("1");
  f.mouse.costUs = 1000;
  m.startButton.UserClick();
  const size_t firstSlice = f.mouse.sent.size();
  EXPECT_LE(firstSlice, macros::MacroPlayer::kSliceUs / 1000 + 1);
  EXPECT_TRUE(m.Running());
  f.clock.Advance(1000);
  EXPECT_EQ(f.mouse.sent.size(), 100u);
  EXPECT_EQ(m.statusLabel.Text(), "Completed macro repeat count. Runs done: 1");
}

TEST_F(PlayerTest, MinimizeToTrayHidesAgainAfterTheDelayWithASettlingPause) {
  UseMacro(click);
  Repeat("1");
  m.minimizeToTrayCheck.UserClick();
  m.startDelayEdit.UserSetText("3");
  m.startButton.UserClick();
  EXPECT_FALSE(f.window.visible);
  f.clock.Advance(1000);
  m.TrayIconClicked();  // brought back during the delay
  EXPECT_TRUE(f.window.visible);
  f.clock.Advance(2000);
  EXPECT_FALSE(f.window.visible);
  EXPECT_TRUE(f.mouse.sent.empty());
  f.clock.Advance(1000);
  EXPECT_EQ(TimesOf(kMove).front(), 3250u);  // 250 ms after the window was hidden again
  EXPECT_EQ(Presses(), 1);
  EXPECT_TRUE(f.window.visible);  // shown again at the end
}

// Input that Windows refuses ends the playback at once and is reported; what the playback
// pressed is released.
TEST_F(PlayerTest, RefusedInputStopsThePlayback) {
  struct Case {
    const char* name;
    uint32_t refused;  // the flags of the record the system refuses
    int presses, releases;
  } cases[] = {{"the press", kLeftDown, 1, 0}, {"the release", kLeftUp, 1, 1}};
  for (const Case& c : cases) {
    fakes::Form g;
    UseMacroIn(g, click);
    g.mouse.accept = [&](const plat::InputRecord& r) { return r.dwFlags != c.refused; };
    g.frm.startButton.UserClick();
    g.clock.Advance(10000);
    EXPECT_FALSE(g.frm.Running()) << c.name;
    EXPECT_EQ(g.frm.statusLabel.Text(), kBlocked) << c.name;
    EXPECT_EQ(g.frm.ClicksDone(), 0u) << c.name;
    int presses = 0, releases = 0;
    for (auto& r : g.mouse.sent)
      presses += r.dwFlags == kLeftDown, releases += r.dwFlags == kLeftUp;
    EXPECT_EQ(presses, c.presses) << c.name;
    EXPECT_EQ(releases, c.releases) << c.name;
  }
}

TEST_F(PlayerTest, AWindowOfAnElevatedProgramAtTheFirstPointIsNamed) {
  UseMacro({{0, static_cast<K>(9), 1, 1, -1}, {5, K::Move, 640, 480, -1}});
  f.mouse.higherIntegrity = true;
  m.startButton.UserClick();
  EXPECT_EQ(f.mouse.integrityAsked, (std::vector<plat::Point>{{640, 480}}));
  EXPECT_EQ(m.statusLabel.Text(),
            "Started. The window under the pointer belongs to a program running as "
            "administrator; Windows may block the clicks.");
  EXPECT_TRUE(m.Running());  // it only warns
  m.stopButton.UserClick();
}

}  // namespace

namespace {

// The player on its own, with an output that logs what it is given and when.
struct LoggingOutput : macros::IPlaybackOutput {
  fakes::Clock& clock;
  std::vector<std::string> log;
  explicit LoggingOutput(fakes::Clock& c) : clock(c) {}
  bool Note(const std::string& what) {
    log.push_back(std::to_string(clock.now) + " " + what);
    return true;
  }
  bool Move(int32_t x, int32_t y) override {
    return Note("move " + std::to_string(x) + "," + std::to_string(y));
  }
  bool Press(int32_t x, int32_t y, int32_t b) override {
    return Note("press " + std::to_string(b) + " at " + std::to_string(x) + "," +
                std::to_string(y));
  }
  bool Release(int32_t x, int32_t y, int32_t b) override {
    return Note("release " + std::to_string(b) + " at " + std::to_string(x) + "," +
                std::to_string(y));
  }
  bool ReleaseHere(int32_t b) override { return Note("release " + std::to_string(b)); }
  bool Wheel(int32_t x, int32_t y, int32_t delta, bool horizontal) override {
    return Note((horizontal ? "hwheel " : "wheel ") + std::to_string(delta) + " at " +
                std::to_string(x) + "," + std::to_string(y));
  }
  bool KeyDown(int32_t key) override { return Note("keydown " + std::to_string(key)); }
  bool KeyUp(int32_t key) override { return Note("keyup " + std::to_string(key)); }
};

TEST(MacroPlayerTest, PlaysOnItsTimerReportsRunsAndStopsAtOnce) {
  fakes::Clock clock;
  LoggingOutput out(clock);
  macros::MacroPlayer player(clock, &clock, out);
  int runs = 0;
  std::vector<macros::MacroPlayer::End> ends;
  player.OnRunCompleted = [&] { ++runs; };
  player.OnEnded = [&](macros::MacroPlayer::End e) { ends.push_back(e); };
  auto macro = std::make_shared<RecordedMacro>();
  macro->Events() = {{0, K::Move, 1, 2, -1}, {10, K::Down, 1, 2, 0}, {30, K::Up, 3, 4, 0}};

  player.Start(macro, false, 2, 5);  // twice, 5 ms from now
  EXPECT_TRUE(out.log.empty());
  clock.Advance(100);
  EXPECT_EQ(out.log,
            (std::vector<std::string>{"5 move 1,2", "15 press 0 at 1,2", "35 release 0 at 3,4",
                                      "35 move 1,2", "45 press 0 at 1,2", "65 release 0 at 3,4"}));
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(ends, (std::vector<macros::MacroPlayer::End>{macros::MacroPlayer::End::Completed}));
  EXPECT_FALSE(player.Active());

  // Stopped while the button is down: it is let go at once, nothing else follows, and a stop is
  // not an end the player reports.
  out.log.clear();
  player.Start(macro, true, 0);
  clock.Advance(20);
  player.Stop();
  clock.Advance(1000);
  EXPECT_EQ(out.log,
            (std::vector<std::string>{"100 move 1,2", "110 press 0 at 1,2", "120 release 0"}));
  EXPECT_EQ(ends.size(), 1u);
  EXPECT_FALSE(clock.scheduler.AnyArmed());
}

}  // namespace
