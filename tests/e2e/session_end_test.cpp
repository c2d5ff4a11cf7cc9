// The end of the Windows session during a recording, as the system announces it: the recording
// is saved as a macro file, the settings file gets the window's values, and the closing of the
// window afterwards writes nothing again. A cancelled end of the session changes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "harness.h"
#include "mainform/control_ids.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr UINT kCtrlShift = MOD_CONTROL | MOD_SHIFT;

std::vector<fs::path> MacroFiles(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(folder, ec))
    if (e.is_regular_file() && e.path().extension() == ".juxmac") files.push_back(e.path());
  return files;
}

int IniInt(const fs::path& file, const wchar_t* section, const wchar_t* key) {
  return static_cast<int>(GetPrivateProfileIntW(section, key, -1, file.wstring().c_str()));
}

TEST(SessionEndTest, DuringARecordingSavesTheMacroAndTheSettingsOnce) {
  TempDir appData;
  const fs::path folder = fs::path(appData.Path()) / L"JUX Zura Divudiv";
  const fs::path settings = folder / L"settings.ini";
  Program app(appData.Path());
  const HWND main = app.MainWindow();
  app.SetText(ids::millisecondsEdit, L"134");
  app.Click(ids::alwaysOnTopCheck);
  ASSERT_TRUE(app.Checked(ids::alwaysOnTopCheck));
  app.Click(ids::macrosRadio);
  app.Click(ids::createMacroButton);
  PressHotkey(kCtrlShift, 'R');
  ASSERT_TRUE(
      WaitUntil([&] { return app.Text(ids::statusLabel) == L"Recording macro..."; }, Ms{5000}))
      << Narrow(app.Text(ids::statusLabel));
  for (POINT p : {POINT{100, 150}, POINT{180, 210}, POINT{260, 170}}) {
    MoveTo(p);
    PumpFor(Ms{40});
  }

  // The end of the session was cancelled: the recording goes on, nothing is written.
  Ask(main, WM_ENDSESSION, FALSE, 0);
  EXPECT_EQ(app.Text(ids::statusLabel), L"Recording macro...");
  EXPECT_TRUE(MacroFiles(folder / L"Macros").empty());
  EXPECT_FALSE(fs::exists(settings));

  EXPECT_EQ(Ask(main, WM_QUERYENDSESSION, 0, 0), TRUE);
  Ask(main, WM_ENDSESSION, TRUE, 0);
  const std::wstring status = app.Text(ids::statusLabel);
  const std::wstring reason = L"Recording stopped: Windows is shutting down.";
  EXPECT_EQ(status.rfind(L"Macro saved: ", 0), 0u) << Narrow(status);
  EXPECT_TRUE(status.size() > reason.size() &&
              status.compare(status.size() - reason.size(), reason.size(), reason) == 0)
      << Narrow(status);
  EXPECT_EQ(MacroFiles(folder / L"Macros").size(), 1u);
  ASSERT_TRUE(fs::exists(settings));
  EXPECT_EQ(IniInt(settings, L"Interval", L"ms"), 134);
  EXPECT_EQ(IniInt(settings, L"UI", L"topMost"), 1);
  EXPECT_EQ(IniInt(settings, L"Target", L"mode"), 2);

  // The window is destroyed after the session's end: the settings are not written again.
  fs::remove(settings);
  ASSERT_TRUE(app.Close());
  EXPECT_EQ(app.ExitCode(), 0u);
  EXPECT_FALSE(fs::exists(settings)) << "written again when the window closed";
  EXPECT_EQ(MacroFiles(folder / L"Macros").size(), 1u);
}

}  // namespace
}  // namespace e2e
