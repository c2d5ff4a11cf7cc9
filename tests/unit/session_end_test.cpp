// The end of the Windows session: the settings are written first, what is under way is finished
// as a stop would finish it, and the window's destruction afterwards writes nothing again. No box
// is shown: what cannot be written in its place goes to the temporary folder, and the next start
// says where.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

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

// What cannot be written in its place at the end of the session goes to the temporary folder
// (TEMP, else TMP), with no box; the next start says where on the status line, once.
struct SessionEndElsewhereTest : ::testing::Test {
  fakes::TempDir dir{"elsewhere"};
  fs::path appData = dir.path / "appdata";
  fs::path temp = dir.path / "temp";
  fs::path fallback = temp / "JUX Zura Divudiv";
  fs::path settingsPath = appData / "JUX Zura Divudiv" / "settings.ini";
  std::function<void(fakes::Form&)> setup = [this](fakes::Form& g) {
    g.env.realFiles = true;
    g.env.vars["APPDATA"] = appData.string();
    g.env.vars["TMP"] = temp.string();
  };

  // The next start on the same folders: its status line.
  std::string NextStartStatus() {
    fakes::Form next{setup};
    return next.frm.statusLabel.Text();
  }
  static std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
};

TEST_F(SessionEndElsewhereTest, ARecordingThatCannotBeSavedGoesToTheTemporaryFolder) {
  fakes::Form f{setup};
  const fs::path macros = appData / "JUX Zura Divudiv" / "Macros";
  fs::remove_all(macros);
  { std::ofstream(macros.string()) << "not a folder"; }
  f.frm.macrosRadio.UserClick();
  f.frm.createMacroButton.UserClick();
  f.frm.HotkeyPressed(kStartMacrosHotkey);
  f.clock.Advance(300);
  f.input.Mouse(0x200, 30, 40);
  f.dialogs.messages.clear();

  f.frm.SessionEnding();
  EXPECT_TRUE(f.dialogs.messages.empty()) << f.dialogs.messages[0].text;
  const fs::path saved = fallback / "2024-03-07_09.05.02_(0.3s).juxmac";
  ASSERT_TRUE(fs::is_regular_file(saved));
  EXPECT_NE(Read(saved).find("E=300|0|30|40|-1"), std::string::npos) << Read(saved);
  EXPECT_EQ(f.profile.Get("Target", "mode"), "2");  // the settings were written as always

  const std::string status = NextStartStatus();
  EXPECT_EQ(status.rfind("At the end of the last Windows session the recording \"2024-03-07 "
                         "09.05.02 (0.3s)\" could not be saved in the macro folder (",
                         0),
            0u)
      << status;
  EXPECT_NE(status.find(macros.string()), std::string::npos) << "what could not be written";
  EXPECT_NE(status.find("; it is in " + saved.string() + "."), std::string::npos) << status;
  EXPECT_EQ(NextStartStatus(), "Ready");  // said once
}

TEST_F(SessionEndElsewhereTest, SettingsThatCannotBeWrittenGoToTheTemporaryFolder) {
  fakes::Form f{setup};
  f.profile.failPath = settingsPath.string();
  f.frm.millisecondsEdit.UserSetText("137");
  f.frm.startButton.UserClick();  // a run stops as always
  f.clock.Advance(150);

  f.frm.SessionEnding();
  EXPECT_TRUE(f.dialogs.messages.empty());
  EXPECT_FALSE(f.frm.Running());
  EXPECT_EQ(f.frm.statusLabel.Text(), "Stopped: Windows is shutting down. Clicks done: 1");
  const fs::path elsewhere = fallback / "settings.ini";
  EXPECT_EQ(f.profile.path, elsewhere.string());
  EXPECT_EQ(f.profile.Get("Interval", "ms"), "137");
  const size_t writes = f.profile.writes.size();
  f.frm.Destroy();
  EXPECT_EQ(f.profile.writes.size(), writes);

  EXPECT_EQ(NextStartStatus(),
            "At the end of the last Windows session the settings could not be written (Unable to "
            "write to " +
                settingsPath.string() + "); they are in " + elsewhere.string() + ".");
}

// The settings come first: they are written before a recording is finished and a run stopped,
// and a failing one does not keep the recording from being saved.
TEST_F(SessionEndElsewhereTest, TheSettingsAreWrittenFirst) {
  fakes::Form f{setup};
  f.profile.failPath = settingsPath.string();
  f.frm.macrosRadio.UserClick();
  f.frm.createMacroButton.UserClick();
  f.frm.HotkeyPressed(kStartMacrosHotkey);
  f.clock.Advance(100);
  f.input.Mouse(0x200, 30, 40);
  // The selection the recording's end makes is not in the settings: they were written before.
  f.frm.SessionEnding();
  EXPECT_EQ(f.profile.Get("Macros", "selected"), "-1");
  EXPECT_EQ(f.frm.macroList.ItemIndex(), 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(appData / "JUX Zura Divudiv" / "Macros"), {}), 1);
  EXPECT_TRUE(f.dialogs.messages.empty());
}

}  // namespace
