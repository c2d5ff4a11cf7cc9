// End-to-end harness: starts the real program, drives its controls by their IDs, answers its
// message boxes, presses hotkeys and watches where its clicks land on a window of our own.
// Every wait here has a time-out, so a test can fail but never hang.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

using Ms = std::chrono::milliseconds;

// The harness could not do what a test asked (a window that never appeared, a message that got
// no answer). GoogleTest reports it as a failure of the test that raised it.
class HarnessError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The program under test, set once by main().
void SetProgramPath(std::wstring path);
const std::wstring& ProgramPath();

std::string Narrow(const std::wstring& text);

// QueryPerformanceCounter, and the span between two readings in milliseconds.
int64_t QpcNow();
double QpcMs(int64_t from, int64_t to);

// Handles the calling thread's messages for `duration`.
void PumpFor(Ms duration);
// Handles the calling thread's messages until `done` answers true or `timeout` passes; returns
// the last answer.
bool WaitUntil(const std::function<bool()>& done, Ms timeout);

class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : h_(h) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.h_) { other.h_ = nullptr; }
  UniqueHandle& operator=(UniqueHandle&& other) noexcept;
  HANDLE Get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE h = nullptr);

 private:
  HANDLE h_ = nullptr;
};

// A fresh, empty folder under the temporary folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
};

// A message box (dialog class "#32770") shown by the program.
struct MessageBoxInfo {
  HWND hwnd = nullptr;
  HWND owner = nullptr;
  std::wstring caption;
  std::wstring text;
  std::vector<int> buttons;  // IDs of the visible buttons (IDOK, IDYES, ...)
};

// The first visible message box (dialog class "#32770") of a process, if any.
std::optional<MessageBoxInfo> FindMessageBoxOf(DWORD pid);
// Raises HarnessError when none appears in time.
MessageBoxInfo WaitForMessageBoxOf(DWORD pid, Ms timeout = Ms{5000});
// Presses one of the box's buttons and waits until the box has gone.
void AnswerMessageBox(const MessageBoxInfo& box, int buttonId, Ms timeout = Ms{5000});

// A command line for CreateProcessW: the program's path, then each argument quoted as the C
// runtime and CommandLineToArgvW read them back (spaces, quotes and backslashes kept).
std::wstring CommandLineFor(const std::wstring& exe, const std::vector<std::wstring>& args);

// A copy of the program with its own APPDATA and the given arguments, watched without waiting
// for its window: one that shows a box before it has a window, hands its arguments to a running
// copy and ends, or starts hidden. The destructor kills it if it still runs.
class StartedProcess {
 public:
  StartedProcess(const std::wstring& appData, const std::vector<std::wstring>& args,
                 const std::wstring& exe = ProgramPath());
  ~StartedProcess();
  StartedProcess(const StartedProcess&) = delete;
  StartedProcess& operator=(const StartedProcess&) = delete;

  DWORD ProcessId() const { return pid_; }
  bool Running() const;
  // Its exit code once it has ended, waiting at most `timeout`; nothing while it still runs.
  std::optional<DWORD> WaitForExit(Ms timeout);
  // Its top-level window of this class, visible or not, or null.
  HWND WindowOfClass(const wchar_t* windowClass) const;

 private:
  UniqueHandle process_;
  DWORD pid_ = 0;
};

// A running instance of the program with its own APPDATA folder. The constructor starts it (with
// `args` on its command line) and waits for its main window; the destructor closes it (and kills
// it if it does not end).
class Program {
 public:
  explicit Program(const std::wstring& appData, const std::wstring& exe = ProgramPath(),
                   const std::vector<std::wstring>& args = {});
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  static constexpr Ms kStartTimeout{30000};
  static constexpr Ms kReplyTimeout{10000};
  static constexpr Ms kCloseTimeout{10000};

  HWND MainWindow() const { return main_; }
  DWORD ProcessId() const { return pid_; }
  bool Running() const;

  // The control with this dialog ID anywhere under the main window (the edit, not the
  // up-down, of a spin edit). Raises HarnessError when there is none.
  HWND Control(int id) const;
  std::wstring Caption() const;
  std::wstring Text(int id) const;
  bool Checked(int id) const;
  bool Enabled(int id) const;
  int ComboIndex(int id) const;
  std::vector<std::wstring> ComboItems(int id) const;

  // WM_SETTEXT: the program sees EN_CHANGE as after typing.
  void SetText(int id, const std::wstring& text);
  // CB_SETCURSEL, then the CBN_SELCHANGE a user's choice sends to the parent.
  void SelectCombo(int id, int index);
  // Clicks a button, check box or radio button (BM_CLICK). The message is sent without
  // blocking; this returns once the program's handler has returned, or as soon as the handler
  // shows a message box (then the box is waiting for an answer), and raises HarnessError when
  // neither happens in time.
  enum class ClickOutcome { Handled, MessageBoxShown };
  ClickOutcome Click(int id, Ms timeout = kReplyTimeout);

  // The first visible message box of the program's process, if any.
  std::optional<MessageBoxInfo> FindMessageBox() const;
  MessageBoxInfo WaitForMessageBox(Ms timeout = Ms{5000}) const;
  // Presses one of the box's buttons and waits until the box has gone.
  void AnswerMessageBox(const MessageBoxInfo& box, int buttonId, Ms timeout = Ms{5000});

  // WM_CLOSE, then waits for the process to end; kills it after `timeout`. Returns whether it
  // ended by itself. Later calls return the first answer.
  bool Close(Ms timeout = kCloseTimeout);
  DWORD ExitCode() const;

 private:
  LRESULT Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) const;

  UniqueHandle process_;
  DWORD pid_ = 0;
  HWND main_ = nullptr;
  std::optional<bool> closedCleanly_;
};

// Starts a copy of the program with its own APPDATA (and `args` on its command line) and waits
// for it to end by itself: its exit code, or nothing when it still ran after `timeout` (it is
// killed then).
std::optional<DWORD> RunToEnd(const std::wstring& appData, Ms timeout,
                              const std::wstring& exe = ProgramPath(),
                              const std::vector<std::wstring>& args = {});

// A hotkey that the driver itself holds, as another program would; released on every path.
class HeldHotkey {
 public:
  HeldHotkey(UINT modifiers, UINT vk);
  ~HeldHotkey();
  HeldHotkey(const HeldHotkey&) = delete;
  HeldHotkey& operator=(const HeldHotkey&) = delete;
  bool Ok() const { return ok_; }

 private:
  int id_;
  bool ok_;
};

// WM_DPICHANGED as the system sends it when the window moves to a monitor with another DPI: its
// suggested rectangle is put into the program's memory, where its window procedure reads it.
void SendDpiChanged(const Program& program, UINT dpi, const RECT& suggested);

// Presses a key with modifiers (MOD_CONTROL, MOD_SHIFT, MOD_ALT, MOD_WIN) through SendInput
// keyboard records, the way a user's hotkey arrives.
void PressHotkey(UINT modifiers, UINT vk);

// One mouse record per SendInput call, as a real mouse delivers them; with MOUSEEVENTF_ABSOLUTE
// the point is a screen pixel. Raises HarnessError when the system refuses the input.
void SendMouse(DWORD flags, POINT screen = {});
// An absolute move to a screen pixel.
void MoveTo(POINT screen);
// Injects one left click at a screen point (an absolute move, then a press and a release).
void ClickAtScreen(POINT screen);

// A top-level window of the driver, on its own thread so that its messages are handled at once
// whatever the test thread is doing. It records every mouse-button message with the client
// point and the QueryPerformanceCounter time at which it was handled. Its class has CS_DBLCLKS,
// so a second press in quick succession arrives as a ...BUTTONDBLCLK message.
class TargetWindow {
 public:
  struct Event {
    UINT message = 0;
    POINT client{};
    int64_t qpc = 0;  // when the driver handled it
    DWORD time = 0;   // GetMessageTime: when the input was injected, in the tick counter's steps
  };

  // `screen` is the window's rectangle in screen pixels; the window is a borderless top-most
  // popup, so its client area is exactly this rectangle.
  explicit TargetWindow(RECT screen);
  ~TargetWindow();
  TargetWindow(const TargetWindow&) = delete;
  TargetWindow& operator=(const TargetWindow&) = delete;

  HWND Hwnd() const { return hwnd_; }
  RECT ScreenRect() const { return screen_; }
  POINT ToScreen(POINT client) const { return {screen_.left + client.x, screen_.top + client.y}; }

  std::vector<Event> Events() const;
  void Clear();
  int Count(UINT message) const;
  int MoveCount() const;
  // Presses of a button (0 left, 1 right, 2 middle): down and double-click messages together.
  int Presses(int button) const;
  int DoubleClicks() const;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
  void ThreadMain(HANDLE ready);
  void Record(UINT message, LPARAM lp) noexcept;

  RECT screen_;
  HWND hwnd_ = nullptr;
  DWORD threadId_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<Event> events_;
  int moves_ = 0;
};

// A window of the driver in which the user is typing: an edit field in a plain top-level window
// on the test's thread (whose messages the harness's waits handle).
class UserWindow {
 public:
  UserWindow();
  ~UserWindow();
  UserWindow(const UserWindow&) = delete;
  UserWindow& operator=(const UserWindow&) = delete;

  HWND Hwnd() const { return hwnd_; }
  // Makes it the foreground window with the focus in its edit field.
  void BringToFront();
  // What has been typed into the edit field.
  std::wstring Typed() const;
  void ClearTyped();

 private:
  HWND hwnd_ = nullptr;
  HWND edit_ = nullptr;
};

// The first visible top-level window of a process with the given class (case-insensitive)
// and, when `owner` is given, owned by that window; null when there is none.
HWND FindWindowOf(DWORD pid, const wchar_t* cls, std::optional<HWND> owner = std::nullopt);

// Closes a program that a test started and says what went wrong: empty when it was still
// running, ended after WM_CLOSE and exited with code 0.
std::string CloseProblem(Program& program);

// A window's rectangle in screen pixels, and a rectangle as text for failure messages.
RECT WindowRect(HWND hwnd);
// A control's window rectangle in the client coordinates of `window`.
RECT RectIn(HWND control, HWND window);
std::string Str(const RECT& r);

// SendMessageTimeout to a window of the program; raises HarnessError when it gets no answer
// within ten seconds.
LRESULT Ask(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0);
// The items of a list box of the program, read across the process boundary.
std::vector<std::wstring> ListBoxItems(HWND listBox);

// Human-readable name of a mouse message, for failure output.
std::string MouseMessageName(UINT message);
std::string Describe(const std::vector<TargetWindow::Event>& events);

}  // namespace e2e
