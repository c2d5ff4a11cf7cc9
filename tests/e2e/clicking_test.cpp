// The real program under Wine: its window at a fresh start, the rules that enable its controls,
// and clicking runs whose clicks land on a target window of the driver.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "harness.h"
#include "mainform/control_ids.h"
#include "program_test.h"

namespace e2e {
namespace {

const std::wstring kCaption = L"  JUX Zura Divudiv 1.0";
const std::wstring kRunningCaption = L"  Running... Press Shift+Ctrl+X to stop";

// A fresh program with an empty APPDATA, started for each test and closed again at its end.
class FreshProgramTest : public ProgramTest {
 protected:
  void SetUp() override { Start(); }

  // Waits until a run has ended (Start is enabled again) and returns the status line then.
  std::wstring WaitForRunEnd(Ms timeout = Ms{10000}) {
    if (!WaitUntil([&] { return App().Enabled(ids::startButton); }, timeout))
      return L"(still running after " + std::to_wstring(timeout.count()) + L" ms)";
    return App().Text(ids::statusLabel);
  }
};

// ---------------------------------------------------------------------------------------------
// The window as it first appears.

struct ControlState {
  int id;
  const char* name;  // the control's name, for the failure message
  bool enabled;
  std::optional<std::wstring> text = std::nullopt;
  std::optional<bool> checked = std::nullopt;
};

#define ID_AND_NAME(name) ids::name, #name

TEST_F(FreshProgramTest, FreshStartShowsTheDefaults) {
  EXPECT_EQ(App().Caption(), kCaption);

  const ControlState expected[] = {
      {ID_AND_NAME(startButton), true},
      {ID_AND_NAME(stopButton), false},
      {ID_AND_NAME(cursorPositionRadio), true, std::nullopt, true},
      {ID_AND_NAME(coordinatesRadio), true, std::nullopt, false},
      {ID_AND_NAME(coordXEdit), false, L"0"},
      {ID_AND_NAME(coordSeparatorLabel), false},
      {ID_AND_NAME(coordYEdit), false, L"0"},
      {ID_AND_NAME(macrosRadio), true, std::nullopt, false},
      {ID_AND_NAME(createMacroButton), false},
      {ID_AND_NAME(removeMacroButton), false},
      {ID_AND_NAME(renameMacroButton), false},
      {ID_AND_NAME(macroList), false},
      {ID_AND_NAME(hoursEdit), true, L"0"},
      {ID_AND_NAME(minutesEdit), true, L"0"},
      {ID_AND_NAME(secondsEdit), true, L"0"},
      {ID_AND_NAME(millisecondsEdit), true, L"100"},
      {ID_AND_NAME(jitterCheck), true, std::nullopt, false},
      {ID_AND_NAME(jitterEdit), false, L"0"},
      {ID_AND_NAME(holdLabel), false},
      {ID_AND_NAME(holdEdit), false, L"80"},
      {ID_AND_NAME(startDelayEdit), true, L"0"},
      {ID_AND_NAME(untilStoppedRadio), true, std::nullopt, true},
      {ID_AND_NAME(repeatCountRadio), true, std::nullopt, false},
      {ID_AND_NAME(repeatCountEdit), false, L"100"},
      {ID_AND_NAME(minimizeToTrayCheck), true, std::nullopt, false},
      {ID_AND_NAME(alwaysOnTopCheck), true, std::nullopt, false},
      {ID_AND_NAME(stopOnMouseMoveCheck), true, L"Stop when I move the mouse", true},
      {ID_AND_NAME(statusLabel), true, L"Ready"},
      {ID_AND_NAME(hotkeysLabel), true,
       L"Hotkeys \u2014 Start: Shift+Ctrl+S  |  Stop: Shift+Ctrl+X"},
  };
  for (const ControlState& c : expected) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(App().Enabled(c.id), c.enabled);
    if (c.text) {
      EXPECT_EQ(App().Text(c.id), *c.text);
    }
    if (c.checked) {
      EXPECT_EQ(App().Checked(c.id), *c.checked);
    }
  }

  EXPECT_EQ(App().ComboItems(ids::buttonCombo),
            (std::vector<std::wstring>{L"Left", L"Right", L"Middle"}));
  EXPECT_EQ(App().ComboIndex(ids::buttonCombo), 0);
  EXPECT_EQ(App().ComboItems(ids::clickTypeCombo),
            (std::vector<std::wstring>{L"Single", L"Double", L"Hold"}));
  EXPECT_EQ(App().ComboIndex(ids::clickTypeCombo), 0);
}

#undef ID_AND_NAME

// The control-state handlers run on a user's clicks and choices, and their result reaches the
// real controls.
TEST_F(FreshProgramTest, UserChoicesEnableAndDisableTheirControls) {
  App().SelectCombo(ids::clickTypeCombo, 2);  // Hold
  EXPECT_TRUE(App().Enabled(ids::holdEdit));
  EXPECT_TRUE(App().Enabled(ids::holdLabel));
  App().SelectCombo(ids::clickTypeCombo, 1);  // Double
  EXPECT_FALSE(App().Enabled(ids::holdEdit));
  EXPECT_FALSE(App().Enabled(ids::holdLabel));

  App().Click(ids::jitterCheck);
  EXPECT_TRUE(App().Checked(ids::jitterCheck));
  EXPECT_TRUE(App().Enabled(ids::jitterEdit));

  App().Click(ids::repeatCountRadio);
  EXPECT_TRUE(App().Checked(ids::repeatCountRadio));
  EXPECT_FALSE(App().Checked(ids::untilStoppedRadio));
  EXPECT_TRUE(App().Enabled(ids::repeatCountEdit));
  App().Click(ids::untilStoppedRadio);
  EXPECT_FALSE(App().Enabled(ids::repeatCountEdit));

  App().Click(ids::coordinatesRadio);
  EXPECT_FALSE(App().Checked(ids::cursorPositionRadio));
  for (int c : {ids::coordXEdit, ids::coordYEdit, ids::coordSeparatorLabel})
    EXPECT_TRUE(App().Enabled(c)) << c;

  App().Click(ids::macrosRadio);
  for (int c :
       {ids::createMacroButton, ids::removeMacroButton, ids::renameMacroButton, ids::macroList})
    EXPECT_TRUE(App().Enabled(c)) << c;
  for (int c :
       {ids::hoursEdit, ids::minutesEdit, ids::secondsEdit, ids::millisecondsEdit, ids::hoursLabel,
        ids::minutesLabel, ids::secondsLabel, ids::millisecondsLabel, ids::jitterCheck,
        ids::jitterEdit, ids::buttonCombo, ids::clickTypeCombo, ids::holdLabel, ids::holdEdit,
        ids::coordXEdit, ids::coordYEdit, ids::coordSeparatorLabel})
    EXPECT_FALSE(App().Enabled(c)) << c;
  // Repeat and start delay apply to playback too.
  for (int c : {ids::untilStoppedRadio, ids::repeatCountRadio, ids::startDelayEdit})
    EXPECT_TRUE(App().Enabled(c)) << c;

  // Back to the cursor: the jitter box comes back because "Jitter" is still checked; hold time
  // stays off with "Double".
  App().Click(ids::cursorPositionRadio);
  for (int c : {ids::hoursEdit, ids::millisecondsEdit, ids::jitterCheck, ids::jitterEdit,
                ids::buttonCombo, ids::clickTypeCombo})
    EXPECT_TRUE(App().Enabled(c)) << c;
  for (int c :
       {ids::holdEdit, ids::coordXEdit, ids::coordYEdit, ids::createMacroButton, ids::macroList})
    EXPECT_FALSE(App().Enabled(c)) << c;
}

TEST_F(FreshProgramTest, MacroModeWithoutAMacroAsksForOne) {
  App().Click(ids::macrosRadio);
  ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::MessageBoxShown);
  MessageBoxInfo box = App().WaitForMessageBox();
  EXPECT_EQ(box.text, L"Please select a macro to play back.");
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  EXPECT_EQ(box.owner, App().MainWindow());
  EXPECT_TRUE(App().Enabled(ids::startButton));
  EXPECT_FALSE(App().Enabled(ids::stopButton));
  App().AnswerMessageBox(box, IDOK);

  EXPECT_TRUE(App().Enabled(ids::startButton));
  EXPECT_FALSE(App().Enabled(ids::stopButton));
  EXPECT_EQ(App().Text(ids::statusLabel), L"Ready");
  EXPECT_EQ(App().Caption(), kCaption);
}

// ---------------------------------------------------------------------------------------------
// Clicking runs aimed at the driver's target window: top left, away from the program's window in
// the middle of the screen, its compact form at the bottom right and the notification area that
// Wine shows in the top-left corner when no desktop provides one.

class ClickingTest : public FreshProgramTest {
 protected:
  static constexpr POINT kClient{150, 80};

  // Coordinates mode aimed at kClient on the target, interval `millis`, repeat `count` times.
  void AimAtTarget(int millis, int count) {
    const POINT screen = target_.ToScreen(kClient);
    App().Click(ids::coordinatesRadio);
    App().SetText(ids::coordXEdit, std::to_wstring(screen.x));
    App().SetText(ids::coordYEdit, std::to_wstring(screen.y));
    App().SetText(ids::millisecondsEdit, std::to_wstring(millis));
    App().Click(ids::repeatCountRadio);
    App().SetText(ids::repeatCountEdit, std::to_wstring(count));
    ASSERT_TRUE(App().Checked(ids::coordinatesRadio));
    ASSERT_TRUE(App().Checked(ids::repeatCountRadio));
  }

  // Starts the run and waits for its end; returns the status line.
  std::wstring RunToEnd() {
    target_.Clear();
    if (App().Click(ids::startButton) != Program::ClickOutcome::Handled)
      return L"(Start showed a message box)";
    return WaitForRunEnd();
  }

  static std::vector<std::string> Names(const std::vector<TargetWindow::Event>& events) {
    std::vector<std::string> names;
    for (const TargetWindow::Event& e : events) names.push_back(MouseMessageName(e.message));
    return names;
  }

  // Milliseconds between the injection of two inputs (their message times).
  static int MsBetween(const TargetWindow::Event& a, const TargetWindow::Event& b) {
    return static_cast<int>(b.time - a.time);
  }

  void ExpectAllAtTheClickPoint(const std::vector<TargetWindow::Event>& events) {
    for (const TargetWindow::Event& e : events) {
      EXPECT_EQ(e.client.x, kClient.x) << MouseMessageName(e.message);
      EXPECT_EQ(e.client.y, kClient.y) << MouseMessageName(e.message);
    }
  }

  TargetWindow target_{RECT{40, 120, 340, 280}};
};

TEST_F(ClickingTest, RepeatCountThreeClicksThreeTimesAtTheCoordinates) {
  AimAtTarget(50, 3);
  ASSERT_TRUE(App().Checked(ids::stopOnMouseMoveCheck));  // the default
  target_.Clear();
  ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
  EXPECT_FALSE(App().Enabled(ids::startButton));
  EXPECT_TRUE(App().Enabled(ids::stopButton));

  const std::wstring status = WaitForRunEnd();
  const int64_t endSeenAt = QpcNow();
  EXPECT_EQ(status, L"Completed repeat count. Clicks done: 3");
  PumpFor(Ms{400});  // a click after the end would show up here

  // Three clicks 50 ms apart at one point: the second press is a double click for the system.
  std::vector<TargetWindow::Event> events = target_.Events();
  EXPECT_EQ(Names(events),
            (std::vector<std::string>{"WM_LBUTTONDOWN", "WM_LBUTTONUP", "WM_LBUTTONDBLCLK",
                                      "WM_LBUTTONUP", "WM_LBUTTONDOWN", "WM_LBUTTONUP"}))
      << Describe(events);
  EXPECT_EQ(target_.Presses(0), 3);
  ExpectAllAtTheClickPoint(events);
  POINT cursor{};
  GetCursorPos(&cursor);
  EXPECT_EQ(cursor.x, target_.ToScreen(kClient).x) << "the cursor stays at the target";
  EXPECT_EQ(cursor.y, target_.ToScreen(kClient).y) << "the cursor stays at the target";

  // One click per tick, an interval apart (by the time the input was injected), and the run
  // ends on the tick after the third click, not right after it (by the time the driver saw the
  // third click and the end).
  if (events.size() == 6) {
    EXPECT_GE(MsBetween(events[0], events[2]), 30) << Describe(events);
    EXPECT_GE(MsBetween(events[2], events[4]), 30) << Describe(events);
    EXPECT_GE(QpcMs(events[4].qpc, endSeenAt), 20.0) << Describe(events);
  }

  EXPECT_TRUE(App().Enabled(ids::startButton));
  EXPECT_FALSE(App().Enabled(ids::stopButton));
  EXPECT_EQ(App().Caption(), kCaption);
}

// One action of each click type and button reaches the target as that button's messages.
struct ActionCase {
  const char* name;
  int button;  // buttonCombo item
  int type;    // clickTypeCombo item
  std::vector<std::string> messages;
};

void PrintTo(const ActionCase& c, std::ostream* out) {
  *out << c.name;
}

class ClickActionTest : public ClickingTest, public testing::WithParamInterface<ActionCase> {};

TEST_P(ClickActionTest, ReachesTheTargetAsThatButtonsMessages) {
  const ActionCase& c = GetParam();
  AimAtTarget(50, 1);
  App().SelectCombo(ids::buttonCombo, c.button);
  App().SelectCombo(ids::clickTypeCombo, c.type);
  EXPECT_EQ(RunToEnd(), L"Completed repeat count. Clicks done: 1");
  PumpFor(Ms{300});

  std::vector<TargetWindow::Event> events = target_.Events();
  EXPECT_EQ(Names(events), c.messages) << Describe(events);
  ExpectAllAtTheClickPoint(events);
}

INSTANTIATE_TEST_SUITE_P(
    ButtonsAndTypes, ClickActionTest,
    testing::Values(
        // The two presses of a double click come at once: the second is a double click.
        ActionCase{"RightDouble",
                   1,
                   1,
                   {"WM_RBUTTONDOWN", "WM_RBUTTONUP", "WM_RBUTTONDBLCLK", "WM_RBUTTONUP"}},
        ActionCase{"LeftDouble",
                   0,
                   1,
                   {"WM_LBUTTONDOWN", "WM_LBUTTONUP", "WM_LBUTTONDBLCLK", "WM_LBUTTONUP"}},
        ActionCase{"MiddleSingle", 2, 0, {"WM_MBUTTONDOWN", "WM_MBUTTONUP"}},
        ActionCase{"RightSingle", 1, 0, {"WM_RBUTTONDOWN", "WM_RBUTTONUP"}}),
    [](const testing::TestParamInfo<ActionCase>& param) { return std::string(param.param.name); });

// The default target: the click lands wherever the cursor is, and the cursor is not moved.
TEST_F(ClickingTest, CursorModeClicksWhereTheCursorIs) {
  const POINT client{60, 30};
  const POINT screen = target_.ToScreen(client);
  ASSERT_TRUE(SetCursorPos(screen.x, screen.y));
  App().SetText(ids::millisecondsEdit, L"50");
  App().Click(ids::repeatCountRadio);
  App().SetText(ids::repeatCountEdit, L"1");
  ASSERT_TRUE(App().Checked(ids::cursorPositionRadio));
  EXPECT_EQ(RunToEnd(), L"Completed repeat count. Clicks done: 1");
  PumpFor(Ms{300});

  std::vector<TargetWindow::Event> events = target_.Events();
  ASSERT_EQ(Names(events), (std::vector<std::string>{"WM_LBUTTONDOWN", "WM_LBUTTONUP"}))
      << Describe(events);
  for (const TargetWindow::Event& e : events) {
    EXPECT_EQ(e.client.x, client.x);
    EXPECT_EQ(e.client.y, client.y);
  }
  POINT cursor{};
  GetCursorPos(&cursor);
  EXPECT_EQ(cursor.x, screen.x);
  EXPECT_EQ(cursor.y, screen.y);
}

TEST_F(ClickingTest, HoldKeepsTheButtonDownForTheHoldTime) {
  AimAtTarget(50, 1);
  App().SelectCombo(ids::clickTypeCombo, 2);  // Hold
  ASSERT_TRUE(App().Enabled(ids::holdEdit));
  App().SetText(ids::holdEdit, L"200");
  EXPECT_EQ(RunToEnd(), L"Completed repeat count. Clicks done: 1");
  PumpFor(Ms{300});

  std::vector<TargetWindow::Event> events = target_.Events();
  ASSERT_EQ(Names(events), (std::vector<std::string>{"WM_LBUTTONDOWN", "WM_LBUTTONUP"}))
      << Describe(events);
  ExpectAllAtTheClickPoint(events);
  // By the times the two records were injected (Wine stamps them to the millisecond).
  const int held = MsBetween(events[0], events[1]);
  EXPECT_GE(held, 198) << Describe(events);
  EXPECT_LT(held, 1200) << Describe(events);
}

// The default hotkeys, pressed as a user would (system-wide, whatever window is active).
TEST_F(ClickingTest, StartAndStopHotkeysDriveARun) {
  AimAtTarget(0, 3);
  App().SetText(ids::secondsEdit, L"10");  // no click comes before the stop
  PressHotkey(MOD_CONTROL | MOD_SHIFT, 'S');
  ASSERT_TRUE(WaitUntil([&] { return App().Text(ids::statusLabel) == L"Started"; }, Ms{3000}))
      << App().Text(ids::statusLabel);
  EXPECT_FALSE(App().Enabled(ids::startButton));
  PressHotkey(MOD_CONTROL | MOD_SHIFT, 'X');
  EXPECT_EQ(WaitForRunEnd(Ms{3000}), L"Stopped by hotkey. Clicks done: 0");
  EXPECT_EQ(target_.Events().size(), 0u) << Describe(target_.Events());
}

TEST_F(ClickingTest, StopDuringTheStartDelayClicksNothing) {
  AimAtTarget(50, 3);
  App().SetText(ids::startDelayEdit, L"5");
  target_.Clear();
  RECT full{}, compact{}, after{};
  GetWindowRect(App().MainWindow(), &full);
  const int64_t startedAt = QpcNow();
  ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
  EXPECT_EQ(App().Text(ids::statusLabel), L"Started");
  EXPECT_EQ(App().Caption(), kRunningCaption);
  GetWindowRect(App().MainWindow(), &compact);
  EXPECT_LT(compact.bottom - compact.top, (full.bottom - full.top) / 2) << "compact while running";
  ASSERT_TRUE(App().Enabled(ids::stopButton));
  PumpFor(Ms{300});
  App().Click(ids::stopButton);
  EXPECT_EQ(App().Text(ids::statusLabel), L"Stopped by button. Clicks done: 0");
  EXPECT_TRUE(App().Enabled(ids::startButton));
  EXPECT_FALSE(App().Enabled(ids::stopButton));
  // The window is back in its full form.
  EXPECT_EQ(App().Caption(), kCaption);
  GetWindowRect(App().MainWindow(), &after);
  EXPECT_TRUE(EqualRect(&full, &after))
      << "before (" << full.left << ", " << full.top << ", " << full.right << ", " << full.bottom
      << "), after (" << after.left << ", " << after.top << ", " << after.right << ", "
      << after.bottom << ")";

  // Had the delay gone on, the first click would come 5 s + 50 ms after Start.
  WaitUntil([&] { return QpcMs(startedAt, QpcNow()) > 5600.0; }, Ms{7000});
  EXPECT_EQ(target_.Events().size(), 0u) << Describe(target_.Events());
  EXPECT_EQ(App().Text(ids::statusLabel), L"Stopped by button. Clicks done: 0");
}

}  // namespace
}  // namespace e2e
