// The compact running bar, hiding to the tray, the window options, About and the link.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "fakes.h"

namespace {

struct PresentationTest : ::testing::Test {
  fakes::Form f;
  MainForm& m = f.frm;
};

TEST_F(PresentationTest, CompactWidthIsHalfTheSavedWidthButAtLeast200) {
  struct Case {
    int savedWidth, compactWidth;
  } cases[] = {{575, 287}, {400, 200}, {399, 200}, {120, 200}, {1000, 500}};
  for (const Case& c : cases) {
    f.window.bounds = {100, 100, 100 + c.savedWidth, 700};
    m.EnterCompactUi("x");
    const plat::Rect b = f.window.bounds;
    EXPECT_EQ(b.Width(), c.compactWidth) << c.savedWidth;
    EXPECT_EQ(b.Height(), 23 + 2 * 4);
    EXPECT_EQ(b.Right, 1920 - 16);
    EXPECT_EQ(b.Bottom, 1040 - 16);
    m.LeaveCompactUi();
  }
}

TEST_F(PresentationTest, TwoEntriesAndOneExitRestoreTheFirstState) {
  const plat::Rect original = f.window.bounds;
  m.EnterCompactUi("Recording starts in 10...");
  EXPECT_TRUE(m.CompactActive());
  EXPECT_FALSE(m.statusPanel.Visible());
  EXPECT_TRUE(f.window.topMost);
  EXPECT_EQ(f.window.caption, "  Recording starts in 10...");
  m.SetCompactCaption("");
  EXPECT_EQ(f.window.caption, "  ");
  EXPECT_EQ(f.window.calls.back(), "Repaint");
  m.EnterCompactUi("Recording... Press Shift+Ctrl+X to stop");
  EXPECT_EQ(f.window.caption, "  Recording... Press Shift+Ctrl+X to stop");
  m.LeaveCompactUi();
  EXPECT_FALSE(m.CompactActive());
  EXPECT_EQ(f.window.bounds, original);
  EXPECT_EQ(f.window.caption, "  JUX Zura Divudiv 1.0");
  EXPECT_FALSE(f.window.topMost);
  EXPECT_TRUE(m.statusPanel.Visible());
  EXPECT_EQ(f.window.calls.back(), "Show");
  // Leaving again, or changing the caption while not compact, does nothing.
  f.window.calls.clear();
  m.LeaveCompactUi();
  m.SetCompactCaption("y");
  EXPECT_TRUE(f.window.calls.empty());
  EXPECT_EQ(f.window.caption, "  JUX Zura Divudiv 1.0");
}

TEST_F(PresentationTest, AlwaysOnTopStaysTopMostThroughTheCompactMode) {
  m.alwaysOnTopCheck.UserClick();
  EXPECT_TRUE(f.window.topMost);
  m.EnterCompactUi("x");
  m.LeaveCompactUi();
  EXPECT_TRUE(f.window.topMost);
  EXPECT_TRUE(m.alwaysOnTopCheck.Checked());
}

TEST_F(PresentationTest, ARunUsesTheCompactBarAndRestoresTheWindow) {
  const plat::Rect original = f.window.bounds;
  m.repeatCountRadio.UserClick();
  m.repeatCountEdit.UserSetText("2");
  m.startButton.UserClick();
  EXPECT_EQ(f.window.caption, "  Running... Press Shift+Ctrl+X to stop");
  EXPECT_TRUE(f.window.topMost);
  f.clock.Advance(300);
  EXPECT_FALSE(m.Running());
  EXPECT_EQ(f.window.bounds, original);
  EXPECT_EQ(f.window.caption, "  JUX Zura Divudiv 1.0");
  EXPECT_FALSE(f.window.topMost);
}

TEST_F(PresentationTest, StartDelayEntersTheCompactModeAgainWhenItEnds) {
  m.startDelayEdit.UserSetText("1");
  m.startButton.UserClick();
  f.window.caption = "changed";
  f.clock.Advance(1000);
  EXPECT_EQ(f.window.caption, "  Running... Press Shift+Ctrl+X to stop");
  m.StopClicked();
  EXPECT_EQ(f.window.caption, "  JUX Zura Divudiv 1.0");
}

TEST_F(PresentationTest, MinimizeToTrayHidesDuringTheRunAndRestoresAtTheEnd) {
  m.minimizeToTrayCheck.UserClick();
  m.repeatCountRadio.UserClick();
  m.repeatCountEdit.UserSetText("1");
  m.startButton.UserClick();
  EXPECT_FALSE(f.window.visible);
  EXPECT_FALSE(m.CompactActive());
  f.window.calls.clear();
  f.clock.Advance(200);
  EXPECT_EQ(m.statusLabel.Text(), "Completed repeat count. Clicks done: 1");
  EXPECT_TRUE(f.window.visible);
  EXPECT_EQ(f.window.calls, (std::vector<std::string>{"Show"}));
}

// The user works in another window while a run or a recording starts and ends by hotkey: the
// program shows itself, but never takes the activation (and with it the keyboard focus).
TEST_F(PresentationTest, RunsAndRecordingsNeverActivateTheWindow) {
  constexpr uintptr_t kStartHotkey = 1001, kStopHotkey = 1002, kStartMacrosHotkey = 1003;
  struct Case {
    const char* what;
    std::function<void(fakes::Form&)> act;
  } cases[] = {
      {"a run in the compact bar",
       [](fakes::Form& g) {
         g.frm.HotkeyPressed(kStartHotkey);
         g.clock.Advance(250);
         g.frm.HotkeyPressed(kStopHotkey);
       }},
      {"a run after a start delay",
       [](fakes::Form& g) {
         g.frm.startDelayEdit.UserSetText("1");
         g.frm.HotkeyPressed(kStartHotkey);
         g.clock.Advance(1250);
         g.frm.HotkeyPressed(kStopHotkey);
       }},
      {"a run hidden in the tray that completes its count",
       [](fakes::Form& g) {
         g.frm.minimizeToTrayCheck.UserClick();
         g.frm.repeatCountRadio.UserClick();
         g.frm.repeatCountEdit.UserSetText("2");
         g.frm.HotkeyPressed(kStartHotkey);
         g.clock.Advance(300);
       }},
      {"a recording, its countdown cut short",
       [](fakes::Form& g) {
         g.frm.macrosRadio.UserClick();
         g.frm.createMacroButton.UserClick();
         g.frm.HotkeyPressed(kStartMacrosHotkey);
         g.frm.HotkeyPressed(kStopHotkey);
       }},
  };
  for (const Case& c : cases) {
    fakes::Form g;
    c.act(g);
    EXPECT_FALSE(g.frm.Running() || g.frm.Recorder().Recording() || g.frm.Recorder().CountingDown())
        << c.what;
    EXPECT_TRUE(g.window.visible) << c.what;
    EXPECT_EQ(g.window.caption, "  JUX Zura Divudiv 1.0") << c.what;
    EXPECT_EQ(std::count(g.window.calls.begin(), g.window.calls.end(), "Activate"), 0) << c.what;
    EXPECT_EQ(g.window.calls.back(), "Show") << c.what;
  }
}

TEST_F(PresentationTest, TrayClickActivatesAHiddenWindowAndKeepsACompactOne) {
  m.HideMainWindow();
  f.window.calls.clear();
  m.TrayIconClicked();
  EXPECT_TRUE(f.window.visible);
  EXPECT_EQ(f.window.calls, (std::vector<std::string>{"Activate"}));
  m.EnterCompactUi("x");
  const plat::Rect compact = f.window.bounds;
  f.window.calls.clear();
  m.TrayIconClicked();
  EXPECT_TRUE(m.CompactActive());
  EXPECT_EQ(f.window.bounds, compact);
  EXPECT_EQ(f.window.calls, (std::vector<std::string>{"Activate"}));
}

TEST_F(PresentationTest, TheTwoWindowOptionsExcludeEachOther) {
  m.minimizeToTrayCheck.UserClick();
  m.alwaysOnTopCheck.UserClick();  // checking top-most unchecks minimize
  EXPECT_TRUE(m.alwaysOnTopCheck.Checked());
  EXPECT_FALSE(m.minimizeToTrayCheck.Checked());
  EXPECT_TRUE(f.window.topMost);
  m.minimizeToTrayCheck.UserClick();  // and the other way round, dropping top-most
  EXPECT_TRUE(m.minimizeToTrayCheck.Checked());
  EXPECT_FALSE(m.alwaysOnTopCheck.Checked());
  EXPECT_FALSE(f.window.topMost);
  m.minimizeToTrayCheck.UserClick();  // unchecking changes nothing else
  EXPECT_FALSE(m.alwaysOnTopCheck.Checked());
}

TEST_F(PresentationTest, AboutBoxShowsTheCurrentYear) {
  f.env.now.Year = 2031;
  m.aboutButton.UserClick();
  ASSERT_EQ(f.dialogs.messages.size(), 1u);
  const std::string& text = f.dialogs.messages[0].text;
  EXPECT_EQ(f.dialogs.messages[0].kind, plat::MsgKind::Information);
  EXPECT_EQ(text.substr(0, text.find("\r\n", text.find("\r\n") + 2)),
            "JUX Zura Divudiv\r\nVersion: 1.0");
  EXPECT_NE(text.find("\r\nWebsite: www.zuradivudiv.example\r\n"), std::string::npos);
  const std::string last = text.substr(text.rfind("\r\n") + 2);
  EXPECT_NE(last.find("2031"), std::string::npos) << last;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11);  // twelve lines
}

TEST_F(PresentationTest, LinkUnderlinesOnHoverAndOpensTheWebsite) {
  m.websiteLink.OnMouseEnter();
  EXPECT_TRUE(m.websiteLink.Underline());
  m.websiteLink.OnMouseLeave();
  EXPECT_FALSE(m.websiteLink.Underline());
  m.websiteLink.OnClick();
  EXPECT_EQ(f.shell.opened, (std::vector<std::string>{"https://www.zuradivudiv.example/"}));
}

}  // namespace
