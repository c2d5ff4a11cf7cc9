// The real program under Wine records the driver's injected mouse input through its low-level
// hook, saves it as a macro file, lists and selects it, and plays it back onto the driver's
// target window; a stopped playback leaves no button pressed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"
#include "mainform/control_ids.h"
#include "program_test.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const std::wstring kCaption = L"  JUX Zura Divudiv 1.0";
constexpr UINT kCtrlShift = MOD_CONTROL | MOD_SHIFT;
constexpr char kBom[] = "\xEF\xBB\xBF";

// Top left of the screen, away from the program's window and its compact bar.
const RECT kTargetRect{40, 120, 340, 280};

// ---------------------------------------------------------------------------------------------
// Injected mouse input, one record per SendInput call as a real mouse delivers it.

// ---------------------------------------------------------------------------------------------
// Macro files.

struct FileEvent {
  long long deltaMs = 0;
  int kind = 0;
  int x = 0;
  int y = 0;
  int button = 0;
  friend bool operator==(const FileEvent&, const FileEvent&) = default;
};

void PrintTo(const FileEvent& e, std::ostream* out) {
  *out << "{+" << e.deltaMs << " ms, kind " << e.kind << ", (" << e.x << ", " << e.y << "), button "
       << e.button << "}";
}

struct MacroText {
  std::string name;
  long long durationMs = -1;
  std::vector<FileEvent> events;
};

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw HarnessError("cannot read " + file.string());
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary);
  out << bytes;
  if (!out.good()) throw HarnessError("cannot write " + file.string());
}

// Reads a macro file as the program writes it; any deviation from that form fails the test.
MacroText ParseMacroFile(const std::string& bytes) {
  MacroText macro;
  EXPECT_EQ(bytes.substr(0, 3), kBom) << "byte-order mark";
  std::vector<std::string> lines;
  size_t pos = 3;
  while (pos < bytes.size()) {
    const size_t end = bytes.find("\r\n", pos);
    if (end == std::string::npos) {
      ADD_FAILURE() << "the last line has no CR LF: " << bytes.substr(pos);
      break;
    }
    lines.push_back(bytes.substr(pos, end - pos));
    pos = end + 2;
  }
  if (lines.size() < 2) {
    ADD_FAILURE() << "no name and duration lines in:\n" << bytes;
    return macro;
  }
  EXPECT_EQ(lines[0].rfind("Name=", 0), 0u) << lines[0];
  macro.name = lines[0].substr(std::min<size_t>(5, lines[0].size()));
  EXPECT_EQ(std::sscanf(lines[1].c_str(), "DurationMs=%lld", &macro.durationMs), 1) << lines[1];
  for (size_t i = 2; i < lines.size(); ++i) {
    FileEvent e;
    char rest = 0;
    if (std::sscanf(lines[i].c_str(), "E=%lld|%d|%d|%d|%d%c", &e.deltaMs, &e.kind, &e.x, &e.y,
                    &e.button, &rest) != 5) {
      ADD_FAILURE() << "not an event line: " << lines[i];
      continue;
    }
    macro.events.push_back(e);
  }
  return macro;
}

std::string EventLine(long long deltaMs, int kind, POINT p, int button) {
  std::ostringstream out;
  out << "E=" << deltaMs << '|' << kind << '|' << p.x << '|' << p.y << '|' << button << "\r\n";
  return out.str();
}

// ---------------------------------------------------------------------------------------------

std::vector<std::wstring> ListItems(const Program& p) {
  return ListBoxItems(p.Control(ids::macroList));
}

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

bool IsTopMost(HWND hwnd) {
  return (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// ---------------------------------------------------------------------------------------------

class RecordingTest : public ProgramTest {
 protected:
  fs::path Folder() const { return fs::path(appData_.Path()) / L"JUX Zura Divudiv" / L"Macros"; }

  std::vector<fs::path> MacroFiles() const {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(Folder(), ec))
      if (e.is_regular_file() && e.path().extension() == ".juxmac") files.push_back(e.path());
    return files;
  }

  bool WaitForStatus(const std::wstring& status, Ms timeout = Ms{5000}) {
    return WaitUntil([&] { return App().Text(ids::statusLabel) == status; }, timeout);
  }

  TargetWindow target_{kTargetRect};
};

// Create, the start-macros hotkey, moves and a left click over the target, the stop hotkey:
// the file holds exactly that input, and playing it twice clicks twice where the click was.
TEST_F(RecordingTest, RecordsInjectedInputAndPlaysItBack) {
  const POINT p1 = target_.ToScreen({20, 30});
  const POINT p2 = target_.ToScreen({90, 50});
  const POINT clickClient{150, 80};
  const POINT p3 = target_.ToScreen(clickClient);
  // The recording starts from wherever the pointer is: somewhere that none of the points is.
  const POINT park = target_.ToScreen({280, 150});
  MoveTo(park);
  SetCursorPos(park.x, park.y);
  PumpFor(Ms{50});

  Start();
  App().Click(ids::macrosRadio);
  ASSERT_TRUE(App().Enabled(ids::createMacroButton));
  App().Click(ids::createMacroButton);
  EXPECT_EQ(App().Caption(), L"  Recording starts in 10...");
  EXPECT_TRUE(IsTopMost(App().MainWindow()));
  PressHotkey(kCtrlShift, 'R');
  ASSERT_TRUE(WaitForStatus(L"Recording macro...")) << Narrow(App().Text(ids::statusLabel));
  EXPECT_EQ(App().Caption(), L"  Recording... Press Shift+Ctrl+X to stop");
  target_.Clear();

  for (POINT p : {p1, p2, p3}) {
    MoveTo(p);
    PumpFor(Ms{30});
  }
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  PumpFor(Ms{30});
  SendMouse(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(WaitUntil([&] { return target_.Count(WM_LBUTTONUP) >= 1; }, Ms{3000}))
      << "the injected click did not reach the target" << Describe(target_.Events());
  ASSERT_EQ(target_.Presses(0), 1) << Describe(target_.Events());

  PressHotkey(kCtrlShift, 'X');
  ASSERT_TRUE(WaitUntil(
      [&] { return App().Text(ids::statusLabel).rfind(L"Macro saved: ", 0) == 0; }, Ms{5000}))
      << Narrow(App().Text(ids::statusLabel));
  EXPECT_EQ(App().Caption(), kCaption);
  EXPECT_FALSE(IsTopMost(App().MainWindow()));

  const std::vector<fs::path> files = MacroFiles();
  ASSERT_EQ(files.size(), 1u);
  const MacroText macro = ParseMacroFile(ReadBytes(files[0]));
  const std::vector<FileEvent> expectedEvents = {
      {0, 0, p1.x, p1.y, -1}, {0, 0, p2.x, p2.y, -1}, {0, 0, p3.x, p3.y, -1},
      {0, 1, p3.x, p3.y, 0},  {0, 2, p3.x, p3.y, 0},
  };
  std::vector<FileEvent> withoutTimes = macro.events;
  for (FileEvent& e : withoutTimes) e.deltaMs = 0;
  EXPECT_EQ(withoutTimes, expectedEvents);
  ASSERT_FALSE(macro.events.empty());
  // Offsets from the start of the recording, in the order of the input; the duration ends at
  // the last event.
  for (size_t i = 1; i < macro.events.size(); ++i)
    EXPECT_GE(macro.events[i].deltaMs, macro.events[i - 1].deltaMs) << i;
  EXPECT_GE(macro.events.front().deltaMs, 0);
  EXPECT_EQ(macro.durationMs, macro.events.back().deltaMs);
  // Each event has the time its hook saw it: the moves came 30 ms apart.
  ASSERT_EQ(macro.events.size(), expectedEvents.size());
  EXPECT_GE(macro.events[2].deltaMs - macro.events[0].deltaMs, 50);

  // Named after the time of the stop and the length; the file after the time alone.
  std::smatch m;
  ASSERT_TRUE(std::regex_match(
      macro.name, m, std::regex(R"((\d{4}-\d\d-\d\d) (\d\d\.\d\d\.\d\d) \((\d+)[.,](\d)s\))")))
      << macro.name;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%0.1f", static_cast<double>(macro.durationMs) / 1000.0);
  EXPECT_EQ(m[3].str() + "." + m[4].str(), seconds);
  EXPECT_EQ(files[0].filename().string(), m[1].str() + "_" + m[2].str() + ".juxmac");
  // The local time of the stop, give or take a minute.
  SYSTEMTIME stamp{};
  ASSERT_EQ(std::sscanf(macro.name.c_str(), "%4hu-%2hu-%2hu %2hu.%2hu.%2hu", &stamp.wYear,
                        &stamp.wMonth, &stamp.wDay, &stamp.wHour, &stamp.wMinute, &stamp.wSecond),
            6);
  SYSTEMTIME now{};
  GetLocalTime(&now);
  FILETIME stampFt{}, nowFt{};
  ASSERT_TRUE(SystemTimeToFileTime(&stamp, &stampFt)) << macro.name;
  ASSERT_TRUE(SystemTimeToFileTime(&now, &nowFt));
  const auto ticks = [](FILETIME f) {
    return static_cast<long long>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) |
                                  f.dwLowDateTime);
  };
  EXPECT_LT(std::llabs(ticks(nowFt) - ticks(stampFt)), 60LL * 10000000) << macro.name;

  const std::wstring name = Widen(macro.name);
  EXPECT_EQ(App().Text(ids::statusLabel),
            L"Macro saved: " + name + L". Recording stopped by hotkey.");
  EXPECT_EQ(ListItems(App()), std::vector<std::wstring>{name});
  EXPECT_EQ(Ask(App().Control(ids::macroList), LB_GETCURSEL), 0);

  // Played twice: two clicks at the recorded point.
  App().Click(ids::repeatCountRadio);
  App().SetText(ids::repeatCountEdit, L"2");
  MoveTo(park);
  PumpFor(Ms{50});
  target_.Clear();
  ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
  ASSERT_TRUE(WaitUntil([&] { return App().Enabled(ids::startButton); }, Ms{5000}));
  EXPECT_EQ(App().Text(ids::statusLabel), L"Completed macro repeat count. Runs done: 2");
  PumpFor(Ms{300});
  const std::vector<TargetWindow::Event> played = target_.Events();
  EXPECT_EQ(target_.Presses(0), 2) << Describe(played);
  EXPECT_EQ(target_.Count(WM_LBUTTONUP), 2) << Describe(played);
  EXPECT_EQ(played.size(), 4u) << Describe(played);
  for (const TargetWindow::Event& e : played) {
    EXPECT_EQ(e.client.x, clickClient.x) << MouseMessageName(e.message);
    EXPECT_EQ(e.client.y, clickClient.y) << MouseMessageName(e.message);
  }
  EXPECT_EQ(App().Caption(), kCaption);
}

// A playback "until stopped" of a drag, stopped while the button is down: the button is
// released, and nothing is sent after the stop.
enum class StopBy { Hotkey, Button };

void PrintTo(StopBy by, std::ostream* out) {
  *out << (by == StopBy::Hotkey ? "the stop hotkey" : "the Stop button");
}

class StopPlaybackTest : public RecordingTest, public testing::WithParamInterface<StopBy> {};

TEST_P(StopPlaybackTest, LeavesNoButtonPressed) {
  // Press at one point, then five seconds of small moves with the button held, then release.
  const POINT p = target_.ToScreen({150, 80});
  std::string text = std::string(kBom) + "Name=drag\r\nDurationMs=5100\r\n";
  text += EventLine(0, 0, p, -1);
  text += EventLine(50, 1, p, 0);
  for (int t = 100, i = 1; t <= 5000; t += 50, ++i) text += EventLine(t, 0, {p.x + i % 2, p.y}, -1);
  text += EventLine(5100, 2, p, 0);
  fs::create_directories(Folder());
  WriteBytes(Folder() / "drag.juxmac", text);
  WriteBytes(Folder().parent_path() / "settings.ini", "[Target]\r\nmode=2\r\n");

  Start();
  ASSERT_TRUE(App().Checked(ids::macrosRadio));
  ASSERT_TRUE(App().Checked(ids::untilStoppedRadio));
  ASSERT_EQ(ListItems(App()), std::vector<std::wstring>{L"drag"});
  target_.Clear();
  PressHotkey(kCtrlShift, 'S');
  ASSERT_TRUE(WaitUntil([&] { return target_.Count(WM_LBUTTONDOWN) == 1; }, Ms{5000}))
      << "status: " << Narrow(App().Text(ids::statusLabel)) << Describe(target_.Events());
  PumpFor(Ms{300});
  ASSERT_EQ(target_.Count(WM_LBUTTONUP), 0) << "still held" << Describe(target_.Events());

  const bool byHotkey = GetParam() == StopBy::Hotkey;
  if (byHotkey)
    PressHotkey(kCtrlShift, 'X');
  else
    App().Click(ids::stopButton);
  // The button is let go before the status line says that the playback has stopped: the
  // system's button state, which SendInput has updated by the time it returns, is read as soon
  // as the text is seen.
  const std::wstring stopped =
      byHotkey ? L"Stopped by hotkey. Runs done: 0" : L"Stopped by button. Runs done: 0";
  bool downWhenStopShown = false;
  ASSERT_TRUE(WaitUntil(
      [&] {
        if (App().Text(ids::statusLabel) != stopped) return false;
        downWhenStopShown = (GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0;
        return true;
      },
      Ms{5000}))
      << "status: " << Narrow(App().Text(ids::statusLabel)) << Describe(target_.Events());
  EXPECT_FALSE(downWhenStopShown) << "the status line told of the stop while the button was down";
  ASSERT_TRUE(WaitUntil([&] { return App().Enabled(ids::startButton); }, Ms{3000}));
  PumpFor(Ms{300});
  const int movesAtTheEnd = target_.MoveCount();
  const std::vector<TargetWindow::Event> events = target_.Events();
  ASSERT_EQ(events.size(), 2u) << Describe(events);
  EXPECT_EQ(events[0].message, static_cast<UINT>(WM_LBUTTONDOWN)) << Describe(events);
  EXPECT_EQ(events[1].message, static_cast<UINT>(WM_LBUTTONUP)) << Describe(events);
  EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0) << "the system still sees the button down";

  PumpFor(Ms{500});
  EXPECT_EQ(target_.MoveCount(), movesAtTheEnd) << "moves sent after the stop";
  EXPECT_EQ(App().Caption(), kCaption);
}

INSTANTIATE_TEST_SUITE_P(StopBy, StopPlaybackTest, testing::Values(StopBy::Hotkey, StopBy::Button),
                         [](const testing::TestParamInfo<StopBy>& p) {
                           return p.param == StopBy::Hotkey ? std::string("Hotkey")
                                                            : std::string("Button");
                         });

// ---------------------------------------------------------------------------------------------
// Nothing waits on the program's thread: during a long playback wait and a long hold the window
// answers, and the stop hotkey ends the run at once.

// Asks the window WM_NULL every 100 ms for `span`; returns the slowest answer in milliseconds,
// or a negative number when one did not come within a second.
double SlowestAnswer(HWND hwnd, Ms span) {
  double slowest = 0;
  const int64_t start = QpcNow();
  while (QpcMs(start, QpcNow()) < static_cast<double>(span.count())) {
    const int64_t asked = QpcNow();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result)) return -1;
    slowest = std::max(slowest, QpcMs(asked, QpcNow()));
    PumpFor(Ms{100});
  }
  return slowest;
}

// Presses the stop hotkey and returns the milliseconds until the button is up on the target
// and the status line reads `status`; negative when that does not happen within 3 s.
double StopByHotkey(const Program& app, const TargetWindow& target, const std::wstring& status) {
  const int64_t pressed = QpcNow();
  PressHotkey(kCtrlShift, 'X');
  if (!WaitUntil(
          [&] { return target.Count(WM_LBUTTONUP) == 1 && app.Text(ids::statusLabel) == status; },
          Ms{3000}))
    return -1;
  return QpcMs(pressed, QpcNow());
}

TEST_F(RecordingTest, APlaybackWaitKeepsTheWindowAnsweringAndTheStopEndsIt) {
  // A press, ten seconds of nothing, then the release and a move away.
  const POINT p = target_.ToScreen({150, 80});
  const POINT away = target_.ToScreen({30, 30});
  std::string text = std::string(kBom) + "Name=wait\r\nDurationMs=10100\r\n";
  text += EventLine(0, 0, p, -1) + EventLine(50, 1, p, 0) + EventLine(10050, 2, p, 0) +
          EventLine(10100, 0, away, -1);
  fs::create_directories(Folder());
  WriteBytes(Folder() / "wait.juxmac", text);
  WriteBytes(Folder().parent_path() / "settings.ini", "[Target]\r\nmode=2\r\n");

  Start();
  target_.Clear();
  PressHotkey(kCtrlShift, 'S');
  ASSERT_TRUE(WaitUntil([&] { return target_.Count(WM_LBUTTONDOWN) == 1; }, Ms{5000}))
      << Narrow(App().Text(ids::statusLabel)) << Describe(target_.Events());
  const int64_t pressedAt = QpcNow();
  const double slowest = SlowestAnswer(App().MainWindow(), Ms{2000});
  EXPECT_GE(slowest, 0) << "the window did not answer within 1 s during the wait";
  EXPECT_LT(slowest, 1000);
  ASSERT_EQ(target_.Count(WM_LBUTTONUP), 0) << "the wait is over too early";
  const int movesBefore = target_.MoveCount();

  const double took = StopByHotkey(App(), target_, L"Stopped by hotkey. Runs done: 0");
  EXPECT_GE(took, 0) << Narrow(App().Text(ids::statusLabel)) << Describe(target_.Events());
  EXPECT_LE(took, 600) << "the stop took " << took << " ms";
  std::printf("window's slowest answer during the wait: %.1f ms; stop hotkey to release: %.1f ms\n",
              slowest, took);
  // Past the end of the wait: the release and the move it was for never come.
  PumpFor(Ms{std::max<long long>(0, 10600 - static_cast<long long>(QpcMs(pressedAt, QpcNow())))});
  EXPECT_EQ(target_.Count(WM_LBUTTONUP), 1) << Describe(target_.Events());
  EXPECT_EQ(target_.MoveCount(), movesBefore) << "moves sent after the stop";
  EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0) << "the system still sees the button down";
}

TEST_F(RecordingTest, AHoldKeepsTheWindowAnsweringAndTheStopReleases) {
  const POINT p = target_.ToScreen({150, 80});
  Start();
  App().Click(ids::coordinatesRadio);
  App().SetText(ids::coordXEdit, std::to_wstring(p.x));
  App().SetText(ids::coordYEdit, std::to_wstring(p.y));
  App().SetText(ids::millisecondsEdit, L"100");
  App().SelectCombo(ids::clickTypeCombo, 2);  // Hold
  App().SetText(ids::holdEdit, L"5000");
  target_.Clear();
  PressHotkey(kCtrlShift, 'S');
  ASSERT_TRUE(WaitUntil([&] { return target_.Count(WM_LBUTTONDOWN) == 1; }, Ms{5000}))
      << Narrow(App().Text(ids::statusLabel)) << Describe(target_.Events());
  const double slowest = SlowestAnswer(App().MainWindow(), Ms{2000});
  EXPECT_GE(slowest, 0) << "the window did not answer within 1 s during the hold";
  EXPECT_LT(slowest, 1000);
  ASSERT_EQ(target_.Count(WM_LBUTTONUP), 0) << "the hold is over too early";

  const double took = StopByHotkey(App(), target_, L"Stopped by hotkey. Clicks done: 1");
  EXPECT_GE(took, 0) << Narrow(App().Text(ids::statusLabel)) << Describe(target_.Events());
  EXPECT_LE(took, 600) << "the stop took " << took << " ms";
  std::printf("window's slowest answer during the hold: %.1f ms; stop hotkey to release: %.1f ms\n",
              slowest, took);
  PumpFor(Ms{1000});
  EXPECT_EQ(target_.Presses(0), 1) << Describe(target_.Events());
  EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0) << "the system still sees the button down";
}

// ---------------------------------------------------------------------------------------------
// The wheel and the keyboard, and playback at another speed.

// A press or release of one key, as a keyboard delivers it.
void SendKey(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  if (SendInput(1, &in, sizeof in) != 1) throw HarnessError("the system refused a key");
}

// One notch of the wheel, away from the user.
void SendWheelNotch() {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = MOUSEEVENTF_WHEEL;
  in.mi.mouseData = WHEEL_DELTA;
  if (SendInput(1, &in, sizeof in) != 1) throw HarnessError("the system refused the wheel");
}

// "Keyboard" checked: a wheel notch over the target and two typed letters are recorded, the
// stop hotkey's keys are not, and the playback types the letters into the user's edit field.
TEST_F(RecordingTest, RecordsTheWheelAndKeysAndTypesThemBack) {
  const POINT over = target_.ToScreen({100, 60});
  const POINT park = target_.ToScreen({280, 150});
  MoveTo(park);
  PumpFor(Ms{50});

  Start();
  EXPECT_FALSE(App().Enabled(ids::recordKeysCheck));
  EXPECT_FALSE(App().Enabled(ids::speedEdit));
  App().Click(ids::macrosRadio);
  ASSERT_TRUE(App().Enabled(ids::recordKeysCheck));
  EXPECT_TRUE(App().Enabled(ids::speedEdit));
  EXPECT_EQ(App().Text(ids::recordKeysCheck), L"Keyboard");
  EXPECT_EQ(App().Text(ids::speedLabel), L"Speed %");
  EXPECT_EQ(App().Text(ids::speedEdit), L"100");
  ASSERT_FALSE(App().Checked(ids::recordKeysCheck));
  App().Click(ids::recordKeysCheck);
  App().Click(ids::createMacroButton);
  PressHotkey(kCtrlShift, 'R');
  ASSERT_TRUE(WaitForStatus(L"Recording macro...")) << Narrow(App().Text(ids::statusLabel));

  MoveTo(over);
  PumpFor(Ms{30});
  SendWheelNotch();
  PumpFor(Ms{30});
  for (WORD vk : {WORD{'Q'}, WORD{'W'}}) {
    SendKey(vk, false);
    PumpFor(Ms{30});
    SendKey(vk, true);
    PumpFor(Ms{30});
  }
  PressHotkey(kCtrlShift, 'X');
  ASSERT_TRUE(WaitUntil(
      [&] { return App().Text(ids::statusLabel).rfind(L"Macro saved: ", 0) == 0; }, Ms{5000}))
      << Narrow(App().Text(ids::statusLabel));

  const std::vector<fs::path> files = MacroFiles();
  ASSERT_EQ(files.size(), 1u);
  const std::string bytes = ReadBytes(files[0]);
  const MacroText macro = ParseMacroFile(bytes);
  std::vector<FileEvent> wheels;
  std::vector<std::pair<int, int>> keys;  // kind, virtual-key code
  for (const FileEvent& e : macro.events) {
    if (e.kind == 3) wheels.push_back(e);
    if (e.kind == 5 || e.kind == 6) keys.emplace_back(e.kind, e.button & 0xFF);
    EXPECT_TRUE(e.kind == 0 || e.kind == 3 || e.kind == 5 || e.kind == 6)
        << testing::PrintToString(e);
  }
  ASSERT_EQ(wheels.size(), 1u) << bytes;
  EXPECT_EQ(wheels[0].button, 120);
  EXPECT_EQ(wheels[0].x, over.x);
  EXPECT_EQ(wheels[0].y, over.y);
  // The letters, each with its scan code; nothing of the start or stop chord.
  EXPECT_EQ(keys, (std::vector<std::pair<int, int>>{{5, 'Q'}, {6, 'Q'}, {5, 'W'}, {6, 'W'}}))
      << bytes;
  for (const FileEvent& e : macro.events) {
    if (e.kind != 5 && e.kind != 6) continue;
    EXPECT_EQ((e.button >> 8) & 0xFF,
              static_cast<int>(MapVirtualKeyW(static_cast<UINT>(e.button & 0xFF), MAPVK_VK_TO_VSC)))
        << testing::PrintToString(e);
  }

  // Played once while the user's edit field has the focus: it receives the two letters.
  App().Click(ids::repeatCountRadio);
  App().SetText(ids::repeatCountEdit, L"1");
  UserWindow user;
  user.BringToFront();
  user.ClearTyped();
  PressHotkey(kCtrlShift, 'S');
  ASSERT_TRUE(WaitForStatus(L"Completed macro repeat count. Runs done: 1"))
      << Narrow(App().Text(ids::statusLabel));
  EXPECT_TRUE(WaitUntil([&] { return user.Typed() == L"qw"; }, Ms{2000}))
      << "typed: \"" << Narrow(user.Typed()) << "\"";
  for (int vk : {int{'Q'}, int{'W'}, VK_CONTROL, VK_SHIFT})
    EXPECT_EQ(GetAsyncKeyState(vk) & 0x8000, 0) << "key " << vk << " is still down";
}

// A click 2000 ms into a macro comes 1000 ms after Start at speed 200 and 4000 ms after it at
// speed 50; the speed is kept in the settings file.
TEST_F(RecordingTest, SpeedScalesTheWaitBeforeAClick) {
  const POINT p = target_.ToScreen({150, 80});
  std::string text = std::string(kBom) + "Name=later\r\nDurationMs=2010\r\n";
  text += EventLine(0, 0, p, -1) + EventLine(2000, 1, p, 0) + EventLine(2010, 2, p, 0);
  fs::create_directories(Folder());
  WriteBytes(Folder() / "later.juxmac", text);
  WriteBytes(Folder().parent_path() / "settings.ini",
             "[Target]\r\nmode=2\r\n[Repeat]\r\nuntilStopped=0\r\ncount=1\r\n");

  Start();
  ASSERT_EQ(ListItems(App()), std::vector<std::wstring>{L"later"});
  const struct {
    const wchar_t* speed;
    double clickMs;
  } cases[] = {{L"200", 1000}, {L"50", 4000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.speed));
    App().SetText(ids::speedEdit, c.speed);
    target_.Clear();
    const int64_t started = QpcNow();
    ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
    ASSERT_TRUE(WaitUntil([&] { return target_.Count(WM_LBUTTONDOWN) == 1; }, Ms{8000}))
        << Narrow(App().Text(ids::statusLabel)) << Describe(target_.Events());
    double at = -1;
    for (const TargetWindow::Event& e : target_.Events())
      if (e.message == WM_LBUTTONDOWN) at = QpcMs(started, e.qpc);
    std::printf("speed %ls%%: the click came %.1f ms after Start (recorded 2000 ms)\n", c.speed,
                at);
    EXPECT_GE(at, c.clickMs - 20);
    EXPECT_LE(at, c.clickMs + 250);
    ASSERT_TRUE(WaitForStatus(L"Completed macro repeat count. Runs done: 1"))
        << Narrow(App().Text(ids::statusLabel));
  }
  EXPECT_EQ(CloseProblem(App()), "");
  program_.reset();
  const std::string settings = ReadBytes(Folder().parent_path() / "settings.ini");
  EXPECT_NE(settings.find("speed=50"), std::string::npos) << settings;
  EXPECT_NE(settings.find("recordKeys=0"), std::string::npos) << settings;
}

}  // namespace
}  // namespace e2e
