// The main window on Windows: the HWND, its controls' binding, its timers, and the glue that
// hands every message to MainForm.
#pragma once

#include <windows.h>

#include <deque>
#include <memory>

#include "app/hotkey_dialog.h"
#include "app/point_picker.h"
#include "mainform/command_line.h"
#include "mainform/form_window.h"
#include "mainform/main_form.h"
#include "platform/win32/input_thread.h"
#include "platform/win32/services_win32.h"
#include "ui/win32/binding.h"
#include "ui/win32/dialogs.h"
#include "ui/win32/precise_timers.h"
#include "ui/win32/status_line.h"
#include "ui/win32/style.h"
#include "ui/win32/timers.h"

namespace win {

class MainWindow : public mainform::IFormWindow {
 public:
  // The window class, by which a second copy of the program finds the first one's window.
  static constexpr wchar_t kClassName[] = L"TFrmMain";

  MainWindow() = default;
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Registers the class, creates the window and runs Create; false when the window could
  // not be created.
  bool Create(HINSTANCE instance);
  void ShowInitially(int show);
  // Runs a command of the command line from a message posted to the window, after the commands
  // before it; nothing for an empty command. Until this is first called (once the window is up),
  // commands that later copies hand over wait.
  void RunCommandSoon(const mainform::Command& command);
  HWND Hwnd() const { return hwnd_; }
  // The message loop waits on this handle with the thread's messages (null: nothing to wait
  // for) and calls ServiceTimers when it is signalled.
  HANDLE TimerHandle() const;
  void ServiceTimers() noexcept;

  // IFormWindow
  std::string Caption() override;
  void SetCaption(const std::string& caption) override;
  plat::Rect Bounds() override;
  void SetBounds(const plat::Rect& bounds) override;
  bool IsVisible() override;
  void Show() override;
  void Activate() override;
  void Hide() override;
  void Close() override;
  void SetTopMost(bool topMost) override;
  void PlaceTopMost(const plat::Rect& bounds) override;
  void Repaint() override;
  int CaptionHeight() override;
  int FrameHeight() override;
  plat::Rect WorkArea() override;

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void MsgCreate();
  void MsgDpiChanged(WPARAM wp, LPARAM lp);
  void MsgActivate(WPARAM wp);
  void MsgNextDlgCtl(WPARAM wp, LPARAM lp);
  // The notification icon's callback: the window comes, or the icon's menu opens.
  void MsgTrayIcon(WPARAM wp, LPARAM lp);
  void ShowTrayMenu(POINT at);
  // WM_COPYDATA: a later copy's arguments. TRUE when they were well-formed and are queued.
  LRESULT MsgCopyData(const COPYDATASTRUCT* data);
  void QueueCommand(const mainform::Command& command);
  // Runs the first queued command, unless one is running (in a message box of its own).
  void RunNextCommand();
  // The outer size of the window in its normal presentation at its DPI, with the lines that
  // the status line's text needs.
  SIZE NormalSize() const;
  // A minimised window's normal placement takes NormalSize.
  void SetMinimisedNormalSize();
  // Lays out the status line for its text; the window grows or shrinks by what it needs.
  void LayOutStatusLine();
  // Runs a handler; an error that escapes it is reported in a message box, as the toolkit's
  // top-level error report does, and the program goes on.
  template <typename F>
  void Guarded(F&& f) noexcept;

  HWND hwnd_ = nullptr;
  HWND lastFocus_ = nullptr;
  UINT dpi_ = 96;
  Style style_;
  // The message boxes shown while the window lives take its look.
  DialogSkinHook dialogSkin_{style_};
  WindowIcons icons_;
  IconHandle trayIcon_;
  std::unique_ptr<FormBinding> binding_;
  std::unique_ptr<StatusLine> status_;
  // The height in pixels that the status line adds to the window's normal client area.
  int statusExtra_ = 0;
#ifdef ZD_SETTIMER_CLICKS
  // The plain SetTimer timers, kept as the baseline the click-rate benchmark compares with.
  std::unique_ptr<WindowTimers> timers_;
#else
  std::unique_ptr<PreciseTimers> timers_;
#endif
  SystemInput input_;
  Clock clock_;
  Random random_;
  Dialogs dialogs_;
  HotkeyDialog hotkeyDialog_;
  PointPicker picker_;
  Shell shell_;
  Hotkeys hotkeys_;
  Profile profile_;
  Environment env_;
  TrayIcon tray_;
  // The recorder's hooks; posts InputThread::kQueuedMessage to the window.
  InputThread inputThread_{clock_};
  UINT taskbarCreated_ = 0;
  // A second copy of the program asks this window to come to the front.
  UINT showRequest_ = 0;
  // Posted to itself: the next queued command is due.
  static constexpr UINT kRunCommandMessage = WM_APP + 2;
  std::deque<mainform::Command> commands_;
  bool commandsReady_ = false;
  // WM_ENDSESSION came: no box is shown from here on.
  bool sessionEnded_ = false;
  bool runningCommand_ = false;
  std::unique_ptr<MainForm> frm_;
};

}  // namespace win
