// A run can always be stopped: Start is refused while another program holds the stop hotkey,
// and moving the mouse by hand stops a run that moves the pointer itself (coordinates mode,
// playback), but not one at the cursor, nor one with the option turned off.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "harness.h"
#include "mainform/control_ids.h"
#include "program_test.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr UINT kCtrlShift = MOD_CONTROL | MOD_SHIFT;
const RECT kTargetRect{40, 120, 340, 280};
constexpr POINT kClient{20, 20};  // the click point on the target
const std::wstring kHandStop = L"Stopped: the mouse was moved by hand.";

class SafetyTest : public ProgramTest {
 protected:
  // Coordinates mode at the click point, every 50 ms until stopped.
  void AimAtTarget() {
    const POINT p = target_.ToScreen(kClient);
    App().Click(ids::coordinatesRadio);
    App().SetText(ids::coordXEdit, std::to_wstring(p.x));
    App().SetText(ids::coordYEdit, std::to_wstring(p.y));
    App().SetText(ids::millisecondsEdit, L"50");
  }
  bool WaitForPresses(int n, Ms timeout = Ms{5000}) {
    return WaitUntil([&] { return target_.Presses(0) >= n; }, timeout);
  }
  // The hand moves the pointer to `to`: a move without the program's marker.
  static void HandMovesTo(POINT to) { MoveTo(to); }
  // The milliseconds from now until the status line starts with `prefix`; negative when that
  // does not happen within 3 s.
  double MsUntilStatus(const std::wstring& prefix, int64_t from) {
    if (!WaitUntil([&] { return App().Text(ids::statusLabel).rfind(prefix, 0) == 0; }, Ms{3000}))
      return -1;
    return QpcMs(from, QpcNow());
  }

  TargetWindow target_{kTargetRect};
};

TEST_F(SafetyTest, StartIsRefusedWhileAnotherProgramHoldsTheStopHotkey) {
  HeldHotkey held(kCtrlShift | MOD_NOREPEAT, 'X');
  ASSERT_TRUE(held.Ok());
  Start();
  const std::wstring status = App().Text(ids::statusLabel);
  EXPECT_EQ(status, L"Stop hotkey Shift+Ctrl+X is in use by another program.");
  AimAtTarget();
  target_.Clear();
  ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::MessageBoxShown);
  const MessageBoxInfo box = App().WaitForMessageBox();
  EXPECT_EQ(box.text,
            L"The stop hotkey Shift+Ctrl+X is not available (it is in use by another program). "
            L"Choose another one with Hotkeys... before starting.");
  App().AnswerMessageBox(box, IDOK);
  PumpFor(Ms{500});
  EXPECT_EQ(target_.Presses(0), 0) << Describe(target_.Events());
  EXPECT_TRUE(App().Enabled(ids::startButton));
  EXPECT_EQ(App().Text(ids::statusLabel), status);
}

TEST_F(SafetyTest, MovingTheMouseAwayStopsACoordinatesRun) {
  Start();
  AimAtTarget();
  ASSERT_TRUE(App().Checked(ids::stopOnMouseMoveCheck));
  target_.Clear();
  ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
  ASSERT_TRUE(WaitForPresses(3)) << Narrow(App().Text(ids::statusLabel));
  const POINT away = target_.ToScreen({kClient.x + 200, kClient.y});
  const int64_t moved = QpcNow();
  HandMovesTo(away);
  const double took = MsUntilStatus(kHandStop, moved);
  std::printf("hand move to stop: %.1f ms\n", took);
  EXPECT_GE(took, 0) << Narrow(App().Text(ids::statusLabel));
  EXPECT_LE(took, 300);
  const std::wstring status = App().Text(ids::statusLabel);
  EXPECT_EQ(status.rfind(kHandStop + L" Clicks done: ", 0), 0u) << Narrow(status);
  const int presses = target_.Presses(0);
  PumpFor(Ms{500});
  EXPECT_EQ(target_.Presses(0), presses) << "a click after the stop" << Describe(target_.Events());
  EXPECT_TRUE(App().Enabled(ids::startButton));
}

// The user moves the pointer on purpose: at the cursor, or with the option off, the run goes on.
TEST_F(SafetyTest, AtTheCursorOrWithTheOptionOffTheRunGoesOn) {
  Start();
  for (bool cursorMode : {true, false}) {
    SCOPED_TRACE(cursorMode ? "cursor position" : "coordinates, option off");
    if (cursorMode) {
      App().SetText(ids::millisecondsEdit, L"50");
      MoveTo(target_.ToScreen(kClient));
    } else {
      AimAtTarget();
      App().Click(ids::stopOnMouseMoveCheck);
      ASSERT_FALSE(App().Checked(ids::stopOnMouseMoveCheck));
    }
    PumpFor(Ms{50});
    target_.Clear();
    ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
    ASSERT_TRUE(WaitForPresses(2)) << Narrow(App().Text(ids::statusLabel));
    HandMovesTo(target_.ToScreen({kClient.x + 200, kClient.y}));
    const int presses = target_.Presses(0);
    PumpFor(Ms{600});
    EXPECT_FALSE(App().Enabled(ids::startButton)) << Narrow(App().Text(ids::statusLabel));
    EXPECT_GT(target_.Presses(0), presses) << "no click after the move";
    App().Click(ids::stopButton);
    ASSERT_TRUE(WaitUntil([&] { return App().Enabled(ids::startButton); }, Ms{3000}));
  }
}

TEST_F(SafetyTest, MovingTheMouseStopsAPlaybackDuringAWait) {
  // A press, five seconds of nothing, then the release.
  const POINT p = target_.ToScreen({150, 80});
  std::ostringstream text;
  text << "\xEF\xBB\xBFName=wait\r\nDurationMs=5050\r\n"
       << "E=0|0|" << p.x << "|" << p.y << "|-1\r\n"
       << "E=50|1|" << p.x << "|" << p.y << "|0\r\n"
       << "E=5050|2|" << p.x << "|" << p.y << "|0\r\n";
  const fs::path folder = fs::path(appData_.Path()) / L"JUX Zura Divudiv";
  fs::create_directories(folder / L"Macros");
  std::ofstream(folder / L"Macros" / L"wait.juxmac", std::ios::binary) << text.str();
  std::ofstream(folder / L"settings.ini", std::ios::binary) << "[Target]\r\nmode=2\r\n";
  Start();
  target_.Clear();
  ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
  ASSERT_TRUE(WaitForPresses(1)) << Narrow(App().Text(ids::statusLabel));
  PumpFor(Ms{300});
  const int64_t moved = QpcNow();
  HandMovesTo({p.x, p.y + 200});
  const double took = MsUntilStatus(kHandStop, moved);
  std::printf("hand move to stop during a playback wait: %.1f ms\n", took);
  EXPECT_GE(took, 0) << Narrow(App().Text(ids::statusLabel));
  EXPECT_LE(took, 300);
  EXPECT_EQ(App().Text(ids::statusLabel), kHandStop + L" Runs done: 0");
  // Let go where the hand took the pointer, outside the target: the system's state tells.
  EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0) << "the button is still down";
}

}  // namespace
}  // namespace e2e
