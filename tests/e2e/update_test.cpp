// The update gate of the real program under Wine, against a local stand-in for the maker's
// server: the new-version dialog's offers and outcomes, start-up without an offer, and the
// download with its progress bar that ends in the refusal of an unsigned updater.
//
// The server is update_server.py next to this file, run by the system's Python. Under Wine a
// Windows process can start a Linux program with CreateProcessW (the path is a Unix path), so
// each test starts its own server; the two sides share files: the folder the server serves, the
// file in which it reports its port, and the stop file that ends it (see the script). The
// program finds the server through the key `server` of section `Update` in the settings.ini of
// the APPDATA that the test gives it. Off Wine these tests are skipped.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr int kIdMessage = 201;
constexpr int kIdProgress = 202;
constexpr int kIdUpdateNow = 203;
constexpr int kIdCancel = 204;

const std::wstring kDialogClass = L"NewVersionDialog";
const std::wstring kMainClass = L"TFrmMain";
const std::wstring kDialogCaption = L" JUX Zura Divudiv";
const std::wstring kFailedText = L"Failed to download update. Please download manually on website.";
const std::wstring kUnsignedText =
    L"The downloaded file has no valid digital signature and was deleted.";
const std::wstring kCancelledText = L"Download is cancelled. Please download manually.";
const std::string kUserAgent = "Mozilla/4.0 (compatible; MyApp)";

constexpr char kVersionPath[] = "download/version/zivavavazezire-version.html";
constexpr char kChangesPath[] = "download/version/zivavavazezire-changes.html";
constexpr char kUpdaterPath[] = "download/zivavavazezire.exe";
// The changes file: CR LF line breaks and an empty line, which the dialog leaves out.
constexpr char kChanges[] = "Faster start\r\n\r\nFixed the tray icon\r\n";
const std::wstring kChangesShown = L"What's new:\r\nFaster start\r\nFixed the tray icon\r\n";

// ---------------------------------------------------------------------------------------------
// Paths between the two sides of Wine.

// The Unix path of a Windows path; nothing off Wine.
std::optional<std::string> UnixPath(const std::wstring& windowsPath) {
  using Fn = char*(CDECL*)(const wchar_t*);
  static const auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!fn) return std::nullopt;
  char* unix = fn(windowsPath.c_str());
  if (!unix) return std::nullopt;
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

// The Windows path of a Unix path; nothing off Wine.
std::optional<std::wstring> WindowsPath(const std::string& unixPath) {
  using Fn = wchar_t*(CDECL*)(const char*);
  static const auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (!fn) return std::nullopt;
  wchar_t* dos = fn(unixPath.c_str());
  if (!dos) return std::nullopt;
  std::wstring result = dos;
  HeapFree(GetProcessHeap(), 0, dos);
  return result;
}

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string EnvironmentValue(const wchar_t* name, const std::string& fallback) {
  wchar_t buffer[4096] = {};
  const DWORD n = GetEnvironmentVariableW(name, buffer, 4096);
  return n > 0 && n < 4096 ? Narrow(buffer) : fallback;
}

// The Unix side: Python and the server script (beside this source file, unless
// ZD_E2E_UPDATE_SERVER names it).
std::string PythonUnixPath() {
  return EnvironmentValue(L"ZD_E2E_PYTHON", "/usr/bin/python3");
}
std::string ServerScriptUnixPath() {
  return EnvironmentValue(L"ZD_E2E_UPDATE_SERVER",
                          fs::path(__FILE__).parent_path().generic_string() + "/update_server.py");
}

// Why these tests cannot run here, or empty when they can.
std::string MissingPrerequisite() {
  if (!UnixPath(L"C:\\")) return "not running under Wine";
  for (const std::string& unix : {PythonUnixPath(), ServerScriptUnixPath()}) {
    const std::optional<std::wstring> windows = WindowsPath(unix);
    if (!windows || !Exists(*windows)) return unix + " not found";
  }
  return {};
}

std::string ReadFileBytes(const std::wstring& path) {
  std::ifstream in(fs::path(path), std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(fs::path(path), std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out.flush()) throw HarnessError("cannot write " + Narrow(path));
}

std::wstring Join(const std::wstring& folder, const std::string& relative) {
  return (fs::path(folder) / fs::path(relative).make_preferred()).wstring();
}

// ---------------------------------------------------------------------------------------------
// The local server.

struct ServerOptions {
  // The updater is sent in blocks of this size with this pause after each (0: at once).
  int chunkBytes = 0;
  double chunkDelaySeconds = 0;
};

class LocalServer {
 public:
  static constexpr Ms kStartTimeout{15000};
  static constexpr Ms kStopTimeout{5000};

  LocalServer(const std::wstring& root, const std::wstring& portFile, ServerOptions options)
      : root_(root), portFile_(portFile) {
    const std::optional<std::string> unixRoot = UnixPath(root), unixPort = UnixPath(portFile);
    if (!unixRoot || !unixPort) throw HarnessError("no Unix path for the server's folder");
    std::string command = "\"" + PythonUnixPath() + "\" \"" + ServerScriptUnixPath() +
                          "\" --root \"" + *unixRoot + "\" --port-file \"" + *unixPort +
                          "\" --lifetime 600";
    if (options.chunkBytes > 0) {
      command += " --slow-path /" + std::string(kUpdaterPath) + " --chunk-bytes " +
                 std::to_string(options.chunkBytes) + " --chunk-delay " +
                 std::to_string(options.chunkDelaySeconds);
    }
    std::wstring commandLine = Widen(command);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // Wine runs a Unix program itself and hands back no handles for it: the server is watched
    // through its port file.
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
      throw HarnessError("cannot start the server: " + command);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
    std::string text;
    WaitUntil(
        [&] {
          text = ReadFileBytes(portFile_);
          return !text.empty();
        },
        kStartTimeout);
    port_ = std::atoi(text.c_str());
    if (port_ <= 0) throw HarnessError("the server did not report its port: " + command);
  }

  ~LocalServer() {
    try {
      Stop();
    } catch (...) {
    }
  }
  LocalServer(const LocalServer&) = delete;
  LocalServer& operator=(const LocalServer&) = delete;

  std::string Address() const { return "http://127.0.0.1:" + std::to_string(port_); }

  // Ends the server and waits until its port is closed.
  void Stop() {
    if (stopped_) return;
    stopped_ = true;
    WriteFileBytes(Join(root_, ".stop"), "");
    if (!WaitUntil([&] { return !Exists(portFile_); }, kStopTimeout))
      throw HarnessError("the server did not stop");
  }

  // The requests so far: "GET /path<TAB>User-Agent" each.
  std::vector<std::string> Requests() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadFileBytes(Join(root_, ".requests.log")));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

 private:
  std::wstring root_;
  std::wstring portFile_;
  int port_ = 0;
  bool stopped_ = false;
};

// ---------------------------------------------------------------------------------------------
// The program, started with its own APPDATA and temporary folder. Unlike the harness's Program
// it does not insist on a main window: the dialog may come first, or the process may end.

std::wstring EnvironmentBlock(const std::vector<std::pair<std::wstring, std::wstring>>& set) {
  std::vector<std::wstring> entries;
  auto nameOf = [](const std::wstring& entry) { return entry.substr(0, entry.find(L'=', 1)); };
  auto replaced = [&](const std::wstring& name) {
    return std::any_of(set.begin(), set.end(), [&](const auto& kv) {
      return CompareStringOrdinal(kv.first.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL;
    });
  };
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1)
      if (!replaced(nameOf(p))) entries.emplace_back(p);
    FreeEnvironmentStringsW(block);
  }
  for (const auto& [name, value] : set) entries.push_back(name + L"=" + value);
  std::sort(entries.begin(), entries.end(), [&](const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(nameOf(a).c_str(), -1, nameOf(b).c_str(), -1, TRUE) ==
           CSTR_LESS_THAN;
  });
  std::wstring result;
  for (const std::wstring& entry : entries) result += entry + L'\0';
  return result + L'\0';
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[256] = {};
  GetClassNameW(hwnd, name, 256);
  return name;
}

std::optional<std::wstring> TextOf(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length))
    return std::nullopt;
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_NORMAL, 5000, &copied))
    return std::nullopt;
  text.resize(std::min<size_t>(copied, length));
  return text;
}

std::wstring Text(HWND hwnd) {
  std::optional<std::wstring> text = TextOf(hwnd);
  if (!text) throw HarnessError("WM_GETTEXT got no answer");
  return *text;
}

struct Box {
  HWND hwnd = nullptr;
  HWND owner = nullptr;
  std::wstring caption;
  std::wstring text;
};

class Launched {
 public:
  static constexpr Ms kAppearTimeout{30000};

  Launched(const std::wstring& appData, const std::wstring& temp) {
    std::wstring environment =
        EnvironmentBlock({{L"APPDATA", appData}, {L"TEMP", temp}, {L"TMP", temp}});
    const std::wstring exe = ProgramPath();
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    start_ = QpcNow();
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, environment.data(),
                        fs::path(exe).parent_path().wstring().c_str(), &si, &pi))
      throw HarnessError("CreateProcessW failed for " + Narrow(exe));
    process_.Reset(pi.hProcess);
    CloseHandle(pi.hThread);
    pid_ = pi.dwProcessId;
  }
  ~Launched() {
    if (Running()) {
      TerminateProcess(process_.Get(), 0xDEAD);
      WaitForSingleObject(process_.Get(), 5000);
    }
  }
  Launched(const Launched&) = delete;
  Launched& operator=(const Launched&) = delete;

  int64_t StartQpc() const { return start_; }
  bool Running() const { return WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }
  DWORD ExitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.Get(), &code);
    return code;
  }
  bool WaitForExit(Ms timeout) const {
    return WaitUntil([&] { return !Running(); }, timeout);
  }

  // A visible top-level window of the process with this class.
  HWND Find(const std::wstring& cls) const {
    struct Search {
      DWORD pid;
      const std::wstring* cls;
      HWND found;
    } search{pid_, &cls, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
          auto* s = reinterpret_cast<Search*>(lp);
          DWORD pid = 0;
          GetWindowThreadProcessId(hwnd, &pid);
          if (pid != s->pid || !IsWindowVisible(hwnd) || ClassOf(hwnd) != *s->cls) return TRUE;
          s->found = hwnd;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  // Waits for the first of: the dialog, the main window, the end of the process.
  enum class First { Dialog, MainWindow, Ended, Nothing };
  First WaitForFirst(Ms timeout = kAppearTimeout) {
    First first = First::Nothing;
    WaitUntil(
        [&] {
          if (HWND dialog = Find(kDialogClass)) {
            dialog_ = dialog;
            first = First::Dialog;
          } else if (HWND main = Find(kMainClass)) {
            main_ = main;
            first = First::MainWindow;
          } else if (!Running()) {
            first = First::Ended;
          }
          return first != First::Nothing;
        },
        timeout);
    return first;
  }

  HWND Dialog() const { return dialog_; }
  HWND MainWindow() const { return main_; }

  // Watches until the process ends, or `timeout` passes; returns whether it ended, and
  // remembers a main window that appeared meanwhile.
  bool WatchUntilExit(Ms timeout) {
    return WaitUntil(
        [&] {
          if (HWND main = Find(kMainClass)) main_ = main;
          return !Running();
        },
        timeout);
  }

  HWND Control(HWND window, int id) const {
    HWND control = GetDlgItem(window, id);
    if (!control) throw HarnessError("no control with ID " + std::to_string(id));
    return control;
  }

  // The first visible message box of the process.
  std::optional<Box> FindBox() const {
    HWND hwnd = Find(L"#32770");
    if (!hwnd) return std::nullopt;
    Box box;
    box.hwnd = hwnd;
    box.owner = GetWindow(hwnd, GW_OWNER);
    box.caption = TextOf(hwnd).value_or(L"");
    EnumChildWindows(
        hwnd,
        [](HWND child, LPARAM lp) -> BOOL {
          auto* b = reinterpret_cast<Box*>(lp);
          if (_wcsicmp(ClassOf(child).c_str(), L"Static") == 0 &&
              (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
            b->text += TextOf(child).value_or(L"");
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&box));
    return box;
  }

 private:
  UniqueHandle process_;
  DWORD pid_ = 0;
  int64_t start_ = 0;
  HWND dialog_ = nullptr;
  HWND main_ = nullptr;
};

void PostClick(HWND button) {
  // Posted: the click's handler may run for long (the download) or open a message box.
  PostMessageW(button, BM_CLICK, 0, 0);
}

// ---------------------------------------------------------------------------------------------

class UpdateGateTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::string missing = MissingPrerequisite();
    if (!missing.empty()) GTEST_SKIP() << missing;
  }

  std::wstring AppData() const { return appData_.Path(); }
  std::wstring Temp() const { return temp_.Path(); }
  std::wstring SettingsFile() const {
    return Join(appData_.Path(), "JUX Zura Divudiv/settings.ini");
  }

  // Serves the version file (and the changes file, when given).
  void Serve(const std::string& versionFile, const std::optional<std::string>& changes = kChanges) {
    WriteFileBytes(Join(serverRoot_.Path(), kVersionPath), versionFile);
    if (changes) WriteFileBytes(Join(serverRoot_.Path(), kChangesPath), *changes);
  }
  void ServeUpdater(const std::string& bytes) {
    WriteFileBytes(Join(serverRoot_.Path(), kUpdaterPath), bytes);
  }

  LocalServer& StartServer(ServerOptions options = {}) {
    server_.emplace(serverRoot_.Path(), Join(serverFiles_.Path(), "port"), options);
    return *server_;
  }

  // settings.ini with only the server's address, as a user or an administrator would write it.
  void WriteSettings(const std::string& server) {
    WriteFileBytes(SettingsFile(), "[Update]\r\nserver=" + server + "\r\n");
  }

  // Starts the program and waits for the new-version dialog.
  Launched& StartExpectingDialog() {
    program_.emplace(AppData(), Temp());
    const Launched::First first = program_->WaitForFirst();
    if (first != Launched::First::Dialog)
      throw HarnessError(first == Launched::First::MainWindow ? "the main window came instead"
                         : first == Launched::First::Ended
                             ? "the program ended, exit code " +
                                   std::to_string(program_->ExitCode())
                             : "nothing appeared");
    return *program_;
  }

  TempDir appData_;
  TempDir temp_;
  TempDir serverRoot_;
  TempDir serverFiles_;
  std::optional<LocalServer> server_;
  std::optional<Launched> program_;
};

// ---------------------------------------------------------------------------------------------
// The offers and what the buttons and the close box do with them.

struct OfferCase {
  const char* name;
  const char* versionLine;
  std::wstring headline;
  std::wstring cancelCaption;
  enum class Action { CancelButton, CloseBox, Escape } action;
  bool mainWindowFollows;
};

void PrintTo(const OfferCase& c, std::ostream* os) {
  *os << c.name;
}

class OfferTest : public UpdateGateTest, public testing::WithParamInterface<OfferCase> {};

TEST_P(OfferTest, DialogShowsTheOfferAndItsOutcomeFollows) {
  const OfferCase& c = GetParam();
  Serve(std::string(c.versionLine) + "\r\n");
  WriteSettings(StartServer().Address());
  const std::string settingsBefore = ReadFileBytes(SettingsFile());

  Launched& app = StartExpectingDialog();
  const HWND dialog = app.Dialog();
  EXPECT_EQ(Text(dialog), kDialogCaption);
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr) << "the dialog has no owner";
  EXPECT_EQ(Text(app.Control(dialog, kIdMessage)), c.headline + L"\r\n\r\n" + kChangesShown);
  EXPECT_EQ(Text(app.Control(dialog, kIdUpdateNow)), L"Update Now");
  EXPECT_EQ(Text(app.Control(dialog, kIdCancel)), c.cancelCaption);
  EXPECT_TRUE(IsWindowEnabled(app.Control(dialog, kIdUpdateNow)));
  const HWND bar = app.Control(dialog, kIdProgress);
  EXPECT_EQ(_wcsicmp(ClassOf(bar).c_str(), PROGRESS_CLASSW), 0) << Narrow(ClassOf(bar));
  EXPECT_FALSE(IsWindowVisible(bar)) << "the progress bar is hidden until a download starts";

  // Fixed size: the client area is 411 x 172 at 96 DPI, scaled to the window's DPI.
  const UINT dpi = GetDpiForWindow(dialog);
  ASSERT_GT(dpi, 0u);
  RECT client{};
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, MulDiv(411, static_cast<int>(dpi), 96)) << "DPI " << dpi;
  EXPECT_EQ(client.bottom, MulDiv(172, static_cast<int>(dpi), 96)) << "DPI " << dpi;
  const LONG style = GetWindowLongW(dialog, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU) << "close box";
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

  // Both files were asked for, with the program's User-Agent.
  const std::vector<std::string> requests = server_->Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], "GET /" + std::string(kVersionPath) + "\t" + kUserAgent);
  EXPECT_EQ(requests[1], "GET /" + std::string(kChangesPath) + "\t" + kUserAgent);

  switch (c.action) {
    case OfferCase::Action::CancelButton:
      PostClick(app.Control(dialog, kIdCancel));
      break;
    case OfferCase::Action::CloseBox:
      PostMessageW(dialog, WM_CLOSE, 0, 0);
      break;
    case OfferCase::Action::Escape:
      // Esc, as the dialog's keyboard handling turns it into a command.
      PostMessageW(app.Control(dialog, kIdUpdateNow), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
      break;
  }

  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, Ms{10000}))
      << "the dialog closes";
  if (c.mainWindowFollows) {
    ASSERT_EQ(app.WaitForFirst(), Launched::First::MainWindow);
    EXPECT_FALSE(IsWindow(dialog)) << "the dialog is destroyed before the main window comes";
    // A normal end: the settings are written, and the server's key stays.
    PostMessageW(app.MainWindow(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(app.WaitForExit(Ms{10000}));
    EXPECT_EQ(app.ExitCode(), 0u);
    const std::string settings = ReadFileBytes(SettingsFile());
    EXPECT_NE(settings, settingsBefore) << "the main window saves its settings at the end";
    EXPECT_NE(settings.find("server=" + server_->Address()), std::string::npos) << settings;
  } else {
    ASSERT_TRUE(app.WatchUntilExit(Ms{10000})) << "the process ends after the dialog";
    EXPECT_EQ(app.MainWindow(), nullptr) << "no main window was created";
    EXPECT_EQ(app.ExitCode(), 0u);
    EXPECT_EQ(ReadFileBytes(SettingsFile()), settingsBefore) << "no settings were written";
  }
}

const std::wstring kOptional = L"The new version 1.1 is available";
const std::wstring kMandatory =
    L"This version of the software is out of date. You must download the current version 1.2 "
    L"to continue using the software.";

INSTANTIATE_TEST_SUITE_P(UpdateGate, OfferTest,
                         testing::Values(OfferCase{"OptionalSkip", "11/10", kOptional, L"Skip",
                                                   OfferCase::Action::CancelButton, true},
                                         OfferCase{"OptionalCloseBox", "11/10", kOptional, L"Skip",
                                                   OfferCase::Action::CloseBox, true},
                                         OfferCase{"MandatoryExit", "12/11", kMandatory, L"Exit",
                                                   OfferCase::Action::CancelButton, false},
                                         OfferCase{"MandatoryEscape", "12/11", kMandatory, L"Exit",
                                                   OfferCase::Action::Escape, false}),
                         [](const testing::TestParamInfo<OfferCase>& p) {
                           return std::string(p.param.name);
                         });

// ---------------------------------------------------------------------------------------------
// No offer: the main window comes at once. How long start-up took is printed.

struct NoOfferCase {
  const char* name;
  bool stopServer;
};

void PrintTo(const NoOfferCase& c, std::ostream* os) {
  *os << c.name;
}

class NoOfferTest : public UpdateGateTest, public testing::WithParamInterface<NoOfferCase> {};

TEST_P(NoOfferTest, MainWindowOpensWithoutDialog) {
  Serve("10/10\r\n");
  LocalServer& server = StartServer();
  WriteSettings(server.Address());
  if (GetParam().stopServer) server.Stop();

  program_.emplace(AppData(), Temp());
  ASSERT_EQ(program_->WaitForFirst(), Launched::First::MainWindow);
  const double startupMs = QpcMs(program_->StartQpc(), QpcNow());
  std::printf("[ startup  ] %s: main window after %.0f ms\n", GetParam().name, startupMs);
  EXPECT_EQ(program_->Find(kDialogClass), nullptr);
  // A current version asks for both files; a stopped server answers nothing, and must not
  // hold start-up up (it refuses the connection at once).
  if (!GetParam().stopServer) {
    EXPECT_EQ(server.Requests().size(), 2u);
  }
  EXPECT_LT(startupMs, 10000.0);

  PostMessageW(program_->MainWindow(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(program_->WaitForExit(Ms{10000}));
}

INSTANTIATE_TEST_SUITE_P(UpdateGate, NoOfferTest,
                         testing::Values(NoOfferCase{"Current_10_10", false},
                                         NoOfferCase{"StoppedServer", true}),
                         [](const testing::TestParamInfo<NoOfferCase>& p) {
                           return std::string(p.param.name);
                         });

// ---------------------------------------------------------------------------------------------
// The download. The server sends the updater slowly; the updater is a copy of the program
// itself, an unsigned program, which must not be started.

class DownloadTest : public UpdateGateTest {
 protected:
  static constexpr int kChunkBytes = 32 * 1024;
  static constexpr double kChunkDelay = 0.06;

  void SetUp() override {
    UpdateGateTest::SetUp();
    if (IsSkipped()) return;
    updater_ = ReadFileBytes(ProgramPath());
    ASSERT_GT(updater_.size(), 10u * kChunkBytes) << "the download must take a while";
    Serve("11/10\r\n");
    ServeUpdater(updater_);
    WriteSettings(StartServer({kChunkBytes, kChunkDelay}).Address());
  }

  std::wstring DownloadedFile() const { return Join(Temp(), "jux_update.exe"); }

  // Watches the progress bar until a message box appears; returns the positions seen.
  std::vector<int> WatchProgress(Launched& app, HWND dialog, Ms timeout = Ms{60000}) {
    std::vector<int> positions;
    const HWND bar = app.Control(dialog, kIdProgress);
    WaitUntil(
        [&] {
          if (app.FindBox() || !app.Running()) return true;
          DWORD_PTR position = 0;
          if (IsWindowVisible(bar) &&
              SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 1000, &position) &&
              (positions.empty() || positions.back() != static_cast<int>(position)))
            positions.push_back(static_cast<int>(position));
          return false;
        },
        timeout);
    return positions;
  }

  static std::string Describe(const std::vector<int>& positions) {
    std::string text;
    for (int p : positions) text += std::to_string(p) + " ";
    return text;
  }

  // The failure box: owned by the dialog, the fixed text first; answered with OK. Then the
  // process ends without a main window.
  void ExpectFailureBoxAndEnd(Launched& app, HWND dialog, const std::wstring& reason) {
    std::optional<Box> box;
    ASSERT_TRUE(WaitUntil([&] { return (box = app.FindBox()).has_value(); }, Ms{10000}));
    EXPECT_EQ(box->owner, dialog);
    EXPECT_EQ(box->caption, L"JUX Zura Divudiv");
    EXPECT_EQ(box->text.rfind(kFailedText + L"\r\n\r\n", 0), 0u) << Narrow(box->text);
    EXPECT_NE(box->text.find(reason), std::wstring::npos) << Narrow(box->text);
    EXPECT_TRUE(IsWindow(dialog)) << "the dialog stays until the box is answered";
    PostClick(GetDlgItem(box->hwnd, IDOK));
    ASSERT_TRUE(app.WatchUntilExit(Ms{15000})) << "the process ends after the failure";
    EXPECT_EQ(app.MainWindow(), nullptr) << "no main window was created";
    EXPECT_EQ(app.ExitCode(), 0u);
  }

  std::string updater_;
};

TEST_F(DownloadTest, UpdateNowShowsProgressAndRefusesTheUnsignedUpdater) {
  Launched& app = StartExpectingDialog();
  const HWND dialog = app.Dialog();
  PostClick(app.Control(dialog, kIdUpdateNow));

  // The dialog during the download: Abort, Update Now disabled, the bar visible.
  ASSERT_TRUE(
      WaitUntil([&] { return IsWindowVisible(app.Control(dialog, kIdProgress)); }, Ms{10000}));
  EXPECT_EQ(Text(app.Control(dialog, kIdCancel)), L"Abort");
  EXPECT_FALSE(IsWindowEnabled(app.Control(dialog, kIdUpdateNow)));

  const std::vector<int> positions = WatchProgress(app, dialog);
  std::printf("[ progress ] positions seen: %s\n", Describe(positions).c_str());
  // The bar moved through several positions, forwards only, while the data came in.
  int between = 0;
  for (int p : positions) between += p > 0 && p < 100 ? 1 : 0;
  EXPECT_GE(between, 3) << Describe(positions);
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end())) << Describe(positions);

  const std::vector<std::string> requests = server_->Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[2], "GET /" + std::string(kUpdaterPath) + "\t" + kUserAgent);

  ExpectFailureBoxAndEnd(app, dialog, kUnsignedText);
  EXPECT_FALSE(Exists(DownloadedFile())) << "the refused updater is deleted";
}

TEST_F(DownloadTest, CloseWaitsForTheDownloadAndAbortCancelsIt) {
  Launched& app = StartExpectingDialog();
  const HWND dialog = app.Dialog();
  const HWND bar = app.Control(dialog, kIdProgress);
  PostClick(app.Control(dialog, kIdUpdateNow));
  auto position = [&] {
    DWORD_PTR p = 0;
    SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 1000, &p);
    return static_cast<int>(p);
  };
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(bar) && position() > 0; }, Ms{10000}));

  // The close box during the download: the dialog stays and the download goes on.
  PostMessageW(dialog, WM_CLOSE, 0, 0);
  const int before = position();
  ASSERT_TRUE(WaitUntil([&] { return position() > before; }, Ms{10000}))
      << "the download goes on after the close box, at " << before;
  EXPECT_TRUE(IsWindowVisible(dialog));

  // Abort: the download ends at its next block, with the cancellation as the reason.
  PostClick(app.Control(dialog, kIdCancel));
  ExpectFailureBoxAndEnd(app, dialog, kCancelledText);
}

}  // namespace
}  // namespace e2e
