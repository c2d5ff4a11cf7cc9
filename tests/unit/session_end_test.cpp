// The end of the Windows session: what is under way is finished as a stop would finish it, the
// settings are written then, and the window's destruction afterwards writes nothing again.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "fakes.h"

namespace fs = std::filesystem;

namespace {

using K = MacroEventKind;
constexpr uintptr_t kStopHotkey = 1002, kStartMacrosHotkey = 1003;
constexpr uint32_t kLeftDown = 0x0002, kLeftUp = 0x0004;

struct SessionEndTest : ::testing::Test {
  fakes::TempDir dir{"session"};
  fakes::Form f{[this](fakes::Form& g) {
    g.env.realFiles = true;
    g.env.vars["APPDATA"] = dir.path.string();
  }};
  MainForm& m = f.frm;
  fs::path macros = dir.path / "JUX Zura Divudiv" / "Macros";

  size_t MacroFiles() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(macros), {}));
  }
  // How often the settings file got the key "Interval/ms".
  long MillisWrites() const {
    return std::count_if(f.profile.writes.begin(), f.profile.writes.end(),
                         [](const std::string& w) { return w.rfind("Interval/ms=", 0) == 0; });
  }
  long Count(uint32_t flags) const {
    return std::count_if(f.mouse.sent.begin(), f.mouse.sent.end(),
                         [&](const plat::InputRecord& r) { return r.dwFlags == flags; });
  }
  // The destruction of the window after the session's end adds no write.
  void ExpectDestroyWritesNothing() {
    const size_t writes = f.profile.writes.size();
    m.Destroy();
    EXPECT_EQ(f.profile.writes.size(), writes);
  }
};

TEST_F(SessionEndTest, ARecordingIsSavedAndTheSettingsWrittenOnce) {
  m.millisecondsEdit.UserSetText("134");
  m.alwaysOnTopCheck.UserClick();
  m.macrosRadio.UserClick();
  m.createMacroButton.UserClick();
  m.HotkeyPressed(kStartMacrosHotkey);
  ASSERT_TRUE(m.Recorder().Recording());
  f.clock.Advance(500);
  f.input.Mouse(0x200, 30, 40);
  f.profile.writes.clear();

  m.SessionEnding();
  EXPECT_FALSE(m.Recorder().Recording());
  EXPECT_FALSE(f.input.mouseHooked);
  EXPECT_FALSE(m.CompactActive());
  EXPECT_EQ(m.statusLabel.Text(),
            "Macro saved: 2024-03-07 09.05.02 (0.5s). Recording stopped: Windows is shutting "
            "down.");
  EXPECT_EQ(MacroFiles(), 1u);
  EXPECT_EQ(f.profile.Get("Interval", "ms"), "134");
  EXPECT_EQ(f.profile.Get("UI", "topMost"), "1");
  EXPECT_EQ(f.profile.Get("Target", "mode"), "2");
  EXPECT_EQ(MillisWrites(), 1);
  ExpectDestroyWritesNothing();
}

TEST_F(SessionEndTest, TheCountdownIsCancelledWithoutAMacro) {
  m.macrosRadio.UserClick();
  m.createMacroButton.UserClick();
  ASSERT_TRUE(m.Recorder().CountingDown());
  m.SessionEnding();
  EXPECT_FALSE(m.Recorder().CountingDown());
  EXPECT_FALSE(m.CompactActive());
  f.clock.Advance(20000);  // the countdown does not go on into a recording
  EXPECT_FALSE(m.Recorder().Recording());
  EXPECT_EQ(f.input.starts, 0);
  EXPECT_EQ(MacroFiles(), 0u);
  EXPECT_EQ(MillisWrites(), 1);
  ExpectDestroyWritesNothing();
}

// A clicking run, also one that holds the button down when the session ends: the button is let
// go, nothing more is sent, and the status says why the run stopped.
TEST_F(SessionEndTest, AClickingRunStopsAndLetsGo) {
  struct Case {
    const char* name;
    int clickType;
    uint64_t clicksDone;
  } cases[] = {{"single clicks", 0, 2}, {"a held click", 2, 1}};
  for (const Case& c : cases) {
    fakes::Form g;
    g.frm.millisecondsEdit.UserSetText("100");
    g.frm.clickTypeCombo.UserSelect(c.clickType);
    g.frm.holdEdit.UserSetText("5000");
    g.frm.startButton.UserClick();
    g.clock.Advance(250);
    ASSERT_EQ(g.frm.ClicksDone(), c.clicksDone) << c.name;
    g.frm.SessionEnding();
    EXPECT_FALSE(g.frm.Running()) << c.name;
    const auto count = [&](uint32_t flags) {
      return std::count_if(g.mouse.sent.begin(), g.mouse.sent.end(),
                           [&](const plat::InputRecord& r) { return r.dwFlags == flags; });
    };
    EXPECT_EQ(count(kLeftUp), count(kLeftDown)) << c.name;
    const size_t sent = g.mouse.sent.size();
    g.clock.Advance(10000);
    EXPECT_EQ(g.mouse.sent.size(), sent) << c.name;
    EXPECT_EQ(g.frm.statusLabel.Text(),
              "Stopped: Windows is shutting down. Clicks done: " + std::to_string(c.clicksDone))
        << c.name;
    EXPECT_EQ(g.window.caption, "  JUX Zura Divudiv 1.0") << c.name;
    EXPECT_EQ(g.profile.Get("Interval", "ms"), "100") << c.name;
  }
}

// The session's end arrives while a playback waits between a press and its release: the button
// is let go and the runs are counted.
TEST_F(SessionEndTest, APlaybackLetsGoOfItsButton) {
  auto macro = std::make_shared<RecordedMacro>();
  macro->SetName("M");
  macro->Events() = {
      {0, K::Move, 100, 100, -1}, {10, K::Down, 100, 100, 0}, {5000, K::Up, 100, 100, 0}};
  m.Library().Add(macro);
  m.RefreshMacroList();
  m.macroList.SetItemIndex(0);
  m.macrosRadio.UserClick();
  m.startButton.UserClick();
  f.clock.Advance(1000);  // pressed at 10 ms, released at 5000 ms
  ASSERT_EQ(Count(kLeftDown), 1);
  ASSERT_EQ(Count(kLeftUp), 0);
  m.SessionEnding();
  EXPECT_FALSE(m.Running());
  EXPECT_EQ(Count(kLeftUp), Count(kLeftDown));
  EXPECT_EQ(m.statusLabel.Text(), "Stopped: Windows is shutting down. Runs done: 0");
  EXPECT_EQ(MillisWrites(), 1);
  ExpectDestroyWritesNothing();
}

TEST_F(SessionEndTest, NothingUnderWayOnlyWritesTheSettings) {
  m.SessionEnding();
  EXPECT_EQ(m.statusLabel.Text(), "Ready");
  EXPECT_EQ(MillisWrites(), 1);
  ExpectDestroyWritesNothing();
  // Without the session's end, the destruction writes them as always.
  fakes::Form g;
  g.frm.Destroy();
  EXPECT_EQ(g.profile.Get("Interval", "ms"), "100");
}

}  // namespace
