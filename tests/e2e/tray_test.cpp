// The notification icon's menu commands (WM_COMMAND 901 Start, 902 Stop, 903 Show window, 904
// Exit), sent to the main window as the menu sends them, while the window is hidden in the
// notification area: a run starts and stops with the tray's text, the window comes back, and
// Exit stops what runs and saves a recording and the settings.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "harness.h"
#include "mainform/control_ids.h"
#include "program_test.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr UINT kCtrlShift = MOD_CONTROL | MOD_SHIFT;
const RECT kTargetRect{40, 120, 340, 280};
constexpr POINT kClient{100, 60};

class TrayTest : public ProgramTest {
 protected:
  // A command of the tray menu, as the menu sends it: the program has handled it on return.
  void Command(int id) { Ask(App().MainWindow(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  bool Visible() { return IsWindowVisible(App().MainWindow()) != FALSE; }
  bool WaitForStatus(const std::wstring& status, Ms timeout = Ms{5000}) {
    return WaitUntil([&] { return App().Text(ids::statusLabel) == status; }, timeout);
  }
  // Coordinates mode on the target, every 100 ms, hidden in the notification area during runs.
  void SetUp() override {
    Start();
    App().Click(ids::coordinatesRadio);
    const POINT at = target_.ToScreen(kClient);
    App().SetText(ids::coordXEdit, std::to_wstring(at.x));
    App().SetText(ids::coordYEdit, std::to_wstring(at.y));
    App().SetText(ids::millisecondsEdit, L"100");
    App().Click(ids::minimizeToTrayCheck);
    ASSERT_TRUE(App().Checked(ids::minimizeToTrayCheck));
  }
  // The program ended by itself after Exit, with exit code 0.
  void ExpectExited() {
    ASSERT_TRUE(WaitUntil([&] { return !App().Running(); }, Ms{10000})) << "still running";
    EXPECT_EQ(App().ExitCode(), 0u);
    program_.reset();
  }
  std::string SettingsText() const {
    std::ifstream in(fs::path(appData_.Path()) / "JUX Zura Divudiv" / "settings.ini",
                     std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  TargetWindow target_{kTargetRect};
};

TEST_F(TrayTest, StartAndStopFromTheTrayWhileHidden) {
  target_.Clear();
  Command(ids::trayStart);
  EXPECT_FALSE(Visible()) << "hidden in the notification area";
  ASSERT_TRUE(WaitUntil([&] { return target_.Presses(0) >= 2; }, Ms{5000}))
      << Narrow(App().Text(ids::statusLabel)) << Describe(target_.Events());
  EXPECT_EQ(App().Text(ids::statusLabel), L"Started");
  EXPECT_FALSE(App().Enabled(ids::startButton));
  // A second Start while it runs is refused: the run goes on as it was.
  Command(ids::trayStart);
  EXPECT_EQ(App().Text(ids::statusLabel), L"Started");

  Command(ids::trayStop);
  PumpFor(Ms{300});  // a click still on its way shows up here
  const int clicks = target_.Presses(0);
  EXPECT_EQ(App().Text(ids::statusLabel),
            L"Stopped from the tray. Clicks done: " + std::to_wstring(clicks));
  EXPECT_TRUE(App().Enabled(ids::startButton));
  EXPECT_TRUE(Visible()) << "back from the notification area at the end of the run";
  PumpFor(Ms{500});
  EXPECT_EQ(target_.Presses(0), clicks) << "clicks after the stop" << Describe(target_.Events());
  EXPECT_EQ(target_.Count(WM_LBUTTONUP), clicks) << Describe(target_.Events());
}

TEST_F(TrayTest, ShowWindowBringsTheHiddenWindowDuringTheStartDelay) {
  App().SetText(ids::startDelayEdit, L"30");
  Command(ids::trayStart);
  EXPECT_FALSE(Visible());
  Command(ids::trayShowWindow);
  EXPECT_TRUE(Visible());
  EXPECT_EQ(GetForegroundWindow(), App().MainWindow());
  EXPECT_FALSE(App().Enabled(ids::startButton)) << "the run goes on";
  Command(ids::trayStop);
  EXPECT_EQ(App().Text(ids::statusLabel), L"Stopped from the tray. Clicks done: 0");
  EXPECT_EQ(target_.Presses(0), 0) << Describe(target_.Events());
}

TEST_F(TrayTest, ExitStopsAHiddenRunAndSavesTheSettings) {
  App().SetText(ids::millisecondsEdit, L"120");
  target_.Clear();
  Command(ids::trayStart);
  ASSERT_FALSE(Visible());
  ASSERT_TRUE(WaitUntil([&] { return target_.Presses(0) >= 2; }, Ms{5000}))
      << Describe(target_.Events());
  Command(ids::trayExit);
  ExpectExited();
  PumpFor(Ms{300});
  const int clicks = target_.Presses(0);
  EXPECT_EQ(target_.Count(WM_LBUTTONUP), clicks) << "a button left down";
  PumpFor(Ms{300});
  EXPECT_EQ(target_.Presses(0), clicks) << Describe(target_.Events());
  EXPECT_NE(SettingsText().find("ms=120"), std::string::npos) << SettingsText();
}

TEST_F(TrayTest, StopEndsARecordingAndExitSavesOne) {
  App().Click(ids::macrosRadio);
  for (const int command : {ids::trayStop, ids::trayExit}) {
    SCOPED_TRACE(command);
    App().Click(ids::createMacroButton);
    PressHotkey(kCtrlShift, 'R');
    ASSERT_TRUE(WaitForStatus(L"Recording macro...")) << Narrow(App().Text(ids::statusLabel));
    MoveTo(target_.ToScreen({20, 30}));
    PumpFor(Ms{50});
    MoveTo(target_.ToScreen({60, 40}));
    PumpFor(Ms{50});
    Command(command);
    if (command == ids::trayExit) {
      ExpectExited();
      break;
    }
    EXPECT_EQ(App().Text(ids::statusLabel).rfind(L"Macro saved: ", 0), 0u)
        << Narrow(App().Text(ids::statusLabel));
    const std::wstring reason = L"Recording stopped from the tray.";
    const std::wstring status = App().Text(ids::statusLabel);
    EXPECT_EQ(status.substr(status.size() - std::min(status.size(), reason.size())), reason);
  }
  size_t files = 0;
  for (const fs::directory_entry& e :
       fs::directory_iterator(fs::path(appData_.Path()) / "JUX Zura Divudiv" / "Macros"))
    files += e.path().extension() == ".juxmac";
  EXPECT_EQ(files, 2u) << "one recording stopped from the tray, one saved at the exit";
}

}  // namespace
}  // namespace e2e
