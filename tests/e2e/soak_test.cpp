// A soak of the real program under Wine: hundreds of clicking runs, recordings and playbacks
// started and stopped at random moments (seeded; the seed is printed, and ZD_SOAK_SEED repeats a
// soak), then the window closed in the middle of a run and of a recording and the program started
// again on the same APPDATA. Afterwards the program must still answer, no mouse button may be
// left down, the settings file and every macro file must read back whole, and the program's
// handle count and memory must not have grown beyond a small bound since the warm-up.
//
// The program runs with Wine's heap checks, so that a use of freed memory shows as a crash. The
// whole soak takes about two minutes and a quarter: its cycles stop at a fixed time, and no step
// starts after a hard limit, so it never takes more than about four minutes. It prints the seed,
// the cycles of each kind and the program's handles and memory after the warm-up and at the end.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "harness.h"
#include "mainform/control_ids.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;
using Seconds = std::chrono::seconds;
using SteadyClock = std::chrono::steady_clock;

const std::wstring kCaption = L"  JUX Zura Divudiv 1.0";
constexpr UINT kCtrlShift = MOD_CONTROL | MOD_SHIFT;
constexpr char kBom[] = "\xEF\xBB\xBF";

// Top left of the screen: away from the program's window in the middle, its compact bar at the
// bottom right and the notification area that Wine shows in the top-left corner.
const RECT kTargetRect{40, 120, 340, 280};

// Cycles (warm-up included) are started until kCyclesFor has passed; the closing and restarting
// that follow take about ten seconds. No step starts after kHardLimit.
constexpr Seconds kCyclesFor{125};
constexpr Seconds kHardLimit{210};

// Growth allowed between the warm-up point and the end of the cycles. Every kind of cycle has
// run during the warm-up, so whatever the program creates once (the hook, the timers, the
// buffers of the macro list and of the recorder, Wine's own caches) already exists at the
// first reading. What grows legitimately afterwards is the macro library: a few hundred bytes
// per saved recording, 30 to 60 recordings a soak, and the heap's growth in whole blocks.
// Measured here under Wine over 260 to 400 cycles: handles +0, private memory +90 to +220 KiB,
// working set +280 to +810 KiB. A handle lost in every clicking run, recording or playback
// would add dozens; a few kilobytes lost per cycle would add a megabyte or more.
constexpr long long kHandleGrowthAllowed = 10;
constexpr long long kPrivateGrowthAllowed = 1 << 20;
constexpr long long kWorkingSetGrowthAllowed = 2 << 20;

// ---------------------------------------------------------------------------------------------
// Talking to the program and injecting input.

bool Answers(HWND hwnd) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, 5000, &result) !=
         0;
}

// BM_CLICK sent without waiting for the handler: the Start button's handler runs a playback to
// its end. `done` turns true once the handler has returned.
struct PendingClick {
  bool done = false;
};

void CALLBACK ClickReturned(HWND, UINT, ULONG_PTR data, LRESULT) noexcept {
  auto* held = reinterpret_cast<std::shared_ptr<PendingClick>*>(data);
  (*held)->done = true;
  delete held;
}

std::shared_ptr<PendingClick> ClickWithoutWaiting(HWND button) {
  auto pending = std::make_shared<PendingClick>();
  // Released by the callback; leaked (a few bytes) if the program ends first.
  auto* token = new std::shared_ptr<PendingClick>(pending);
  if (!SendMessageCallbackW(button, BM_CLICK, 0, 0, ClickReturned,
                            reinterpret_cast<ULONG_PTR>(token))) {
    delete token;
    throw HarnessError("BM_CLICK could not be sent");
  }
  return pending;
}

// Ctrl+Shift+key, all six key records in one SendInput call. Under Wine the modifiers that the
// driver injects are unknown to the X server, and whenever one of Wine's windows gets the X
// focus or the pointer (the program's window coming to the front, the pointer moved by a
// playback) Wine sets its key state back to the X server's, releasing them. Records sent one at
// a time a few milliseconds apart then often reach the hotkey check without their modifiers
// (22 of 40 stop hotkeys were lost during a fast playback); sent in one call they do not.
void PressChord(WORD key) {
  const WORD keys[] = {VK_CONTROL, VK_SHIFT, key};
  INPUT in[6] = {};
  for (size_t i = 0; i < 3; ++i) {
    in[i].type = INPUT_KEYBOARD;
    in[i].ki.wVk = keys[i];
    in[i].ki.wScan = static_cast<WORD>(MapVirtualKeyW(keys[i], MAPVK_VK_TO_VSC));
    in[5 - i] = in[i];
    in[5 - i].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  if (SendInput(6, in, sizeof(INPUT)) != 6) throw HarnessError("SendInput failed");
}

constexpr DWORD kDownFlag[3] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_RIGHTDOWN,
                                MOUSEEVENTF_MIDDLEDOWN};
constexpr DWORD kUpFlag[3] = {MOUSEEVENTF_LEFTUP, MOUSEEVENTF_RIGHTUP, MOUSEEVENTF_MIDDLEUP};
constexpr int kButtonVk[3] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
const char* const kButtonName[3] = {"left", "right", "middle"};

// ---------------------------------------------------------------------------------------------
// What the target window saw: presses and releases of each button, and whether they alternate.

struct Tally {
  std::array<int, 3> presses{};
  std::array<int, 3> releases{};
  int outOfOrder = 0;  // a press of a button that was down, or a release of one that was up
  std::set<UINT> others;

  bool Balanced() const { return presses == releases; }
  int Outstanding(int button) const {
    return presses[static_cast<size_t>(button)] - releases[static_cast<size_t>(button)];
  }
};

Tally TallyOf(const std::vector<TargetWindow::Event>& events) {
  Tally t;
  std::array<bool, 3> down{};
  for (const TargetWindow::Event& e : events) {
    int button = -1;
    bool press = false;
    switch (e.message) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        button = 0, press = true;
        break;
      case WM_RBUTTONDOWN:
      case WM_RBUTTONDBLCLK:
        button = 1, press = true;
        break;
      case WM_MBUTTONDOWN:
      case WM_MBUTTONDBLCLK:
        button = 2, press = true;
        break;
      case WM_LBUTTONUP:
        button = 0;
        break;
      case WM_RBUTTONUP:
        button = 1;
        break;
      case WM_MBUTTONUP:
        button = 2;
        break;
      default:
        t.others.insert(e.message);
        continue;
    }
    const size_t b = static_cast<size_t>(button);
    if (down[b] == press) ++t.outOfOrder;
    down[b] = press;
    ++(press ? t.presses : t.releases)[b];
  }
  return t;
}

std::string TallyText(const Tally& t) {
  std::string out;
  for (size_t b = 0; b < 3; ++b)
    out += std::string(" ") + kButtonName[b] + " " + std::to_string(t.presses[b]) + "/" +
           std::to_string(t.releases[b]);
  return "presses/releases:" + out + ", out of order " + std::to_string(t.outOfOrder);
}

// Buttons that the system reports down to the driver (GetAsyncKeyState), as names.
std::string ButtonsDownForTheSystem() {
  std::string down;
  for (size_t b = 0; b < 3; ++b)
    if (GetAsyncKeyState(kButtonVk[b]) & 0x8000)
      down += std::string(down.empty() ? "" : ", ") + kButtonName[b];
  return down;
}

// ---------------------------------------------------------------------------------------------
// Files written by the program, read back.

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw HarnessError("cannot read " + file.string());
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A whole 32-bit decimal integer: an optional minus sign and digits, nothing else.
bool ParseInt(std::string_view text, long long& value) {
  const bool negative = text.starts_with('-');
  if (negative) text.remove_prefix(1);
  if (text.empty() || text.size() > 10) return false;
  long long v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  v = negative ? -v : v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = v;
  return true;
}

// Lines ending in CR LF; a bare CR or LF, or a last line without its end, is a problem.
std::vector<std::string> CrLfLines(std::string_view text, std::vector<std::string>& problems) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const size_t end = text.find_first_of("\r\n");
    if (end == std::string_view::npos) {
      problems.push_back("the last line has no CR LF: \"" + std::string(text) + "\"");
      lines.emplace_back(text);
      break;
    }
    if (text.substr(end, 2) != "\r\n") {
      problems.push_back("a line ends in a bare " + std::string(text[end] == '\r' ? "CR" : "LF") +
                         ": \"" + std::string(text.substr(0, end)) + "\"");
    }
    lines.emplace_back(text.substr(0, end));
    text.remove_prefix(std::min(text.size(), end + (text.substr(end, 2) == "\r\n" ? 2 : 1)));
  }
  return lines;
}

// Checks a macro file as the recorder writes it: the byte-order mark, "Name=" with the time
// stamp and the length, "DurationMs=" equal to the last event's offset, and "E=" lines of five
// integers (offset, kind, x, y, button) with offsets that never go back, positions on the
// target, presses and releases that pair up; every line ends in CR LF. Returns the problems.
std::vector<std::string> MacroFileProblems(const fs::path& file, const RECT& screenArea) {
  std::vector<std::string> problems;
  const std::string bytes = ReadBytes(file);
  if (!bytes.starts_with(kBom)) problems.push_back("no byte-order mark");
  const std::vector<std::string> lines =
      CrLfLines(std::string_view(bytes).substr(bytes.starts_with(kBom) ? 3 : 0), problems);
  if (lines.size() < 3) {
    problems.push_back("fewer than three lines (name, duration, one event)");
    return problems;
  }
  static const std::regex kName(R"(Name=(\d{4}-\d\d-\d\d) (\d\d\.\d\d\.\d\d) \((\d+)[.,](\d)s\))");
  std::smatch name;
  if (!std::regex_match(lines[0], name, kName)) problems.push_back("name line: " + lines[0]);
  long long duration = -1;
  if (!lines[1].starts_with("DurationMs=") || !ParseInt(lines[1].substr(11), duration) ||
      duration < 0)
    problems.push_back("duration line: " + lines[1]);

  static const std::regex kFileName(R"((\d{4}-\d\d-\d\d)_(\d\d\.\d\d\.\d\d)(_\d+)?\.juxmac)");
  std::smatch fileName;
  const std::string leaf = file.filename().string();
  if (!std::regex_match(leaf, fileName, kFileName))
    problems.push_back("file name " + leaf);
  else if (!name.empty() && (fileName[1] != name[1] || fileName[2] != name[2]))
    problems.push_back("file name " + leaf + " and name line " + lines[0] + " disagree");

  long long previous = 0;
  std::array<bool, 3> down{};
  for (size_t i = 2; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    std::vector<long long> fields;
    if (line.starts_with("E=")) {
      std::string_view rest = std::string_view(line).substr(2);
      for (;;) {
        const size_t bar = rest.find('|');
        long long v = 0;
        if (!ParseInt(rest.substr(0, bar), v)) break;
        fields.push_back(v);
        if (bar == std::string_view::npos) break;
        rest.remove_prefix(bar + 1);
        if (fields.size() == 5) {
          fields.push_back(0);  // more than five fields
          break;
        }
      }
    }
    if (fields.size() != 5) {
      problems.push_back("not an event line of five integers: " + line);
      continue;
    }
    const long long offset = fields[0], kind = fields[1], x = fields[2], y = fields[3],
                    button = fields[4];
    if (offset < previous) problems.push_back("the offset goes back: " + line);
    previous = offset;
    if (x < screenArea.left || x >= screenArea.right || y < screenArea.top ||
        y >= screenArea.bottom)
      problems.push_back("a position off the target: " + line);
    if (kind == 0) {
      if (button != -1) problems.push_back("a movement with a button: " + line);
    } else if (kind == 1 || kind == 2) {
      if (button < 0 || button > 2) {
        problems.push_back("a press or release without a button: " + line);
      } else {
        const bool press = kind == 1;
        if (down[static_cast<size_t>(button)] == press)
          problems.push_back(std::string(press ? "a press of a button that is down: "
                                               : "a release of a button that is up: ") +
                             line);
        down[static_cast<size_t>(button)] = press;
      }
    } else {
      problems.push_back("an unknown kind: " + line);
    }
  }
  for (size_t b = 0; b < 3; ++b)
    if (down[b])
      problems.push_back(std::string("the ") + kButtonName[b] + " button is not released");
  if (duration >= 0 && duration != previous)
    problems.push_back("DurationMs=" + std::to_string(duration) + " but the last offset is " +
                       std::to_string(previous));
  if (!name.empty() && duration >= 0) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%0.1f", static_cast<double>(duration) / 1000.0);
    if (name[3].str() + "." + name[4].str() != seconds)
      problems.push_back("the name's length " + lines[0] + " is not " + seconds + " s");
  }
  return problems;
}

// The settings file as INI text (ANSI or UTF-16 with its mark), section -> key -> value, with
// the lines that are neither a section, a key nor blank as problems.
using IniFile = std::map<std::string, std::map<std::string, std::string>>;

IniFile ParseIni(const std::string& bytes, std::vector<std::string>& problems) {
  std::string text = bytes;
  if (bytes.starts_with("\xFF\xFE")) {
    std::wstring wide((bytes.size() - 2) / 2, L'\0');
    std::memcpy(wide.data(), bytes.data() + 2, wide.size() * 2);
    text = Narrow(wide);
  } else if (bytes.starts_with(kBom)) {
    text = bytes.substr(3);
  }
  IniFile ini;
  std::string section;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
      ini[section];
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos || section.empty()) {
      problems.push_back("not an INI line: \"" + line + "\"");
      continue;
    }
    const std::string key = line.substr(0, eq);
    if (ini[section].count(key)) problems.push_back("[" + section + "] " + key + " twice");
    ini[section][key] = line.substr(eq + 1);
  }
  return ini;
}

// ---------------------------------------------------------------------------------------------
// The controls as the soak last set them: the settings file must carry exactly these values,
// and a restarted program must show them again.

struct Controls {
  int mode = 0;  // 0 cursor position, 1 coordinates, 2 macros
  int x = 0;
  int y = 0;
  int millis = 100;
  bool jitter = false;
  int jitterMs = 0;
  bool untilStopped = true;
  int repeat = 100;
  int button = 0;
  int type = 0;
  int holdMs = 80;
  int delayS = 0;
};

// The handles a process holds, from the system's handle table (SystemExtendedHandleInformation).
// Under Wine GetProcessHandleCount answers 0 for every process; the table is filled.
long long HandlesInTable(DWORD pid) {
  struct Entry {
    PVOID object;
    ULONG_PTR process;
    ULONG_PTR handle;
    ULONG access;
    USHORT backTrace;
    USHORT type;
    ULONG attributes;
    ULONG reserved;
  };
  struct Table {
    ULONG_PTR count;
    ULONG_PTR reserved;
    Entry entries[1];
  };
  constexpr ULONG kExtendedHandleInformation = 64;
  constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
  using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  static const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    ULONG needed = 0;
    const LONG status = query(kExtendedHandleInformation, buffer.data(),
                              static_cast<ULONG>(buffer.size()), &needed);
    if (status == kLengthMismatch && buffer.size() < (64u << 20)) {
      buffer.resize(std::max<size_t>(buffer.size() * 2, needed));
      continue;
    }
    if (status != 0) return -1;
    break;
  }
  const auto* table = reinterpret_cast<const Table*>(buffer.data());
  long long n = 0;
  for (ULONG_PTR i = 0; i < table->count; ++i)
    if (table->entries[i].process == pid) ++n;
  return n;
}

// Process figures of the program.
struct Usage {
  long long handleCount = -1;   // GetProcessHandleCount
  long long tableHandles = -1;  // entries of the system's handle table
  long long pagefile = -1;      // PagefileUsage: the private memory committed
  long long workingSet = -1;

  // The count that the system really gives.
  long long Handles() const { return handleCount > 0 ? handleCount : tableHandles; }
};

Usage Measure(DWORD pid) {
  Usage u;
  UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) return u;
  DWORD handles = 0;
  if (GetProcessHandleCount(process.Get(), &handles)) u.handleCount = handles;
  u.tableHandles = HandlesInTable(pid);
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(process.Get(), &counters, sizeof counters)) {
    u.pagefile = static_cast<long long>(counters.PagefileUsage);
    u.workingSet = static_cast<long long>(counters.WorkingSetSize);
  }
  return u;
}

std::string Kib(long long bytes) {
  return std::to_string(bytes / 1024) + " KiB";
}

// Counts of what the soak did, printed at the end.
struct Figures {
  int clickRuns = 0;
  int clickStartedByButton = 0, clickStartedByHotkey = 0;
  int clickStoppedByButton = 0, clickStoppedByHotkey = 0;
  std::array<int, 3> clickTypes{};  // single, double, hold
  int holdStoppedMidHold = 0;
  int delayedRuns = 0, stoppedDuringDelay = 0;
  long long clickActions = 0;
  int recordingsSaved = 0, recordingsEmpty = 0, stopDuringCountdown = 0;
  int chordsRepeated = 0;  // hotkey chords pressed a second time (see PressChordUntil)
  int playbacks = 0;
  int playbackStartedByButton = 0, playbackStartedByHotkey = 0;
  int playbackStoppedByButton = 0, playbackStoppedByHotkey = 0, playbackCompleted = 0;
  int delayedPlaybacks = 0;
  long long playbackRuns = 0;
  int closes = 0;
  std::array<long long, 3> presses{};
  std::array<long long, 3> releases{};
  bool systemReportedAButtonDown = false;  // GetAsyncKeyState saw a held button at least once
  int releasesElsewhere = 0;               // releases of a clicking run away from its point
};

// ---------------------------------------------------------------------------------------------

class SoakTest : public testing::Test {
 protected:
  // Presses a hotkey chord and waits for its effect, pressing it once more when it does not come
  // within 1.5 s: under Wine an injected chord is now and then lost when one of Wine's windows
  // takes the pointer. The second press is counted and printed; a chord lost twice still fails.
  bool PressChordUntil(WORD key, const std::function<bool()>& done, Ms timeout = Ms{3000}) {
    PressChord(key);
    if (WaitUntil(done, Ms{1500})) return true;
    ++figures_.chordsRepeated;
    PressChord(key);
    return WaitUntil(done, timeout);
  }

  void TearDown() override {
    if (!program_) return;
    if (!program_->Running()) {
      ADD_FAILURE() << "the program ended, exit code " << program_->ExitCode();
    } else if (!program_->Close()) {
      ADD_FAILURE() << "the program did not end after WM_CLOSE and was killed";
    }
  }

  // Starts the program on the soak's APPDATA with Wine's heap checks (WINEDEBUG=warn+heap):
  // freed blocks are filled, so that a use after free ends the program with an access violation
  // instead of passing unseen. Windows ignores the variable. The driver's own value is put back
  // at once, so that programs started by later tests run as usual.
  void StartProgram() {
    wchar_t saved[512] = {};
    const DWORD n = GetEnvironmentVariableW(L"WINEDEBUG", saved, 512);
    SetEnvironmentVariableW(L"WINEDEBUG", L"-all,warn+heap");
    auto restore = [&] {
      SetEnvironmentVariableW(L"WINEDEBUG", n > 0 && n < 512 ? saved : nullptr);
    };
    try {
      program_.emplace(appData_.Path());
    } catch (...) {
      restore();
      throw;
    }
    restore();
  }

  Program& App() { return *program_; }
  double ElapsedS() const {
    return std::chrono::duration<double>(SteadyClock::now() - started_).count();
  }
  bool PastHardLimit() const { return SteadyClock::now() - started_ > kHardLimit; }
  int Cycles() const {
    return figures_.clickRuns + figures_.recordingsSaved + figures_.recordingsEmpty +
           figures_.playbacks;
  }
  int FailuresSoFar() const {
    return testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
  }

  int Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }
  POINT RandomTargetPoint() {
    return target_.ToScreen({Between(10, kTargetRect.right - kTargetRect.left - 10),
                             Between(10, kTargetRect.bottom - kTargetRect.top - 10)});
  }

  fs::path SettingsFolder() const { return fs::path(appData_.Path()) / L"JUX Zura Divudiv"; }
  fs::path MacroFolder() const { return SettingsFolder() / L"Macros"; }
  std::vector<fs::path> MacroFiles() const {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(MacroFolder(), ec))
      if (e.is_regular_file() && e.path().extension() == ".juxmac") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
  }
  int ListCount() { return static_cast<int>(Ask(App().Control(ids::macroList), LB_GETCOUNT)); }

  std::wstring Status() { return App().Text(ids::statusLabel); }

  // --- Setting the controls, only where they differ from what they are.

  void SetMode(int mode) {
    if (controls_.mode == mode) return;
    static const int radio[] = {ids::cursorPositionRadio, ids::coordinatesRadio, ids::macrosRadio};
    App().Click(radio[mode]);
    controls_.mode = mode;
  }
  void SetSpin(int id, int& field, int value) {
    if (field == value) return;
    App().SetText(id, std::to_wstring(value));
    field = value;
  }
  void SetCombo(int id, int& field, int value) {
    if (field == value) return;
    App().SelectCombo(id, value);
    field = value;
  }
  void SetUntilStopped(bool untilStopped) {
    if (controls_.untilStopped == untilStopped) return;
    App().Click(untilStopped ? ids::untilStoppedRadio : ids::repeatCountRadio);
    controls_.untilStopped = untilStopped;
  }
  void SetJitter(bool jitter) {
    if (controls_.jitter == jitter) return;
    App().Click(ids::jitterCheck);
    controls_.jitter = jitter;
  }

  // --- Watching the target.

  // Waits a little for input still on its way to the target, then takes what it saw since the
  // last call and adds it to the totals.
  Tally TakeTally(const std::function<bool(const Tally&)>& complete, Ms timeout = Ms{1500}) {
    WaitUntil([&] { return complete(TallyOf(target_.Events())); }, timeout);
    PumpFor(Ms{25});
    const std::vector<TargetWindow::Event> events = target_.Events();
    target_.Clear();
    const Tally t = TallyOf(events);
    for (size_t b = 0; b < 3; ++b) {
      figures_.presses[b] += t.presses[b];
      figures_.releases[b] += t.releases[b];
    }
    EXPECT_EQ(t.outOfOrder, 0) << TallyText(t) << e2e::Describe(events);
    EXPECT_TRUE(t.others.empty()) << "other buttons' messages" << e2e::Describe(events);
    lastEvents_ = events;
    return t;
  }

  void NoteSystemButtons(int button) {
    if (GetAsyncKeyState(kButtonVk[button]) & 0x8000) figures_.systemReportedAButtonDown = true;
  }

  void ExpectIdleAndWhole(const char* what) {
    EXPECT_EQ(App().Caption(), kCaption) << what << ": the window is back in its full form";
    EXPECT_TRUE(App().Enabled(ids::startButton)) << what;
    EXPECT_FALSE(App().Enabled(ids::stopButton)) << what;
    EXPECT_EQ(ButtonsDownForTheSystem(), "") << what << ": buttons the system still sees down";
  }

  // --- One clicking run: random button, click type, interval, jitter and start delay; started
  // and stopped by button or hotkey; a held click is mostly stopped while it is held.
  void ClickCycle() {
    SetMode(1);
    SetUntilStopped(true);
    const POINT point = RandomTargetPoint();
    SetSpin(ids::coordXEdit, controls_.x, point.x);
    SetSpin(ids::coordYEdit, controls_.y, point.y);
    const int button = Between(0, 2);
    const int type = Between(0, 2);
    SetCombo(ids::buttonCombo, controls_.button, button);
    SetCombo(ids::clickTypeCombo, controls_.type, type);
    if (type == 2) SetSpin(ids::holdEdit, controls_.holdMs, Between(20, 150));
    SetSpin(ids::millisecondsEdit, controls_.millis,
            Chance(0.3) ? Between(1, 20) : Between(20, 250));
    const bool jitter = Chance(0.3);
    SetJitter(jitter);
    if (jitter) SetSpin(ids::jitterEdit, controls_.jitterMs, Between(0, controls_.millis));
    const int delay = Chance(0.12) ? 1 : 0;
    SetSpin(ids::startDelayEdit, controls_.delayS, delay);
    const bool midHold = type == 2 && Chance(0.8);
    const bool duringDelay = delay == 1 && !midHold && Chance(0.5);
    const int runMs = delay == 0    ? Between(0, 200)
                      : duringDelay ? Between(50, 800)
                                    : Between(1100, 1400);
    const bool startByHotkey = Chance(0.5);
    const bool stopByHotkey = Chance(0.5);
    static const char* const kTypes[] = {"single", "double", "hold"};
    SCOPED_TRACE("cycle " + std::to_string(Cycles() + 1) + ": " + kButtonName[button] + " " +
                 kTypes[type] + (type == 2 ? " " + std::to_string(controls_.holdMs) + " ms" : "") +
                 " every " + std::to_string(controls_.millis) + " ms" +
                 (jitter ? " +/- " + std::to_string(controls_.jitterMs) + " ms" : "") + ", delay " +
                 std::to_string(delay) + " s, started by " + (startByHotkey ? "hotkey" : "button") +
                 ", stopped by " + (stopByHotkey ? "hotkey" : "button") +
                 (midHold ? " while held" : " after " + std::to_string(runMs) + " ms"));

    target_.Clear();
    if (startByHotkey) {
      ASSERT_TRUE(PressChordUntil('S', [&] { return App().Enabled(ids::stopButton); }))
          << "the start hotkey started no run; status " << Narrow(Status());
    } else {
      ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
    }
    EXPECT_EQ(Status(), L"Started");

    bool heldAtStop = false;
    if (midHold) {
      // Stop as soon as the target sees the button go down.
      WaitUntil([&] { return TallyOf(target_.Events()).Outstanding(button) > 0; },
                Ms{1500 + 1000 * delay + controls_.millis + controls_.jitterMs});
      heldAtStop = TallyOf(target_.Events()).Outstanding(button) > 0;
      if (heldAtStop) NoteSystemButtons(button);
    } else {
      PumpFor(Ms{runMs});
    }
    auto stopped = [&] { return App().Enabled(ids::startButton); };
    if (stopByHotkey)
      PressChordUntil('X', stopped);
    else
      App().Click(ids::stopButton);
    ASSERT_TRUE(WaitUntil(stopped, Ms{3000}))
        << "the run did not stop; status " << Narrow(Status());

    const std::wstring status = Status();
    const std::wstring prefix =
        stopByHotkey ? L"Stopped by hotkey. Clicks done: " : L"Stopped by button. Clicks done: ";
    long long done = -1;
    EXPECT_TRUE(status.starts_with(prefix) && ParseInt(Narrow(status.substr(prefix.size())), done))
        << Narrow(status);
    // Every action reached the target at the point asked for, each press with its release.
    const int perAction = type == 1 ? 2 : 1;
    const Tally t = TakeTally([&](const Tally& s) {
      return s.presses[static_cast<size_t>(button)] >= done * perAction && s.Balanced();
    });
    std::array<int, 3> expected{};
    expected[static_cast<size_t>(button)] = static_cast<int>(std::max(done, 0LL)) * perAction;
    EXPECT_EQ(t.presses, expected) << TallyText(t) << ", status " << Narrow(status);
    EXPECT_TRUE(t.Balanced()) << TallyText(t) << ", status " << Narrow(status);
    // Presses land on the point. A release comes where the pointer is at that moment: the
    // program sends it without a move, as a user's hand may have moved meanwhile. Under Wine the
    // driver's own X connection sometimes turns a stale pointer event into a move back to an
    // earlier point during a long hold, so releases are counted here, not placed.
    const POINT client{point.x - kTargetRect.left, point.y - kTargetRect.top};
    for (const TargetWindow::Event& e : lastEvents_) {
      const bool release =
          e.message == WM_LBUTTONUP || e.message == WM_RBUTTONUP || e.message == WM_MBUTTONUP;
      if (e.client.x == client.x && e.client.y == client.y) continue;
      if (release) {
        ++figures_.releasesElsewhere;
        continue;
      }
      ADD_FAILURE() << "a press off the point (" << client.x << ", " << client.y << ")"
                    << e2e::Describe(lastEvents_);
      break;
    }
    if (duringDelay) {
      EXPECT_EQ(done, 0) << "stopped during the delay";
    }
    ExpectIdleAndWhole("after a clicking run");

    ++figures_.clickRuns;
    ++(startByHotkey ? figures_.clickStartedByHotkey : figures_.clickStartedByButton);
    ++(stopByHotkey ? figures_.clickStoppedByHotkey : figures_.clickStoppedByButton);
    ++figures_.clickTypes[static_cast<size_t>(type)];
    if (heldAtStop) ++figures_.holdStoppedMidHold;
    if (delay) ++figures_.delayedRuns;
    if (duringDelay) ++figures_.stoppedDuringDelay;
    figures_.clickActions += std::max(done, 0LL);
  }

  // Moves over the target and, mostly, a press held for a while (with a move while it is held)
  // and released.
  void InjectRecordedInput() {
    const int moves = Between(2, 6);
    for (int i = 0; i < moves; ++i) {
      MoveTo(RandomTargetPoint());
      PumpFor(Ms{Between(15, 50)});
    }
    if (Chance(0.7)) {
      const int button = Between(0, 2);
      SendMouse(kDownFlag[button]);
      PumpFor(Ms{Between(30, 200)});
      if (Chance(0.5)) {
        MoveTo(RandomTargetPoint());
        PumpFor(Ms{Between(10, 40)});
      }
      SendMouse(kUpFlag[button]);
      PumpFor(Ms{Between(10, 40)});
    }
  }

  // Create, the start-macros hotkey (sometimes after a stop hotkey that the countdown ignores),
  // the recording with a little input or none, the stop hotkey.
  void RecordingCycle(bool empty) {
    SCOPED_TRACE("cycle " + std::to_string(Cycles() + 1) + ": recording" +
                 (empty ? " without input" : ""));
    SetMode(2);
    const size_t filesBefore = MacroFiles().size();
    const int listBefore = ListCount();
    App().Click(ids::createMacroButton);
    EXPECT_EQ(App().Caption(), L"  Recording starts in 10...");
    if (Chance(0.2)) {
      PressChord('X');
      PumpFor(Ms{30});
      EXPECT_TRUE(App().Caption().starts_with(L"  Recording starts in"))
          << "the stop hotkey ends no countdown: " << Narrow(App().Caption());
      ++figures_.stopDuringCountdown;
    }
    ASSERT_TRUE(PressChordUntil('R', [&] { return Status() == L"Recording macro..."; }))
        << Narrow(Status());
    if (!empty) InjectRecordedInput();
    ASSERT_TRUE(PressChordUntil('X', [&] { return Status() != L"Recording macro..."; }))
        << "the recording did not end";

    const std::wstring status = Status();
    if (empty) {
      EXPECT_EQ(status, L"Macro recording cancelled or empty.");
      EXPECT_EQ(MacroFiles().size(), filesBefore);
      EXPECT_EQ(ListCount(), listBefore);
      ++figures_.recordingsEmpty;
    } else {
      EXPECT_TRUE(status.starts_with(L"Macro saved: ") &&
                  status.ends_with(L"s). Recording stopped by hotkey."))
          << Narrow(status);
      EXPECT_EQ(MacroFiles().size(), filesBefore + 1);
      EXPECT_EQ(ListCount(), listBefore + 1);
      ++figures_.recordingsSaved;
    }
    const Tally t = TakeTally([](const Tally& s) { return s.Balanced(); });
    EXPECT_TRUE(t.Balanced()) << TallyText(t);
    ExpectIdleAndWhole("after a recording");
  }

  void SelectMacro(int index) {
    const HWND list = App().Control(ids::macroList);
    ASSERT_EQ(Ask(list, LB_SETCURSEL, static_cast<WPARAM>(index)), index);
    Ask(GetParent(list), WM_COMMAND, MAKEWPARAM(ids::macroList, LBN_SELCHANGE),
        reinterpret_cast<LPARAM>(list));
  }

  // A playback of a random macro, until stopped or a few times, with or without a start delay,
  // started and stopped by button or hotkey at a random moment.
  void PlaybackCycle() {
    SetMode(2);
    const int count = ListCount();
    if (count == 0) return RecordingCycle(false);
    const int index = Between(0, count - 1);
    SelectMacro(index);
    const bool untilStopped = Chance(0.7);
    SetUntilStopped(untilStopped);
    if (!untilStopped) SetSpin(ids::repeatCountEdit, controls_.repeat, Between(1, 3));
    const int delay = Chance(0.12) ? 1 : 0;
    SetSpin(ids::startDelayEdit, controls_.delayS, delay);
    const int runMs = Between(30, 600) + 1000 * delay;
    const bool startByHotkey = Chance(0.5);
    const bool stopByHotkey = Chance(0.5);
    SCOPED_TRACE(
        "cycle " + std::to_string(Cycles() + 1) + ": playback of macro " +
        std::to_string(index + 1) + " of " + std::to_string(count) +
        (untilStopped ? ", until stopped" : ", " + std::to_string(controls_.repeat) + " times") +
        ", delay " + std::to_string(delay) + " s, started by " +
        (startByHotkey ? "hotkey" : "button") + ", stopped by " +
        (stopByHotkey ? "hotkey" : "button") + " after " + std::to_string(runMs) + " ms");

    target_.Clear();
    std::shared_ptr<PendingClick> start;
    if (startByHotkey)
      PressChord('S');
    else
      start = ClickWithoutWaiting(App().Control(ids::startButton));
    // A stop that the program handles before the start would leave the playback running, so
    // the stop waits until the playback is seen: Stop enabled, or its first input on the target
    // (a short counted playback may have ended before Stop is seen enabled).
    ASSERT_TRUE(WaitUntil(
        [&] {
          return App().Enabled(ids::stopButton) || target_.MoveCount() > 0 ||
                 !target_.Events().empty() || (start && start->done);
        },
        Ms{3000}))
        << "the playback did not start; status " << Narrow(Status());
    PumpFor(Ms{runMs});
    auto ended = [&] { return App().Enabled(ids::startButton); };
    if (stopByHotkey)
      PressChordUntil('X', ended);
    else if (App().Enabled(ids::stopButton))
      App().Click(ids::stopButton);
    ASSERT_TRUE(WaitUntil(ended, Ms{3000}))
        << "the playback did not stop; status " << Narrow(Status());
    if (start) {
      EXPECT_TRUE(WaitUntil([&] { return start->done; }, Ms{3000}))
          << "the Start button's handler did not return after the playback ended";
    }

    const std::wstring status = Status();
    const std::wstring stopped =
        stopByHotkey ? L"Stopped by hotkey. Runs done: " : L"Stopped by button. Runs done: ";
    const std::wstring completed = L"Completed macro repeat count. Runs done: ";
    long long runs = -1;
    if (status.starts_with(stopped)) {
      EXPECT_TRUE(ParseInt(Narrow(status.substr(stopped.size())), runs)) << Narrow(status);
      // A stop handled right after the last run of a counted playback still counts that run.
      if (!untilStopped) {
        EXPECT_LE(runs, controls_.repeat) << Narrow(status);
      }
      ++(stopByHotkey ? figures_.playbackStoppedByHotkey : figures_.playbackStoppedByButton);
    } else if (!untilStopped && status.starts_with(completed)) {
      EXPECT_EQ(status, completed + std::to_wstring(controls_.repeat));
      runs = controls_.repeat;
      ++figures_.playbackCompleted;
    } else {
      ADD_FAILURE() << "status after a playback: " << Narrow(status);
    }
    const Tally t = TakeTally([](const Tally& s) { return s.Balanced(); });
    EXPECT_TRUE(t.Balanced()) << "a playback left a button down: " << TallyText(t);
    ExpectIdleAndWhole("after a playback");

    ++figures_.playbacks;
    ++(startByHotkey ? figures_.playbackStartedByHotkey : figures_.playbackStartedByButton);
    if (delay) ++figures_.delayedPlaybacks;
    figures_.playbackRuns += std::max(runs, 0LL);
  }

  void RandomCycle() {
    const int pick = Between(0, 99);
    if (pick < 62)
      ClickCycle();
    else if (pick < 80)
      RecordingCycle(Chance(0.25));
    else
      PlaybackCycle();
  }

  // --- Closing and starting again.

  // Every macro file reads back whole.
  void CheckMacroFiles(const char* when) {
    const std::vector<fs::path> files = MacroFiles();
    for (const fs::path& file : files) {
      const std::vector<std::string> problems = MacroFileProblems(file, kTargetRect);
      std::string all;
      for (const std::string& p : problems) all += "\n  " + p;
      EXPECT_TRUE(problems.empty()) << when << ": " << file.filename().string() << all;
    }
  }

  // The settings file holds every key once, with the values the controls had.
  void CheckSettingsFile(const char* when, int listCount) {
    const fs::path file = SettingsFolder() / L"settings.ini";
    ASSERT_TRUE(fs::exists(file)) << when;
    std::vector<std::string> problems;
    const IniFile ini = ParseIni(ReadBytes(file), problems);
    const Controls& c = controls_;
    const std::map<std::pair<std::string, std::string>, std::optional<long long>> expected = {
        {{"Target", "mode"}, c.mode},
        {{"Interval", "h"}, 0},
        {{"Interval", "m"}, 0},
        {{"Interval", "s"}, 0},
        {{"Interval", "ms"}, c.millis},
        {{"Interval", "jitterEnabled"}, c.jitter ? 1 : 0},
        {{"Interval", "jitterMs"}, c.jitterMs},
        {{"Repeat", "untilStopped"}, c.untilStopped ? 1 : 0},
        {{"Repeat", "count"}, c.repeat},
        {{"Click", "button"}, c.button},
        {{"Click", "type"}, c.type},
        {{"Click", "holdMs"}, c.holdMs},
        {{"UI", "topMost"}, 0},
        {{"UI", "minimizeOnStart"}, 0},
        {{"UI", "stopOnMouseMove"}, 1},
        {{"Delay", "startDelayS"}, c.delayS},
        {{"HotkeyStart", "vk"}, 'S'},
        {{"HotkeyStart", "mod"}, kCtrlShift},
        {{"HotkeyStop", "vk"}, 'X'},
        {{"HotkeyStop", "mod"}, kCtrlShift},
        {{"HotkeyStartMacros", "vk"}, 'R'},
        {{"HotkeyStartMacros", "mod"}, kCtrlShift},
        {{"Coords", "x"}, c.x},
        {{"Coords", "y"}, c.y},
        {{"Macros", "selected"}, std::nullopt},  // checked against the list below
        {{"Macros", "recordKeys"}, 0},
        {{"Macros", "speed"}, 100},
    };
    size_t keys = 0;
    for (const auto& [section, values] : ini) keys += values.size();
    if (keys != expected.size())
      problems.push_back(std::to_string(keys) + " keys instead of " +
                         std::to_string(expected.size()));
    for (const auto& [where, value] : expected) {
      const std::string name = "[" + where.first + "] " + where.second;
      const auto section = ini.find(where.first);
      if (section == ini.end() || !section->second.count(where.second)) {
        problems.push_back(name + " is missing");
        continue;
      }
      const std::string& text = section->second.at(where.second);
      long long v = 0;
      if (!ParseInt(text, v))
        problems.push_back(name + "=" + text + " is no integer");
      else if (value && v != *value)
        problems.push_back(name + "=" + text + " instead of " + std::to_string(*value));
      else if (!value && (v < -1 || v >= listCount))
        problems.push_back(name + "=" + text + " with " + std::to_string(listCount) + " macros");
    }
    std::string all;
    for (const std::string& p : problems) all += "\n  " + p;
    EXPECT_TRUE(problems.empty()) << when << ": settings.ini" << all;
  }

  long long SavedSelection() {
    std::vector<std::string> ignored;
    const IniFile ini = ParseIni(ReadBytes(SettingsFolder() / L"settings.ini"), ignored);
    long long v = -1;
    if (ini.count("Macros") && ini.at("Macros").count("selected"))
      ParseInt(ini.at("Macros").at("selected"), v);
    return v;
  }

  // WM_CLOSE, then the checks of what the program left: a clean end, every button released,
  // the settings file and the macro files whole.
  void CloseAndCheck(const char* when, int listCount) {
    ASSERT_TRUE(App().Close()) << when << ": the program did not end after WM_CLOSE";
    EXPECT_EQ(App().ExitCode(), 0u) << when << ": exit code";
    ++figures_.closes;
    const Tally t = TakeTally([](const Tally& s) { return s.Balanced(); });
    EXPECT_TRUE(t.Balanced()) << when << ": " << TallyText(t);
    EXPECT_EQ(ButtonsDownForTheSystem(), "") << when;
    CheckSettingsFile(when, listCount);
    CheckMacroFiles(when);
  }

  // Starts the program again on the same APPDATA: it shows the controls as they were, lists
  // every macro file and selects the saved one.
  void Restart(const char* when) {
    const long long selected = SavedSelection();
    program_.reset();
    StartProgram();
    EXPECT_EQ(App().Caption(), kCaption) << when;
    EXPECT_EQ(Status(), L"Ready") << when;
    static const int radio[] = {ids::cursorPositionRadio, ids::coordinatesRadio, ids::macrosRadio};
    for (int m = 0; m < 3; ++m) EXPECT_EQ(App().Checked(radio[m]), m == controls_.mode) << when;
    const std::pair<int, int> spins[] = {{ids::coordXEdit, controls_.x},
                                         {ids::coordYEdit, controls_.y},
                                         {ids::millisecondsEdit, controls_.millis},
                                         {ids::jitterEdit, controls_.jitterMs},
                                         {ids::repeatCountEdit, controls_.repeat},
                                         {ids::holdEdit, controls_.holdMs},
                                         {ids::startDelayEdit, controls_.delayS}};
    for (const auto& [id, value] : spins)
      EXPECT_EQ(App().Text(id), std::to_wstring(value)) << when << ", control " << id;
    EXPECT_EQ(App().Checked(ids::jitterCheck), controls_.jitter) << when;
    EXPECT_EQ(App().Checked(ids::untilStoppedRadio), controls_.untilStopped) << when;
    EXPECT_EQ(App().ComboIndex(ids::buttonCombo), controls_.button) << when;
    EXPECT_EQ(App().ComboIndex(ids::clickTypeCombo), controls_.type) << when;
    const int files = static_cast<int>(MacroFiles().size());
    EXPECT_EQ(ListCount(), files) << when << ": every macro file is listed";
    const LRESULT cursel = Ask(App().Control(ids::macroList), LB_GETCURSEL);
    EXPECT_EQ(cursel, selected >= 0 && selected < files ? selected : (files > 0 ? 0 : -1))
        << when << ": the saved selection";
  }

  // Closes the window while a held click is down.
  void CloseDuringHeldClick() {
    SetMode(1);
    SetUntilStopped(true);
    const int button = Between(0, 2);
    SetCombo(ids::buttonCombo, controls_.button, button);
    SetCombo(ids::clickTypeCombo, controls_.type, 2);
    SetSpin(ids::holdEdit, controls_.holdMs, 150);
    SetSpin(ids::millisecondsEdit, controls_.millis, 5);
    SetSpin(ids::startDelayEdit, controls_.delayS, 0);
    target_.Clear();
    ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
    ASSERT_TRUE(
        WaitUntil([&] { return TallyOf(target_.Events()).Outstanding(button) > 0; }, Ms{3000}));
    CloseAndCheck("closed during a held click", ListCount());
    Restart("after closing during a held click");
  }

  // Closes the window during a playback, started at once by the button or after the start
  // delay by the hotkey.
  void CloseDuringPlayback(bool afterDelay) {
    const char* when =
        afterDelay ? "closed during a playback after its delay" : "closed during a playback";
    SetMode(2);
    const int count = ListCount();
    ASSERT_GT(count, 0);
    SelectMacro(Between(0, count - 1));
    SetUntilStopped(true);
    SetSpin(ids::startDelayEdit, controls_.delayS, afterDelay ? 1 : 0);
    target_.Clear();
    if (afterDelay)
      PressChord('S');
    else
      ClickWithoutWaiting(App().Control(ids::startButton));
    PumpFor(Ms{(afterDelay ? 1000 : 0) + Between(200, 700)});
    ASSERT_TRUE(App().Enabled(ids::stopButton)) << when << ": the playback is running";
    CloseAndCheck(when, count);
    Restart(afterDelay ? "after closing during a playback after its delay"
                       : "after closing during a playback");
  }

  // Closes the window during a recording with input: the recording is saved.
  void CloseDuringRecording() {
    SetMode(2);
    const size_t filesBefore = MacroFiles().size();
    App().Click(ids::createMacroButton);
    PressChord('R');
    ASSERT_TRUE(WaitUntil([&] { return Status() == L"Recording macro..."; }, Ms{3000}))
        << Narrow(Status());
    InjectRecordedInput();
    const int count = ListCount();
    CloseAndCheck("closed during a recording", count + 1);
    EXPECT_EQ(MacroFiles().size(), filesBefore + 1) << "the recording is saved at closing";
    Restart("after closing during a recording");
  }

  std::mt19937 rng_;
  SteadyClock::time_point started_ = SteadyClock::now();
  TargetWindow target_{kTargetRect};
  TempDir appData_;
  std::optional<Program> program_;
  Controls controls_;
  Figures figures_;
  std::vector<TargetWindow::Event> lastEvents_;
};

TEST_F(SoakTest, RunsRecordingsAndPlaybacksLeaveNothingBehind) {
  unsigned seed = static_cast<unsigned>(std::random_device{}());
  if (const char* fixed = std::getenv("ZD_SOAK_SEED"))
    seed = static_cast<unsigned>(std::strtoul(fixed, nullptr, 0));
  rng_.seed(seed);
  std::printf("soak: seed %u (set ZD_SOAK_SEED=%u to repeat this soak)\n", seed, seed);
  std::fflush(stdout);

  StartProgram();
  // With the defaults, "Stop when I move the mouse" checked: no run may stop without a hand.
  ASSERT_TRUE(App().Checked(ids::stopOnMouseMoveCheck));

  // Warm-up: every kind of cycle, so that what the program creates once exists before the
  // first reading.
  const std::function<void()> warmUp[] = {[&] { ClickCycle(); }, [&] { RecordingCycle(false); },
                                          [&] { RecordingCycle(true); }, [&] { PlaybackCycle(); }};
  for (int round = 0; round < 3; ++round)
    for (const auto& cycle : warmUp) {
      cycle();
      ASSERT_FALSE(HasFatalFailure());
    }
  const int warmUpCycles = Cycles();
  PumpFor(Ms{500});
  const Usage before = Measure(App().ProcessId());

  // The soak proper, until its time is up; it gives up early when the checks keep failing.
  while (SteadyClock::now() - started_ < kCyclesFor && FailuresSoFar() < 20) {
    RandomCycle();
    ASSERT_FALSE(HasFatalFailure());
  }
  PumpFor(Ms{500});
  const Usage after = Measure(App().ProcessId());
  EXPECT_TRUE(Answers(App().MainWindow())) << "the program does not answer WM_NULL";
  const int cycles = Cycles();
  const double cyclesTook = ElapsedS();

  // Closing in the middle of things, and starting again on the same APPDATA; a clicking run
  // after each restart.
  const std::function<void()> closings[] = {
      [&] { CloseDuringHeldClick(); }, [&] { CloseDuringPlayback(false); },
      [&] { CloseDuringPlayback(true); }, [&] { CloseDuringRecording(); }};
  for (const auto& closing : closings) {
    ASSERT_FALSE(PastHardLimit()) << "the soak took too long";
    closing();
    ASSERT_FALSE(HasFatalFailure());
    ClickCycle();
    ASSERT_FALSE(HasFatalFailure());
  }
  const int restarts = figures_.closes;

  // The end: the program answers, no button is down, and what it writes at its end reads back.
  EXPECT_TRUE(Answers(App().MainWindow())) << "the program does not answer WM_NULL";
  CloseAndCheck("at the end", ListCount());
  program_.reset();
  for (size_t b = 0; b < 3; ++b)
    EXPECT_EQ(figures_.presses[b], figures_.releases[b])
        << "the target saw " << figures_.presses[b] << " presses and " << figures_.releases[b]
        << " releases of the " << kButtonName[b] << " button";

  const Figures& f = figures_;
  std::printf(
      "soak: %d cycles (%d of them warm-up) in %.0f s, then %d closes with restarts and %d more "
      "cycles; %.0f s in all\n",
      cycles, warmUpCycles, cyclesTook, restarts, Cycles() - cycles, ElapsedS());
  std::printf(
      "soak: clicking runs %d: started by button %d, by hotkey %d; stopped by button %d, by "
      "hotkey %d; single %d, double %d, hold %d (stopped while held %d); with a 1 s delay %d "
      "(stopped during it %d); %lld click actions\n",
      f.clickRuns, f.clickStartedByButton, f.clickStartedByHotkey, f.clickStoppedByButton,
      f.clickStoppedByHotkey, f.clickTypes[0], f.clickTypes[1], f.clickTypes[2],
      f.holdStoppedMidHold, f.delayedRuns, f.stoppedDuringDelay, f.clickActions);
  std::printf(
      "soak: recordings %d saved, %d empty (stop hotkey during the countdown %d); %zu macro "
      "files at the end\n",
      f.recordingsSaved, f.recordingsEmpty, f.stopDuringCountdown, MacroFiles().size());
  std::printf("soak: hotkey chords pressed a second time after a lost one: %d\n", f.chordsRepeated);
  std::printf(
      "soak: playbacks %d: started by button %d, by hotkey %d; stopped by button %d, by hotkey "
      "%d; completed their count %d; with a 1 s delay %d; %lld whole runs\n",
      f.playbacks, f.playbackStartedByButton, f.playbackStartedByHotkey, f.playbackStoppedByButton,
      f.playbackStoppedByHotkey, f.playbackCompleted, f.delayedPlaybacks, f.playbackRuns);
  std::printf(
      "soak: target saw presses/releases: left %lld/%lld, right %lld/%lld, middle %lld/%lld "
      "(%d releases of clicking runs away from their point); GetAsyncKeyState %s a held "
      "button\n",
      f.presses[0], f.releases[0], f.presses[1], f.releases[1], f.presses[2], f.releases[2],
      f.releasesElsewhere, f.systemReportedAButtonDown ? "reported" : "never reported");
  std::printf(
      "soak: program after the warm-up: %lld handles (GetProcessHandleCount %lld, handle table "
      "%lld), pagefile %s, working set %s\n",
      before.Handles(), before.handleCount, before.tableHandles, Kib(before.pagefile).c_str(),
      Kib(before.workingSet).c_str());
  std::printf(
      "soak: program after the cycles: %lld handles (GetProcessHandleCount %lld, handle table "
      "%lld), pagefile %s, working set %s\n",
      after.Handles(), after.handleCount, after.tableHandles, Kib(after.pagefile).c_str(),
      Kib(after.workingSet).c_str());
  std::fflush(stdout);

  ASSERT_GT(before.Handles(), 0) << "no handle count for the program";
  ASSERT_GT(after.Handles(), 0) << "no handle count for the program";
  ASSERT_GT(before.pagefile, 0) << "GetProcessMemoryInfo failed";
  ASSERT_GT(after.pagefile, 0) << "GetProcessMemoryInfo failed";
  EXPECT_LE(after.Handles() - before.Handles(), kHandleGrowthAllowed);
  EXPECT_LE(after.pagefile - before.pagefile, kPrivateGrowthAllowed);
  EXPECT_LE(after.workingSet - before.workingSet, kWorkingSetGrowthAllowed);
}

}  // namespace
}  // namespace e2e
