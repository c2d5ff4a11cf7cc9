// The real program under Wine with a macro folder prepared by the driver: the listing in the
// window (sorted by file name, with the saved selection), Rename through the input box, Remove
// with its confirmation, a start in macro mode with nothing selected, and a macro folder that
// cannot be read.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "mainform/control_ids.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr char kBom[] = "\xEF\xBB\xBF";

// A macro file as the program writes it: byte-order mark, name, duration, events, CR LF.
std::string MacroFile(const std::string& name, const std::string& duration,
                      const std::vector<std::string>& events) {
  std::string text = kBom;
  text += "Name=" + name + "\r\n";
  text += "DurationMs=" + duration + "\r\n";
  for (const std::string& e : events) text += "E=" + e + "\r\n";
  return text;
}

std::optional<std::string> ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary);
  out << bytes;
  if (!out.good()) throw HarnessError("cannot write " + file.string());
}

std::vector<std::wstring> ListItems(const Program& p) {
  return ListBoxItems(p.Control(ids::macroList));
}

int ListSelection(const Program& p) {
  return static_cast<int>(Ask(p.Control(ids::macroList), LB_GETCURSEL));
}

// A user's choice of a line: the selection, then the notification it sends to the window.
void SelectListItem(const Program& p, int index) {
  const HWND lb = p.Control(ids::macroList);
  if (Ask(lb, LB_SETCURSEL, static_cast<WPARAM>(index)) != index)
    throw HarnessError("LB_SETCURSEL " + std::to_string(index) + " refused");
  Ask(GetParent(lb), WM_COMMAND, MAKEWPARAM(ids::macroList, LBN_SELCHANGE),
      reinterpret_cast<LPARAM>(lb));
}

// The macro folder as the driver prepares it: three macro files whose order by file name, with
// letter case ignored, differs from the order of their display names, from the order of the
// bytes of their file names and from the order in which they are written; one file that is no
// UTF-8 (left out), a text file and a folder named like a macro file (neither listed). The
// settings file selects the second line.
//
// Wine's own directory listing already comes sorted by name without regard to case, so here the
// order checks the listing as a whole; the unit tests check the program's sorting on its own.
const std::string kZetaFile = MacroFile("zeta", "500", {"0|0|10|20|-1", "500|1|10|20|0"});
const std::string kAlphaFile =
    MacroFile("Alpha", "1234", {"15|0|641|480|-1", "1200|1|641|480|0", "1234|2|641|480|0"});
const std::string kMidFile = MacroFile("mid", "0", {});
const std::vector<std::wstring> kListed = {L"zeta", L"Alpha", L"mid"};

class MacroLibraryTest : public testing::Test {
 protected:
  void SetUp() override {
    const fs::path folder = Folder();
    fs::create_directories(folder / "d.juxmac");
    WriteBytes(folder / "c.juxmac", kMidFile);
    WriteBytes(folder / "B.JUXMAC", kAlphaFile);
    WriteBytes(folder / "bad.juxmac", std::string(kBom) + "Name=\xC3\x28\r\nDurationMs=1\r\n");
    WriteBytes(folder / "notes.txt", MacroFile("notes", "1", {}));
    WriteBytes(folder / "a.juxmac", kZetaFile);
    WriteBytes(folder.parent_path() / "settings.ini", "[Macros]\r\nselected=1\r\n");
    program_.emplace(appData_.Path());
  }

  void TearDown() override {
    if (!program_) return;
    if (const std::string problem = CloseProblem(*program_); !problem.empty())
      ADD_FAILURE() << problem;
  }

  fs::path Folder() const { return fs::path(appData_.Path()) / L"JUX Zura Divudiv" / L"Macros"; }
  bool Exists(const std::string& name) const { return fs::exists(Folder() / name); }
  Program& App() { return *program_; }

  TempDir appData_;
  std::optional<Program> program_;
};

TEST_F(MacroLibraryTest, ListsTheMacroFilesByFileNameWithTheSavedSelection) {
  EXPECT_EQ(ListItems(App()), kListed);
  EXPECT_EQ(ListSelection(App()), 1);
  // Nothing was written back at start-up.
  EXPECT_EQ(ReadBytes(Folder() / "B.JUXMAC"), kAlphaFile);
  EXPECT_TRUE(Exists("bad.juxmac"));
  EXPECT_TRUE(Exists("notes.txt"));
}

TEST_F(MacroLibraryTest, RenameWritesTheNewFileAndRemovesTheOldOne) {
  App().Click(ids::macrosRadio);
  ASSERT_TRUE(App().Enabled(ids::renameMacroButton));
  ASSERT_EQ(ListSelection(App()), 1);

  ASSERT_EQ(App().Click(ids::renameMacroButton), Program::ClickOutcome::MessageBoxShown);
  const MessageBoxInfo box = App().WaitForMessageBox();
  EXPECT_EQ(box.caption, L"Rename macro");
  EXPECT_EQ(box.text, L"Enter new macro name:");
  EXPECT_EQ(box.buttons, (std::vector<int>{IDOK, IDCANCEL}));
  const HWND edit = GetDlgItem(box.hwnd, 301);
  ASSERT_NE(edit, nullptr) << "the input box has no edit field 301";
  std::wstring current(64, L'\0');
  current.resize(static_cast<size_t>(
      Ask(edit, WM_GETTEXT, current.size(), reinterpret_cast<LPARAM>(current.data()))));
  EXPECT_EQ(current, L"Alpha");
  // The display name keeps what was typed; the file name has the colon replaced.
  const std::wstring typed = L"Click: test";
  Ask(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
  App().AnswerMessageBox(box, IDOK);

  ASSERT_TRUE(
      WaitUntil([&] { return App().Text(ids::statusLabel) == L"Macro renamed."; }, Ms{5000}))
      << Narrow(App().Text(ids::statusLabel));
  EXPECT_FALSE(Exists("B.JUXMAC"));
  EXPECT_EQ(ReadBytes(Folder() / "Click_ test.juxmac"),
            MacroFile("Click: test", "1234",
                      {"15|0|641|480|-1", "1200|1|641|480|0", "1234|2|641|480|0"}));
  EXPECT_EQ(ListItems(App()), (std::vector<std::wstring>{L"zeta", L"Click: test", L"mid"}));
  EXPECT_EQ(ListSelection(App()), 1);
  // The other files are as they were.
  EXPECT_EQ(ReadBytes(Folder() / "a.juxmac"), kZetaFile);
  EXPECT_EQ(ReadBytes(Folder() / "c.juxmac"), kMidFile);
}

TEST_F(MacroLibraryTest, RemoveAsksDeletesTheFileAndLeavesNothingToPlay) {
  App().Click(ids::macrosRadio);
  SelectListItem(App(), 2);

  // No keeps everything; Yes deletes.
  for (int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
    ASSERT_EQ(App().Click(ids::removeMacroButton), Program::ClickOutcome::MessageBoxShown);
    const MessageBoxInfo box = App().WaitForMessageBox();
    EXPECT_EQ(box.text, L"Delete selected macro?");
    EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
    App().AnswerMessageBox(box, answer);
    PumpFor(Ms{100});
    if (answer == IDNO) {
      EXPECT_TRUE(Exists("c.juxmac"));
      EXPECT_EQ(ListItems(App()), kListed);
      EXPECT_EQ(ListSelection(App()), 2);
      EXPECT_EQ(App().Text(ids::statusLabel), L"Ready");
    }
  }
  ASSERT_TRUE(WaitUntil([&] { return App().Text(ids::statusLabel) == L"Selected macro removed."; },
                        Ms{5000}))
      << Narrow(App().Text(ids::statusLabel));
  EXPECT_FALSE(Exists("c.juxmac"));
  EXPECT_TRUE(Exists("a.juxmac"));
  EXPECT_TRUE(Exists("B.JUXMAC"));
  EXPECT_EQ(ListItems(App()), (std::vector<std::wstring>{L"zeta", L"Alpha"}));
  EXPECT_EQ(ListSelection(App()), LB_ERR);

  ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::MessageBoxShown);
  const MessageBoxInfo box = App().WaitForMessageBox();
  EXPECT_EQ(box.text, L"Please select a macro to play back.");
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  App().AnswerMessageBox(box, IDOK);
  EXPECT_TRUE(App().Enabled(ids::startButton));
  EXPECT_FALSE(App().Enabled(ids::stopButton));
  EXPECT_EQ(App().Text(ids::statusLabel), L"Selected macro removed.");
}

// ---------------------------------------------------------------------------------------------
// A macro folder that cannot be read: the window still comes up whole and says why, once.

// Answers the program's message boxes (caption: the program's title) from a thread of its own
// and keeps their texts: boxes shown while the window is being created come before there is a
// window for the Program object to wait for.
class BoxAnswerer {
 public:
  BoxAnswerer() : thread_([this] { Run(); }) {}
  ~BoxAnswerer() { Stop(); }
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  std::vector<std::wstring> Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return texts_;
  }

 private:
  static std::wstring TextOf(HWND hwnd) {
    wchar_t buffer[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL, 2000,
                        &copied);
    return std::wstring(buffer, std::min<size_t>(copied, 1023));
  }

  void Run() {
    while (!stop_) {
      std::vector<HWND> boxes;
      EnumWindows(
          [](HWND hwnd, LPARAM lp) -> BOOL {
            wchar_t cls[32] = {};
            GetClassNameW(hwnd, cls, 32);
            if (std::wstring(cls) == L"#32770" && IsWindowVisible(hwnd) &&
                TextOf(hwnd) == L"JUX Zura Divudiv")
              reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&boxes));
      for (HWND box : boxes) {
        std::wstring text;
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
          wchar_t cls[32] = {};
          GetClassNameW(child, cls, 32);
          if (_wcsicmp(cls, L"Static") == 0 &&
              (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
            text += TextOf(child);
        }
        texts_.push_back(text);
        PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        for (int i = 0; i < 500 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(10);
      }
      Sleep(10);
    }
  }

  std::atomic<bool> stop_{false};
  std::vector<std::wstring> texts_;
  std::thread thread_;
};

TEST(MacroFolderTest, AnUnreadableFolderIsReportedOnceAndTheWindowStillComesUp) {
  TempDir appData;
  const fs::path settingsFolder = fs::path(appData.Path()) / L"JUX Zura Divudiv";
  fs::create_directories(settingsFolder);
  // A file where the folder belongs: it can be neither created nor listed.
  WriteBytes(settingsFolder / "Macros", "not a folder");

  BoxAnswerer answerer;
  Program app(appData.Path());
  PumpFor(Ms{1000});  // a late second report would come now
  const std::vector<std::wstring> texts = answerer.Stop();
  ASSERT_GE(texts.size(), 1u) << "no report of the unreadable folder";
  EXPECT_EQ(texts[0].rfind(L"The macro folder cannot be read:", 0), 0u) << Narrow(texts[0]);
  if (texts.size() != 1) {
    std::string shown;
    for (const std::wstring& t : texts) shown += "\n  " + Narrow(t);
    ADD_FAILURE() << "the folder was reported " << texts.size() << " times:" << shown;
  }

  // The creation of the window went on after the report.
  EXPECT_EQ(app.Text(ids::hotkeysLabel),
            L"Hotkeys \u2014 Start: Shift+Ctrl+S  |  Stop: Shift+Ctrl+X");
  EXPECT_EQ(ListItems(app).size(), 0u);
  EXPECT_TRUE(app.Close());
  EXPECT_EQ(app.ExitCode(), 0u);
}

// A recording whose file cannot be written (a file named Macros where the folder should be) is
// reported, and is still listed, selected and played.
TEST(MacroFolderTest, ARecordingThatCannotBeWrittenIsStillListedAndPlayed) {
  TempDir appData;
  const fs::path settingsFolder = fs::path(appData.Path()) / L"JUX Zura Divudiv";
  fs::create_directories(settingsFolder);
  WriteBytes(settingsFolder / "Macros", "not a folder");
  TargetWindow target(RECT{40, 120, 340, 280});
  const POINT click = target.ToScreen({150, 80});
  const POINT park = target.ToScreen({280, 150});
  MoveTo(park);

  BoxAnswerer answerer;
  Program app(appData.Path());
  app.Click(ids::macrosRadio);
  app.Click(ids::createMacroButton);
  PressHotkey(MOD_CONTROL | MOD_SHIFT, 'R');
  ASSERT_TRUE(
      WaitUntil([&] { return app.Text(ids::statusLabel) == L"Recording macro..."; }, Ms{5000}))
      << Narrow(app.Text(ids::statusLabel));
  MoveTo(click);
  PumpFor(Ms{30});
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  PumpFor(Ms{30});
  SendMouse(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(WaitUntil([&] { return target.Count(WM_LBUTTONUP) == 1; }, Ms{3000}));
  PressHotkey(MOD_CONTROL | MOD_SHIFT, 'X');
  ASSERT_TRUE(WaitUntil(
      [&] { return app.Text(ids::statusLabel).rfind(L"Macro recorded but not saved: ", 0) == 0; },
      Ms{5000}))
      << Narrow(app.Text(ids::statusLabel));
  PumpFor(Ms{500});  // the box is answered
  const std::vector<std::wstring> texts = answerer.Stop();
  ASSERT_EQ(texts.size(), 2u);  // the unreadable folder at start-up, then the failed save
  EXPECT_EQ(texts[1].rfind(L"The macro could not be saved:", 0), 0u) << Narrow(texts[1]);

  const std::vector<std::wstring> items = ListItems(app);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(app.Text(ids::statusLabel),
            L"Macro recorded but not saved: " + items[0] + L". Recording stopped by hotkey.");
  EXPECT_EQ(Ask(app.Control(ids::macroList), LB_GETCURSEL), 0);

  // Played once: the recorded click lands on the target again.
  app.Click(ids::repeatCountRadio);
  app.SetText(ids::repeatCountEdit, L"1");
  MoveTo(park);
  PumpFor(Ms{50});
  target.Clear();
  ASSERT_EQ(app.Click(ids::startButton), Program::ClickOutcome::Handled);
  ASSERT_TRUE(WaitUntil([&] { return app.Enabled(ids::startButton); }, Ms{5000}));
  EXPECT_EQ(app.Text(ids::statusLabel), L"Completed macro repeat count. Runs done: 1");
  PumpFor(Ms{300});
  EXPECT_EQ(target.Presses(0), 1) << Describe(target.Events());
  EXPECT_EQ(target.Count(WM_LBUTTONUP), 1) << Describe(target.Events());
  EXPECT_TRUE(app.Close());
  EXPECT_EQ(app.ExitCode(), 0u);
}

}  // namespace
}  // namespace e2e
