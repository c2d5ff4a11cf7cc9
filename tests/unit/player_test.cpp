// Macro playback: run counts, the pace of the events, stops, and what input reaches the system.
#include <gtest/gtest.h>

#include "fakes.h"

namespace {

using K = TMacroEventKind;
constexpr uint32_t kLeftDown = 0x0002, kLeftUp = 0x0004, kMove = 0xC001;
constexpr uintptr_t kStopHotkey = 1002;

struct PlayerTest : ::testing::Test {
  fakes::Form f;
  TFrmMain& m = f.frm;

  // Puts a macro into the library and selects the macro target and that macro.
  void UseMacro(std::vector<TMacroMouseEvent> events) {
    auto macro = std::make_shared<TRecordedMacro>();
    macro->SetName("M" + std::to_string(m.FMacros.size()));
    macro->Events() = std::move(events);
    m.FMacros.push_back(macro);
    m.RefreshMacroList();
    m.lbMacroses.SetItemIndex(static_cast<int>(m.FMacros.size()) - 1);
    if (!m.rbMacros.Checked()) m.rbMacros.UserClick();
  }
  void Repeat(const std::string& count) {
    m.rbRepeatCount.UserClick();
    m.seRepeat.UserSetText(count);
  }
  int Presses() const {
    int n = 0;
    for (auto& r : f.mouse.sent) n += r.dwFlags == kLeftDown;
    return n;
  }
  int Releases() const {
    int n = 0;
    for (auto& r : f.mouse.sent) n += r.dwFlags == kLeftUp;
    return n;
  }
  const std::vector<TMacroMouseEvent> click = {
      {0, K::mekMove, 100, 100, -1}, {10, K::mekDown, 100, 100, 0}, {20, K::mekUp, 100, 100, 0}};
};

TEST_F(PlayerTest, RepeatCountThreePlaysThreeRuns) {
  UseMacro(click);
  Repeat("3");
  m.btnStart.UserClick();
  EXPECT_FALSE(m.FRunning);
  EXPECT_EQ(Presses(), 3);
  EXPECT_EQ(Releases(), 3);
  EXPECT_EQ(m.Label1.Text(), "Completed macro repeat count. Runs done: 3");
  EXPECT_EQ(f.window.caption, "  JUX Zura Divudiv 1.0");
  EXPECT_EQ(f.clock.precise, 0);
}

TEST_F(PlayerTest, ACountReadingZeroPlaysOneRun) {
  UseMacro(click);
  Repeat("0");
  m.btnStart.UserClick();
  EXPECT_EQ(Presses(), 1);
  EXPECT_EQ(m.Label1.Text(), "Completed macro repeat count. Runs done: 1");
}

TEST_F(PlayerTest, UntilStoppedStoppedByHotkeyInTheThirdRun) {
  UseMacro(click);
  int pumps = 0;
  // Each run pumps before its three events and once after: the 10th pump is in run three.
  f.window.onProcessMessages = [&] {
    if (++pumps == 10) m.WndProcHotkey(kStopHotkey);
  };
  m.btnStart.UserClick();
  EXPECT_EQ(m.Label1.Text(), "Stopped by hotkey. Runs done: 2");
  EXPECT_EQ(Presses(), 2);
}

TEST_F(PlayerTest, WaitsFollowTheOffsets) {
  struct Case {
    std::vector<uint32_t> offsets;
    std::vector<uint64_t> waitsUs;
  } cases[] = {{{0, 1000, 1100}, {1000000, 100000}}, {{100, 50, 120}, {100000, 70000}}};
  for (const Case& c : cases) {
    std::vector<TMacroMouseEvent> events;
    for (uint32_t o : c.offsets) events.push_back({o, K::mekMove, 1, 1, -1});
    UseMacro(events);
    Repeat("1");
    f.clock.waitsUs.clear();
    m.btnStart.UserClick();
    EXPECT_EQ(f.clock.waitsUs, c.waitsUs);
  }
}

// Time spent sending input no longer adds to the waits: the run keeps the recorded length.
TEST_F(PlayerTest, PaceIsKeptAgainstOneClock) {
  std::vector<TMacroMouseEvent> events;
  for (uint32_t t = 1; t <= 1000; ++t) events.push_back({t, K::mekMove, int32_t(t), 1, -1});
  UseMacro(events);
  Repeat("1");
  f.mouse.costUs = 400;  // each move costs 0.4 ms of the 1 ms between events
  const uint64_t start = f.clock.NowMicros();
  m.btnStart.UserClick();
  const uint64_t played = f.clock.NowMicros() - start;
  EXPECT_GE(played, 1000000u);
  EXPECT_LE(played, 1000000u + 400u);  // only the last send's cost comes on top
  EXPECT_EQ(f.clock.precise, 0);
}

TEST_F(PlayerTest, UnknownKindWaitsAndSendsNothingButtonMinusOneSendsNoButton) {
  UseMacro({{50, static_cast<K>(255), 5, 5, 0}, {60, K::mekDown, 7, 8, -1}});
  Repeat("1");
  m.btnStart.UserClick();
  ASSERT_EQ(f.mouse.sent.size(), 2u);
  EXPECT_EQ(f.mouse.sent[0].dwFlags, kMove);
  EXPECT_EQ(f.mouse.sent[1], plat::MouseInputRecord{});
  EXPECT_EQ(f.clock.waitsUs, (std::vector<uint64_t>{50000, 10000}));
}

TEST_F(PlayerTest, SwitchingToUntilStoppedDuringACountedPlayback) {
  UseMacro(click);
  Repeat("2");
  f.window.onProcessMessages = [&] {
    if (m.rbRepeatCount.Checked()) m.rbUntilStopped.UserClick();
  };
  m.btnStart.UserClick();
  EXPECT_EQ(m.Label1.Text(), "Macro playback stopped. Runs done: 2");
}

TEST_F(PlayerTest, StopDuringALongWaitStillSendsThatEvent) {
  UseMacro({{0, K::mekMove, 1, 1, -1}, {5000, K::mekMove, 2, 2, -1}, {5001, K::mekMove, 3, 3, -1}});
  int pumps = 0;
  f.window.onProcessMessages = [&] {
    // The Stop button pressed during the 5 s wait reaches the program at the next pump.
    if (++pumps == 3) m.btnStop.UserClick();
  };
  m.btnStart.UserClick();
  EXPECT_EQ(f.mouse.sent.size(), 2u);
  EXPECT_EQ(m.Label1.Text(), "Stopped by button. Runs done: 0");
}

TEST_F(PlayerTest, AStopBetweenPressAndReleaseReleasesTheButton) {
  UseMacro(click);
  int pumps = 0;
  f.window.onProcessMessages = [&] {
    if (++pumps == 3) m.btnStop.UserClick();  // after the press, before the release
  };
  m.btnStart.UserClick();
  EXPECT_EQ(Presses(), 1);
  EXPECT_EQ(Releases(), 1);
  EXPECT_EQ(f.mouse.sent.back().dwFlags, kLeftUp);
}

TEST_F(PlayerTest, ClosingDuringPlaybackEndsWithClosing) {
  UseMacro(click);
  f.window.onProcessMessages = [&] { m.FormCloseQuery(); };
  m.btnStart.UserClick();
  EXPECT_EQ(m.Label1.Text(), "Closing");
  EXPECT_EQ(Presses(), 0);
}

TEST_F(PlayerTest, NoSelectionWhenThePlaybackStarts) {
  UseMacro(click);
  m.seStartDelaySS.UserSetText("1");
  m.btnStart.UserClick();
  m.lbMacroses.SetItemIndex(-1);
  f.clock.Advance(1000);
  EXPECT_EQ(m.Label1.Text(), "No macro selected.");
  EXPECT_FALSE(m.FRunning);
}

TEST_F(PlayerTest, RemovingThePlayingMacroKeepsItAliveUntilTheEnd) {
  UseMacro(click);
  Repeat("2");
  bool removed = false;
  f.window.onProcessMessages = [&] {
    if (!removed) {
      removed = true;
      m.bRemoveClick();  // answered Yes by the fake
    }
  };
  m.btnStart.UserClick();
  EXPECT_TRUE(m.FMacros.empty());
  EXPECT_EQ(Presses(), 2);
  EXPECT_EQ(m.Label1.Text(), "Completed macro repeat count. Runs done: 2");
}

// A stop and a new start inside one pump: the old playback ends at its next check and the new
// one plays on its own.
TEST_F(PlayerTest, ReentryThroughThePump) {
  UseMacro(click);
  Repeat("1");
  int pumps = 0;
  f.window.onProcessMessages = [&] {
    if (++pumps == 2) {
      m.btnStop.UserClick();
      m.btnStart.UserClick();  // plays nested, to its end
    }
  };
  m.btnStart.UserClick();
  EXPECT_FALSE(m.FRunning);
  EXPECT_EQ(Presses(), 1);  // the nested run's click; the old run sent only its first move
  EXPECT_EQ(Releases(), 1);
  EXPECT_EQ(m.Label1.Text(), "Completed macro repeat count. Runs done: 1");
}

TEST_F(PlayerTest, EmptyMacroWithACountEndsAtOnce) {
  UseMacro({});
  Repeat("4");
  m.btnStart.UserClick();
  EXPECT_EQ(m.Label1.Text(), "Completed macro repeat count. Runs done: 4");
}

TEST_F(PlayerTest, MinimizeToTrayHidesAgainAfterTheDelayWithASettlingPause) {
  UseMacro(click);
  Repeat("1");
  m.chkMinimizeToTrayOnStart.UserClick();
  m.seStartDelaySS.UserSetText("3");
  m.btnStart.UserClick();
  EXPECT_FALSE(f.window.visible);
  f.clock.Advance(1000);
  m.TrayIcon1Click();  // brought back during the delay
  EXPECT_TRUE(f.window.visible);
  f.clock.sleeps.clear();
  f.clock.Advance(2000);
  EXPECT_EQ(f.clock.sleeps, (std::vector<uint32_t>{250}));
  EXPECT_EQ(Presses(), 1);
  EXPECT_TRUE(f.window.visible);  // shown again at the end
}

}  // namespace

namespace {

// The stop lets go of the button before the status line says the playback has stopped.
TEST_F(PlayerTest, ReleaseComesBeforeTheStopText) {
  UseMacro(click);
  std::string statusAtRelease = "<no release>";
  f.mouse.onSend = [&](const plat::MouseInputRecord& r) {
    if (r.dwFlags == kLeftUp) statusAtRelease = m.Label1.Text();
  };
  int pumps = 0;
  f.window.onProcessMessages = [&] {
    if (++pumps == 3) m.btnStop.UserClick();  // after the press, before its release
  };
  m.btnStart.UserClick();
  EXPECT_EQ(statusAtRelease, "Started");
  EXPECT_EQ(m.Label1.Text(), "Stopped by button. Runs done: 0");
}

}  // namespace
