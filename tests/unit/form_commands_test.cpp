// What the window does with a command of the command line: start, stop, play a macro by its
// name (with and without a repeat count), a name it does not know, and the window hidden in the
// notification area.
#include <gtest/gtest.h>

#include "fakes.h"

namespace {

using K = MacroEventKind;
using mainform::Command;
constexpr uint32_t kLeftDown = 0x0002;
constexpr uintptr_t kStartMacrosHotkey = 1003;

Command Start() {
  Command c;
  c.start = true;
  return c;
}
Command Stop() {
  Command c;
  c.stop = true;
  return c;
}
Command Play(const std::string& name, std::optional<int32_t> repeat = std::nullopt) {
  Command c;
  c.play = name;
  c.repeat = repeat;
  return c;
}

struct FormCommandTest : ::testing::Test {
  fakes::Form f;
  MainForm& m = f.frm;

  // Macros of one click each (at 100, 100 plus their position), in the library and the list.
  void AddMacros(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
      auto macro = std::make_shared<RecordedMacro>();
      macro->SetName(name);
      const int32_t at = 100 + static_cast<int32_t>(m.Library().Macros().size());
      macro->Events() = {
          {0, K::Move, at, at, -1}, {10, K::Down, at, at, 0}, {20, K::Up, at, at, 0}};
      m.Library().Add(macro);
    }
    m.RefreshMacroList();
  }
  int Presses() const {
    int n = 0;
    for (const auto& r : f.mouse.sent) n += r.dwFlags == kLeftDown;
    return n;
  }
};

TEST_F(FormCommandTest, StartBeginsARunWithTheSavedSettings) {
  m.RunCommand(Start());
  EXPECT_TRUE(m.Running());
  EXPECT_EQ(m.statusLabel.Text(), "Started");
  f.clock.Advance(350);  // the design's 100 ms interval
  EXPECT_EQ(Presses(), 3);
  // A second --start leaves the run alone.
  m.RunCommand(Start());
  f.clock.Advance(100);
  EXPECT_EQ(Presses(), 4);
}

TEST_F(FormCommandTest, StopEndsARunAndCountsWhatItDid) {
  const struct {
    bool macros;
    uint64_t advance;
    std::string status;
  } cases[] = {
      {false, 350, "Stopped from the command line. Clicks done: 3"},
      // One run of the macro takes 20 ms and the next follows at once.
      {true, 45, "Stopped from the command line. Runs done: 2"},
  };
  for (const auto& c : cases) {
    fakes::Form g;
    if (c.macros) {
      auto macro = std::make_shared<RecordedMacro>();
      macro->SetName("M");
      macro->Events() = {{0, K::Move, 5, 5, -1}, {10, K::Down, 5, 5, 0}, {20, K::Up, 5, 5, 0}};
      g.frm.Library().Add(macro);
      g.frm.RefreshMacroList();
      g.frm.macroList.SetItemIndex(0);
      g.frm.macrosRadio.UserClick();
    }
    g.frm.RunCommand(Start());
    g.clock.Advance(c.advance);
    g.frm.RunCommand(Stop());
    EXPECT_FALSE(g.frm.Running()) << c.status;
    EXPECT_EQ(g.frm.statusLabel.Text(), c.status);
    const size_t sent = g.mouse.sent.size();
    g.clock.Advance(1000);
    EXPECT_EQ(g.mouse.sent.size(), sent) << "input after the stop: " << c.status;
    EXPECT_FALSE(g.frm.CompactActive());
  }
}

TEST_F(FormCommandTest, StopEndsACountdownAndARecording) {
  for (const bool recording : {false, true}) {
    fakes::Form g;
    g.frm.macrosRadio.UserClick();
    g.frm.createMacroButton.UserClick();
    if (recording) g.frm.HotkeyPressed(kStartMacrosHotkey);
    ASSERT_EQ(g.frm.Recorder().Recording(), recording);
    g.frm.RunCommand(Stop());
    EXPECT_FALSE(g.frm.Recorder().Recording()) << recording;
    EXPECT_FALSE(g.frm.Recorder().CountingDown()) << recording;
    EXPECT_FALSE(g.frm.CompactActive()) << recording;
    EXPECT_EQ(g.frm.statusLabel.Text(), "Macro recording cancelled or empty.") << recording;
  }
}

TEST_F(FormCommandTest, PlayTakesTheExactNameFirstThenOneThatDiffersInCase) {
  AddMacros({"Report", "report", "Daily report clicks",
             "Gr\xC3\x9C\xC3\x9F"
             "e"});
  const struct {
    std::string asked;
    int index;
  } cases[] = {
      {"report", 1},
      {"Report", 0},
      {"REPORT", 0},
      {"daily REPORT clicks", 2},
      // Only A to Z are compared regardless of case.
      {"Gr\xC3\x9C\xC3\x9F"
       "e",
       3},
      {"GR\xC3\x9C\xC3\x9F"
       "E",
       3},
  };
  for (const auto& c : cases) {
    f.mouse.sent.clear();
    m.RunCommand(Play(c.asked));
    EXPECT_TRUE(m.Running()) << c.asked << ": " << m.statusLabel.Text();
    // The macro's first move goes to its own point, 100 plus its position.
    ASSERT_FALSE(f.mouse.sent.empty()) << c.asked;
    EXPECT_EQ(f.mouse.sent[0].dx, clicker::ToAbsoluteCoord(100 + c.index, 0, 1920)) << c.asked;
    // The window stays as the user left it.
    EXPECT_EQ(m.macroList.ItemIndex(), -1) << c.asked;
    EXPECT_TRUE(m.cursorPositionRadio.Checked()) << c.asked;
    EXPECT_TRUE(m.intervalGroup.Enabled()) << c.asked;
    m.StopRun("stopped");
  }
  m.RunCommand(
      Play("gr\xC3\xBC\xC3\x9F"
           "e"));  // the lower-case U with diaeresis is another letter
  EXPECT_FALSE(m.Running());
}

TEST_F(FormCommandTest, RepeatSetsTheRunsCountOtherwiseTheSavedRepeatModeApplies) {
  const struct {
    const char* label;
    bool savedUntilStopped;
    std::optional<int32_t> repeat;
    int expectedRuns;  // -1: still playing after 50 runs' time
  } cases[] = {
      {"--repeat 2 over until stopped", true, 2, 2},
      {"--repeat 1 over a count of 5", false, 1, 1},
      {"saved count of 5", false, std::nullopt, 5},
      {"saved until stopped", true, std::nullopt, -1},
  };
  for (const auto& c : cases) {
    fakes::Form g;
    MainForm& n = g.frm;
    auto macro = std::make_shared<RecordedMacro>();
    macro->SetName("Daily report clicks");
    macro->Events() = {{0, K::Move, 5, 5, -1}, {10, K::Down, 5, 5, 0}, {20, K::Up, 5, 5, 0}};
    n.Library().Add(macro);
    n.RefreshMacroList();
    if (!c.savedUntilStopped) {
      n.repeatCountRadio.UserClick();
      n.repeatCountEdit.UserSetText("5");
    }
    n.RunCommand(Play("Daily report clicks", c.repeat));
    ASSERT_TRUE(n.Running()) << c.label;
    g.clock.Advance(50 * 20);
    int presses = 0;
    for (const auto& r : g.mouse.sent) presses += r.dwFlags == kLeftDown;
    if (c.expectedRuns < 0) {
      EXPECT_TRUE(n.Running()) << c.label;
      EXPECT_GE(presses, 50) << c.label;
    } else {
      EXPECT_FALSE(n.Running()) << c.label;
      EXPECT_EQ(presses, c.expectedRuns) << c.label;
      EXPECT_EQ(n.statusLabel.Text(),
                "Completed macro repeat count. Runs done: " + std::to_string(c.expectedRuns))
          << c.label;
    }
    // The window's choices are the user's, before, during and after the command's run.
    EXPECT_EQ(n.untilStoppedRadio.Checked(), c.savedUntilStopped) << c.label;
    EXPECT_EQ(n.repeatCountEdit.Enabled(), !c.savedUntilStopped) << c.label;
    EXPECT_EQ(n.repeatCountEdit.Text(), c.savedUntilStopped ? "100" : "5") << c.label;
    EXPECT_TRUE(n.cursorPositionRadio.Checked()) << c.label;
    EXPECT_EQ(n.macroList.ItemIndex(), -1) << c.label;
  }
}

// The user's choices as the settings file keeps them are those of before a --play run: the
// target, the selection, the repeat choice and count. Stopping it tells of runs, not clicks, and
// the next Start is the window's own run again.
TEST_F(FormCommandTest, APlayRunLeavesTheSavedChoicesAlone) {
  AddMacros({"Report", "Login"});
  m.coordinatesRadio.UserClick();
  m.coordXEdit.UserSetText("700");
  m.macroList.SetItemIndex(1);
  m.untilStoppedRadio.UserClick();
  const settings::Settings before = m.CurrentSettings();
  ASSERT_EQ(before.targetMode, 1);

  m.RunCommand(Play("report", 3));
  ASSERT_TRUE(m.Running());
  f.clock.Advance(1000);
  EXPECT_FALSE(m.Running());
  EXPECT_EQ(m.statusLabel.Text(), "Completed macro repeat count. Runs done: 3");
  EXPECT_EQ(Presses(), 3);

  m.RunCommand(Play("Login"));  // until stopped, as the window says
  f.clock.Advance(95);
  m.RunCommand(Stop());
  EXPECT_EQ(m.statusLabel.Text(), "Stopped from the command line. Runs done: 4");

  m.Destroy();  // writes the settings file
  const std::pair<const char*, const char*> keys[] = {{"Target", "mode"},
                                                      {"Repeat", "untilStopped"},
                                                      {"Repeat", "count"},
                                                      {"Macros", "selected"},
                                                      {"Coords", "x"}};
  const std::string expected[] = {"1", "1", "100", "1", "700"};
  for (size_t i = 0; i < std::size(keys); ++i)
    EXPECT_EQ(f.profile.Get(keys[i].first, keys[i].second), expected[i]) << keys[i].second;
  const settings::Settings after = m.CurrentSettings();
  EXPECT_EQ(after.targetMode, before.targetMode);
  EXPECT_EQ(after.untilStopped, before.untilStopped);
  EXPECT_EQ(after.repeatCount, before.repeatCount);
  EXPECT_EQ(after.selectedMacro, before.selectedMacro);
}

TEST_F(FormCommandTest, AfterAPlayRunStartIsTheWindowsOwnRunAgain) {
  AddMacros({"Report"});
  m.RunCommand(Play("Report", 1));
  f.clock.Advance(100);
  ASSERT_FALSE(m.Running());
  const size_t sent = f.mouse.sent.size();
  m.startButton.UserClick();  // the cursor-position run of the window
  f.clock.Advance(250);
  m.stopButton.UserClick();
  EXPECT_EQ(m.statusLabel.Text(), "Stopped by button. Clicks done: 2");
  for (size_t i = sent; i < f.mouse.sent.size(); ++i)
    EXPECT_EQ(f.mouse.sent[i].dwFlags & 0x8000u, 0u) << "a move in a cursor-position run";
}

TEST_F(FormCommandTest, AnUnknownNameIsToldAndNothingStartsOrChanges) {
  AddMacros({"Report"});
  m.macroList.SetItemIndex(0);
  m.coordinatesRadio.UserClick();
  for (const std::string name : {"Repor", "Report ", "", "\"Report\""}) {
    m.RunCommand(Play(name, 3));
    EXPECT_EQ(m.statusLabel.Text(), "No macro named \"" + name + "\".");
    EXPECT_FALSE(m.Running()) << name;
    EXPECT_TRUE(m.coordinatesRadio.Checked()) << name;
    EXPECT_TRUE(m.intervalGroup.Enabled()) << name;
    EXPECT_TRUE(m.untilStoppedRadio.Checked()) << name;
    EXPECT_EQ(m.macroList.ItemIndex(), 0) << name;
  }
  f.clock.Advance(1000);
  EXPECT_TRUE(f.mouse.sent.empty());
  EXPECT_TRUE(f.dialogs.messages.empty());
  EXPECT_FALSE(m.CompactActive());

  // An empty library knows no name either.
  fakes::Form g;
  g.frm.RunCommand(Play("Report"));
  EXPECT_EQ(g.frm.statusLabel.Text(), "No macro named \"Report\".");
  EXPECT_FALSE(g.frm.Running());
}

TEST_F(FormCommandTest, PlayDuringARunChangesNothingUnlessStopComesFirst) {
  AddMacros({"Report"});
  m.RunCommand(Start());
  f.clock.Advance(250);
  m.RunCommand(Play("Report"));
  EXPECT_EQ(m.statusLabel.Text(),
            "Macro \"Report\" not started: a run or a recording is under way.");
  EXPECT_TRUE(m.Running());
  EXPECT_TRUE(m.cursorPositionRadio.Checked());
  EXPECT_EQ(m.macroList.ItemIndex(), -1);
  f.clock.Advance(100);
  EXPECT_EQ(Presses(), 3);  // still clicking at the cursor

  Command stopThenPlay = Play("Report", 1);
  stopThenPlay.stop = true;
  m.RunCommand(stopThenPlay);
  EXPECT_TRUE(m.Running());
  EXPECT_TRUE(m.cursorPositionRadio.Checked());
  f.clock.Advance(1000);
  EXPECT_FALSE(m.Running());
  EXPECT_EQ(m.statusLabel.Text(), "Completed macro repeat count. Runs done: 1");
  EXPECT_EQ(Presses(), 4);
}

TEST_F(FormCommandTest, TrayHidesTheWindowInTheNotificationArea) {
  Command tray;
  tray.tray = true;
  m.RunCommand(tray);
  EXPECT_FALSE(f.window.visible);
  EXPECT_EQ(f.window.calls, std::vector<std::string>{"Hide"});
  EXPECT_FALSE(m.Running());
  // The notification icon brings it back.
  m.TrayIconClicked();
  EXPECT_TRUE(f.window.visible);
}

}  // namespace
