#include "harness.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>

namespace e2e {

namespace {

std::wstring g_programPath;

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[256] = {};
  GetClassNameW(hwnd, name, 256);
  return name;
}

DWORD PidOf(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> result;
  EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&result));
  return result;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> result;
  EnumChildWindows(
      parent,
      [](HWND hwnd, LPARAM lp) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&result));
  return result;
}

// Reads a window's text with time-limited messages (works across processes); nothing when the
// window does not answer in time or has gone.
std::optional<std::wstring> TryWindowText(HWND hwnd, Ms timeout) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL,
                           static_cast<UINT>(timeout.count()), &length))
    return std::nullopt;
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_NORMAL, static_cast<UINT>(timeout.count()), &copied))
    return std::nullopt;
  text.resize(std::min<size_t>(copied, length));
  return text;
}

std::wstring WindowText(HWND hwnd, Ms timeout) {
  std::optional<std::wstring> text = TryWindowText(hwnd, timeout);
  if (!text) throw HarnessError("WM_GETTEXT got no answer");
  return *text;
}

std::wstring BuildEnvironment(const std::wstring& appData) {
  // Copy our own environment, with APPDATA replaced; the block is sorted by name, ignoring case,
  // as CreateProcessW expects.
  std::vector<std::wstring> entries;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
      std::wstring entry = p;
      std::wstring name = entry.substr(0, entry.find(L'=', 1));
      if (CompareStringOrdinal(name.c_str(), -1, L"APPDATA", -1, TRUE) == CSTR_EQUAL) continue;
      entries.push_back(std::move(entry));
    }
    FreeEnvironmentStringsW(block);
  }
  entries.push_back(L"APPDATA=" + appData);
  std::sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
    std::wstring na = a.substr(0, a.find(L'=', 1)), nb = b.substr(0, b.find(L'=', 1));
    return CompareStringOrdinal(na.c_str(), -1, nb.c_str(), -1, TRUE) == CSTR_LESS_THAN;
  });
  std::wstring result;
  for (const std::wstring& entry : entries) {
    result += entry;
    result.push_back(L'\0');
  }
  result.push_back(L'\0');
  return result;
}

}  // namespace

void SetProgramPath(std::wstring path) {
  g_programPath = std::move(path);
}
const std::wstring& ProgramPath() {
  return g_programPath;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

int64_t QpcNow() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

double QpcMs(int64_t from, int64_t to) {
  static const int64_t frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  return static_cast<double>(to - from) * 1000.0 / static_cast<double>(frequency);
}

static void PumpPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool WaitUntil(const std::function<bool()>& done, Ms timeout) {
  const int64_t start = QpcNow();
  for (;;) {
    PumpPending();
    if (done()) return true;
    double left = static_cast<double>(timeout.count()) - QpcMs(start, QpcNow());
    if (left <= 0) return done();
    DWORD slice = static_cast<DWORD>(std::min(left, 5.0)) + 1;
    MsgWaitForMultipleObjectsEx(0, nullptr, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

void PumpFor(Ms duration) {
  WaitUntil([] { return false; }, duration);
}

// ---------------------------------------------------------------------------------------------

UniqueHandle& UniqueHandle::operator=(UniqueHandle&& other) noexcept {
  if (this != &other) {
    Reset(other.h_);
    other.h_ = nullptr;
  }
  return *this;
}

void UniqueHandle::Reset(HANDLE h) {
  if (h_ && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  h_ = h;
}

// ---------------------------------------------------------------------------------------------

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  wchar_t base[MAX_PATH + 1] = {};
  DWORD n = GetTempPathW(MAX_PATH + 1, base);
  if (n == 0 || n > MAX_PATH) throw HarnessError("GetTempPathW failed");
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring candidate = std::wstring(base) + L"zd-e2e-" +
                             std::to_wstring(GetCurrentProcessId()) + L"-" +
                             std::to_wstring(counter++) + L"-" + std::to_wstring(GetTickCount());
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      path_ = candidate;
      return;
    }
  }
  throw HarnessError("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(path_), ignored);
}

// ---------------------------------------------------------------------------------------------

namespace {

// Starts the program with its own APPDATA, in its own folder; the process handle and its id.
UniqueHandle Launch(const std::wstring& appData, const std::wstring& exe,
                    const std::vector<std::wstring>& args, DWORD& pid) {
  if (exe.empty()) throw HarnessError("no program to start");
  std::wstring environment = BuildEnvironment(appData);
  std::wstring commandLine = CommandLineFor(exe, args);
  std::wstring folder = std::filesystem::path(exe).parent_path().wstring();
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT, environment.data(),
                      folder.empty() ? nullptr : folder.c_str(), &si, &pi))
    throw HarnessError("CreateProcessW failed for " + Narrow(exe) + ", error " +
                       std::to_string(GetLastError()));
  CloseHandle(pi.hThread);
  pid = pi.dwProcessId;
  return UniqueHandle(pi.hProcess);
}

}  // namespace

std::wstring CommandLineFor(const std::wstring& exe, const std::vector<std::wstring>& args) {
  std::wstring line = L"\"" + exe + L"\"";
  for (const std::wstring& arg : args) {
    line += L' ';
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
      line += arg;
      continue;
    }
    // Backslashes double only before a quote (and before the closing quote); a quote is escaped.
    line += L'"';
    size_t backslashes = 0;
    for (const wchar_t c : arg) {
      if (c == L'\\') {
        ++backslashes;
        continue;
      }
      line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
      backslashes = 0;
      line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
  }
  return line;
}

StartedProcess::StartedProcess(const std::wstring& appData, const std::vector<std::wstring>& args,
                               const std::wstring& exe) {
  process_ = Launch(appData, exe, args, pid_);
}

StartedProcess::~StartedProcess() {
  if (Running()) {
    TerminateProcess(process_.Get(), 0xDEAD);
    WaitForSingleObject(process_.Get(), 5000);
  }
}

bool StartedProcess::Running() const {
  return process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> StartedProcess::WaitForExit(Ms timeout) {
  if (!WaitUntil([&] { return !Running(); }, timeout)) return std::nullopt;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_.Get(), &code);
  return code;
}

HWND StartedProcess::WindowOfClass(const wchar_t* windowClass) const {
  for (HWND hwnd : TopLevelWindows())
    if (PidOf(hwnd) == pid_ && ClassOf(hwnd) == windowClass) return hwnd;
  return nullptr;
}

std::optional<DWORD> RunToEnd(const std::wstring& appData, Ms timeout, const std::wstring& exe,
                              const std::vector<std::wstring>& args) {
  StartedProcess process(appData, args, exe);
  // Killed by the destructor when it does not end in time.
  return process.WaitForExit(timeout);
}

Program::Program(const std::wstring& appData, const std::wstring& exe,
                 const std::vector<std::wstring>& args) {
  process_ = Launch(appData, exe, args, pid_);

  WaitUntil(
      [&] {
        if (!Running()) return true;
        for (HWND hwnd : TopLevelWindows())
          if (PidOf(hwnd) == pid_ && ClassOf(hwnd) == L"TFrmMain" && IsWindowVisible(hwnd)) {
            main_ = hwnd;
            return true;
          }
        return false;
      },
      kStartTimeout);
  if (!main_) {
    bool ended = !Running();
    Close(Ms{2000});
    throw HarnessError(ended ? "the program ended before showing its main window (exit code " +
                                   std::to_string(ExitCode()) + ")"
                             : "the program's main window did not appear");
  }
}

Program::~Program() {
  try {
    Close();
  } catch (...) {
  }
}

bool Program::Running() const {
  return process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

DWORD Program::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_) GetExitCodeProcess(process_.Get(), &code);
  return code;
}

LRESULT Program::Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) const {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_NORMAL, static_cast<UINT>(kReplyTimeout.count()),
                           &result))
    throw HarnessError("message " + std::to_string(msg) + " to the program got no answer");
  return static_cast<LRESULT>(result);
}

HWND Program::Control(int id) const {
  HWND found = nullptr;
  for (HWND hwnd : Descendants(main_)) {
    if (GetDlgCtrlID(hwnd) != id) continue;
    // A spin edit is an edit and an up-down; the edit is the control that carries the value.
    if (_wcsicmp(ClassOf(hwnd).c_str(), L"msctls_updown32") == 0) {
      if (!found) found = hwnd;
      continue;
    }
    return hwnd;
  }
  if (found) return found;
  throw HarnessError("no control with ID " + std::to_string(id));
}

std::wstring Program::Caption() const {
  return WindowText(main_, kReplyTimeout);
}
std::wstring Program::Text(int id) const {
  return WindowText(Control(id), kReplyTimeout);
}
bool Program::Checked(int id) const {
  return Send(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}
bool Program::Enabled(int id) const {
  return IsWindowEnabled(Control(id)) != FALSE;
}
int Program::ComboIndex(int id) const {
  return static_cast<int>(Send(Control(id), CB_GETCURSEL, 0, 0));
}

std::vector<std::wstring> Program::ComboItems(int id) const {
  HWND combo = Control(id);
  std::vector<std::wstring> items;
  LRESULT count = Send(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = Send(combo, CB_GETLBTEXTLEN, i, 0);
    if (length < 0) throw HarnessError("CB_GETLBTEXTLEN failed");
    std::wstring text(length + 1, L'\0');
    LRESULT copied = Send(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied < 0 ? 0 : std::min<size_t>(copied, length));
    items.push_back(text);
  }
  return items;
}

void Program::SetText(int id, const std::wstring& text) {
  if (!Send(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())))
    throw HarnessError("WM_SETTEXT refused by control " + std::to_string(id));
}

void Program::SelectCombo(int id, int index) {
  HWND combo = Control(id);
  if (Send(combo, CB_SETCURSEL, index, 0) != index)
    throw HarnessError("CB_SETCURSEL " + std::to_string(index) + " refused by control " +
                       std::to_string(id));
  Send(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
       reinterpret_cast<LPARAM>(combo));
}

Program::ClickOutcome Program::Click(int id, Ms timeout) {
  // A plain SendMessage would not come back while the handler sits in a modal message box,
  // and the test could then never answer the box. SendMessageCallback returns at once; the
  // callback arrives through our own message queue when the handler has returned.
  struct Reply {
    bool done = false;
  };
  auto reply = std::make_shared<Reply>();
  auto* token = new std::shared_ptr<Reply>(reply);  // released by the callback
  SENDASYNCPROC callback = [](HWND, UINT, ULONG_PTR data, LRESULT) {
    auto* held = reinterpret_cast<std::shared_ptr<Reply>*>(data);
    (*held)->done = true;
    delete held;
  };
  if (!SendMessageCallbackW(Control(id), BM_CLICK, 0, 0, callback,
                            reinterpret_cast<ULONG_PTR>(token))) {
    delete token;
    throw HarnessError("BM_CLICK could not be sent to control " + std::to_string(id));
  }
  bool boxShown = false;
  WaitUntil(
      [&] {
        if (reply->done || !Running()) return true;
        boxShown = FindMessageBox().has_value();
        return boxShown;
      },
      timeout);
  // If the callback never arrives (the program ended), `token` is leaked: a few bytes.
  if (reply->done) return ClickOutcome::Handled;
  if (boxShown) return ClickOutcome::MessageBoxShown;
  if (!Running())
    throw HarnessError("the program ended (exit code " + std::to_string(ExitCode()) +
                       ") while handling the click on control " + std::to_string(id));
  throw HarnessError("the click on control " + std::to_string(id) + " was not handled in time");
}

std::optional<MessageBoxInfo> Program::FindMessageBox() const {
  return FindMessageBoxOf(pid_);
}

MessageBoxInfo Program::WaitForMessageBox(Ms timeout) const {
  return WaitForMessageBoxOf(pid_, timeout);
}

void Program::AnswerMessageBox(const MessageBoxInfo& box, int buttonId, Ms timeout) {
  e2e::AnswerMessageBox(box, buttonId, timeout);
}

std::optional<MessageBoxInfo> FindMessageBoxOf(DWORD pid) {
  constexpr Ms kReplyTimeout = Program::kReplyTimeout;
  for (HWND hwnd : TopLevelWindows()) {
    if (PidOf(hwnd) != pid || ClassOf(hwnd) != L"#32770" || !IsWindowVisible(hwnd)) continue;
    MessageBoxInfo box;
    box.hwnd = hwnd;
    box.owner = GetWindow(hwnd, GW_OWNER);
    std::optional<std::wstring> caption = TryWindowText(hwnd, kReplyTimeout);
    if (!caption) continue;  // closed meanwhile
    box.caption = *caption;
    for (HWND child : Descendants(hwnd)) {
      if (!IsWindowVisible(child)) continue;
      std::wstring cls = ClassOf(child);
      if (_wcsicmp(cls.c_str(), L"Button") == 0) {
        box.buttons.push_back(GetDlgCtrlID(child));
      } else if (_wcsicmp(cls.c_str(), L"Static") == 0 &&
                 (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
        box.text += TryWindowText(child, kReplyTimeout).value_or(L"");
      }
    }
    std::sort(box.buttons.begin(), box.buttons.end());
    return box;
  }
  return std::nullopt;
}

MessageBoxInfo WaitForMessageBoxOf(DWORD pid, Ms timeout) {
  std::optional<MessageBoxInfo> box;
  WaitUntil(
      [&] {
        box = FindMessageBoxOf(pid);
        return box.has_value();
      },
      timeout);
  if (!box) throw HarnessError("no message box appeared");
  return *box;
}

void AnswerMessageBox(const MessageBoxInfo& box, int buttonId, Ms timeout) {
  HWND button = GetDlgItem(box.hwnd, buttonId);
  if (!button) throw HarnessError("the message box has no button " + std::to_string(buttonId));
  // Posted: the box's handler ends the modal loop, and the handler that opened it goes on.
  PostMessageW(button, BM_CLICK, 0, 0);
  if (!WaitUntil([&] { return !IsWindow(box.hwnd) || !IsWindowVisible(box.hwnd); }, timeout))
    throw HarnessError("the message box did not close");
}

bool Program::Close(Ms timeout) {
  if (closedCleanly_) return *closedCleanly_;
  if (!process_) return true;
  if (Running() && main_) PostMessageW(main_, WM_CLOSE, 0, 0);
  bool ended = WaitUntil([&] { return !Running(); }, timeout);
  if (!ended) {
    TerminateProcess(process_.Get(), 0xDEAD);
    WaitForSingleObject(process_.Get(), 5000);
  }
  closedCleanly_ = ended;
  return ended;
}

// ---------------------------------------------------------------------------------------------

void SendDpiChanged(const Program& program, UINT dpi, const RECT& suggested) {
  UniqueHandle process(
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, program.ProcessId()));
  if (!process) throw HarnessError("cannot open the program's process");
  void* remote = VirtualAllocEx(process.Get(), nullptr, sizeof suggested, MEM_COMMIT | MEM_RESERVE,
                                PAGE_READWRITE);
  if (!remote) throw HarnessError("cannot allocate in the program's process");
  SIZE_T written = 0;
  const bool ok =
      WriteProcessMemory(process.Get(), remote, &suggested, sizeof suggested, &written) &&
      written == sizeof suggested;
  DWORD_PTR result = 0;
  const bool sent =
      ok && SendMessageTimeoutW(program.MainWindow(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                                reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, 10000, &result);
  VirtualFreeEx(process.Get(), remote, 0, MEM_RELEASE);
  if (!sent) throw HarnessError("WM_DPICHANGED " + std::to_string(dpi) + " was not handled");
}

HeldHotkey::HeldHotkey(UINT modifiers, UINT vk) {
  static std::atomic<int> next{0x5A11};
  id_ = next++;
  ok_ = RegisterHotKey(nullptr, id_, modifiers, vk) != FALSE;
}

HeldHotkey::~HeldHotkey() {
  if (ok_) UnregisterHotKey(nullptr, id_);
}

void PressHotkey(UINT modifiers, UINT vk) {
  std::vector<WORD> keys;
  if (modifiers & MOD_CONTROL) keys.push_back(VK_CONTROL);
  if (modifiers & MOD_SHIFT) keys.push_back(VK_SHIFT);
  if (modifiers & MOD_ALT) keys.push_back(VK_MENU);
  if (modifiers & MOD_WIN) keys.push_back(VK_LWIN);
  keys.push_back(static_cast<WORD>(vk));
  auto record = [](WORD key, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = key;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
  };
  std::vector<INPUT> inputs;
  for (WORD key : keys) inputs.push_back(record(key, false));
  for (auto it = keys.rbegin(); it != keys.rend(); ++it) inputs.push_back(record(*it, true));
  // One call for the whole chord: Wine resets injected modifiers to the X server's state when
  // one of its windows gets the pointer or the focus, which can fall between separate calls.
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  PumpFor(Ms{2});
}

namespace {
// The centre of the pixel, so that either way of mapping back lands on it.
LONG Normalise(LONG v, int origin, int size) {
  const long long r = ((2LL * (v - origin) + 1) * 65536) / (2LL * size);
  return static_cast<LONG>(std::clamp<long long>(r, 0, 65535));
}
}  // namespace

void SendMouse(DWORD flags, POINT screen) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_ABSOLUTE) {
    in.mi.dx = Normalise(screen.x, GetSystemMetrics(SM_XVIRTUALSCREEN),
                         GetSystemMetrics(SM_CXVIRTUALSCREEN));
    in.mi.dy = Normalise(screen.y, GetSystemMetrics(SM_YVIRTUALSCREEN),
                         GetSystemMetrics(SM_CYVIRTUALSCREEN));
  }
  if (SendInput(1, &in, sizeof in) != 1) throw HarnessError("SendInput failed");
}

void MoveTo(POINT screen) {
  SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK, screen);
}

void ClickAtScreen(POINT screen) {
  MoveTo(screen);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  SendMouse(MOUSEEVENTF_LEFTUP);
}

// ---------------------------------------------------------------------------------------------

namespace {
constexpr wchar_t kTargetClass[] = L"ZdE2ETarget";
}

TargetWindow::TargetWindow(RECT screen) : screen_(screen) {
  UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  thread_ = std::thread([this, h = ready.Get()] { ThreadMain(h); });
  if (WaitForSingleObject(ready.Get(), 10000) != WAIT_OBJECT_0 || !hwnd_) {
    if (threadId_) PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
    throw HarnessError("the target window could not be created");
  }
  // When the window appears under the pointer, Wine turns the X server's enter event into a
  // mouse move to where the pointer is; let that pass before a test moves the mouse itself.
  PumpFor(Ms{200});
}

TargetWindow::~TargetWindow() {
  if (hwnd_) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
  if (thread_.joinable()) thread_.join();
}

void TargetWindow::ThreadMain(HANDLE ready) {
  threadId_ = GetCurrentThreadId();
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &TargetWindow::Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kTargetClass;
  RegisterClassExW(&wc);  // fails harmlessly when an earlier target registered it
  hwnd_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kTargetClass, L"e2e target",
                          WS_POPUP | WS_VISIBLE, screen_.left, screen_.top,
                          screen_.right - screen_.left, screen_.bottom - screen_.top, nullptr,
                          nullptr, instance, this);
  if (hwnd_) UpdateWindow(hwnd_);
  SetEvent(ready);
  if (!hwnd_) return;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void TargetWindow::Record(UINT message, LPARAM lp) noexcept {
  Event e;
  e.message = message;
  e.client = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  e.qpc = QpcNow();
  e.time = static_cast<DWORD>(GetMessageTime());
  try {
    std::lock_guard lock(mutex_);
    events_.push_back(e);
  } catch (...) {
  }
}

LRESULT CALLBACK TargetWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<TargetWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
    case WM_XBUTTONDOWN:
    case WM_XBUTTONUP:
    case WM_XBUTTONDBLCLK:
      if (self) self->Record(msg, lp);
      return 0;
    case WM_MOUSEMOVE:
      if (self) {
        std::lock_guard lock(self->mutex_);
        ++self->moves_;
      }
      return 0;
    case WM_MOUSEACTIVATE:
      // Clicks must not take the activation away from the program under test.
      return MA_NOACTIVATE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

std::vector<TargetWindow::Event> TargetWindow::Events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

void TargetWindow::Clear() {
  std::lock_guard lock(mutex_);
  events_.clear();
  moves_ = 0;
}

int TargetWindow::Count(UINT message) const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(std::count_if(events_.begin(), events_.end(),
                                        [&](const Event& e) { return e.message == message; }));
}

int TargetWindow::MoveCount() const {
  std::lock_guard lock(mutex_);
  return moves_;
}

int TargetWindow::Presses(int button) const {
  static const UINT down[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
  static const UINT dbl[] = {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK};
  if (button < 0 || button > 2) return 0;
  return Count(down[button]) + Count(dbl[button]);
}

int TargetWindow::DoubleClicks() const {
  return Count(WM_LBUTTONDBLCLK) + Count(WM_RBUTTONDBLCLK) + Count(WM_MBUTTONDBLCLK);
}

std::string MouseMessageName(UINT message) {
  static const std::map<UINT, const char*> names = {
      {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},     {WM_LBUTTONUP, "WM_LBUTTONUP"},
      {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"}, {WM_RBUTTONDOWN, "WM_RBUTTONDOWN"},
      {WM_RBUTTONUP, "WM_RBUTTONUP"},         {WM_RBUTTONDBLCLK, "WM_RBUTTONDBLCLK"},
      {WM_MBUTTONDOWN, "WM_MBUTTONDOWN"},     {WM_MBUTTONUP, "WM_MBUTTONUP"},
      {WM_MBUTTONDBLCLK, "WM_MBUTTONDBLCLK"}, {WM_XBUTTONDOWN, "WM_XBUTTONDOWN"},
      {WM_XBUTTONUP, "WM_XBUTTONUP"},         {WM_XBUTTONDBLCLK, "WM_XBUTTONDBLCLK"}};
  auto it = names.find(message);
  return it != names.end() ? it->second : "message " + std::to_string(message);
}

std::string Describe(const std::vector<TargetWindow::Event>& events) {
  std::ostringstream out;
  if (events.empty()) return "(no mouse-button messages)";
  for (const TargetWindow::Event& e : events) {
    out << "\n  " << MouseMessageName(e.message) << " at (" << e.client.x << ", " << e.client.y
        << ") handled at +" << QpcMs(events.front().qpc, e.qpc) << " ms, message time +"
        << static_cast<DWORD>(e.time - events.front().time) << " ms";
  }
  return out.str();
}

LRESULT Ask(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_NORMAL, 10000, &result))
    throw HarnessError("message " + std::to_string(msg) + " got no answer");
  return static_cast<LRESULT>(result);
}

std::vector<std::wstring> ListBoxItems(HWND lb) {
  std::vector<std::wstring> items;
  const LRESULT count = Ask(lb, LB_GETCOUNT);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = Ask(lb, LB_GETTEXTLEN, static_cast<WPARAM>(i));
    if (length < 0) throw HarnessError("LB_GETTEXTLEN failed");
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied =
        Ask(lb, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied < 0 ? 0 : std::min<size_t>(static_cast<size_t>(copied), length));
    items.push_back(text);
  }
  return items;
}

std::string CloseProblem(Program& program) {
  if (!program.Running())
    return "the program ended during the test, exit code " + std::to_string(program.ExitCode());
  if (!program.Close()) return "the program did not end after WM_CLOSE and was killed";
  if (program.ExitCode() != 0)
    return "exit code after WM_CLOSE: " + std::to_string(program.ExitCode());
  return {};
}

RECT WindowRect(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

RECT RectIn(HWND control, HWND window) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string Str(const RECT& r) {
  return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
         std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")";
}

UserWindow::UserWindow() {
  static constexpr wchar_t kClass[] = L"ZdE2EUser";
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kClass;
  RegisterClassExW(&wc);  // fails harmlessly when an earlier test registered it
  // Left of the program's window in the middle and away from its compact bar (bottom right).
  hwnd_ = CreateWindowExW(0, kClass, L"e2e user window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 300,
                          300, 200, nullptr, nullptr, instance, nullptr);
  if (!hwnd_) throw HarnessError("the user's window could not be created");
  edit_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 10, 10, 200, 24,
                          hwnd_, nullptr, instance, nullptr);
}

UserWindow::~UserWindow() {
  DestroyWindow(hwnd_);
}

void UserWindow::BringToFront() {
  SetForegroundWindow(hwnd_);
  if (!WaitUntil([&] { return GetForegroundWindow() == hwnd_; }, Ms{3000}))
    throw HarnessError("the user's window did not come to the front");
  SetFocus(edit_);
}

std::wstring UserWindow::Typed() const {
  wchar_t text[256] = {};
  GetWindowTextW(edit_, text, 256);
  return text;
}

void UserWindow::ClearTyped() {
  SetWindowTextW(edit_, L"");
}

HWND FindWindowOf(DWORD pid, const wchar_t* cls, std::optional<HWND> owner) {
  struct Search {
    DWORD pid;
    const wchar_t* cls;
    std::optional<HWND> owner;
    HWND found;
  } search{pid, cls, owner, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD windowPid = 0;
        GetWindowThreadProcessId(hwnd, &windowPid);
        wchar_t name[64] = {};
        GetClassNameW(hwnd, name, 64);
        if (windowPid == s->pid && IsWindowVisible(hwnd) && _wcsicmp(name, s->cls) == 0 &&
            (!s->owner || GetWindow(hwnd, GW_OWNER) == *s->owner)) {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace e2e
