#include "app/main_window.h"

#include "platform/win32/dpi.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/single_instance.h"
#include "mainform/control_ids.h"
#include "mainform/tray_menu.h"
#include "platform/win32/text.h"
#include "product/product.h"

namespace win {

namespace {

constexpr int kClientWidth = 559;  // 96-DPI pixels
constexpr int kClientHeight = 561;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;

int MetricForDpi(int index, UINT dpi) {
  using Fn = int(WINAPI*)(int, UINT);
  static const auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi")));
  return fn ? fn(index, dpi) : GetSystemMetrics(index);
}

UINT SystemDpi() {
  using Fn = UINT(WINAPI*)();
  static const auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForSystem")));
  const UINT dpi = fn ? fn() : 0;
  return dpi ? dpi : 96;
}

}  // namespace

MainWindow::~MainWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
  // The controls are unbound before the form goes, and the form's timers stop through the
  // driver before it goes.
  binding_.reset();
  frm_.reset();
  timers_.reset();
}

template <typename F>
void MainWindow::Guarded(F&& f) noexcept {
  try {
    f();
  } catch (const std::exception& e) {
    // Once the session ends nobody is left to answer a box, and Windows would wait for it.
    if (!sessionEnded_)
      MessageBoxW(hwnd_, Widen(e.what()).c_str(), Widen(product::kTitle).c_str(),
                  MB_ICONERROR | MB_OK);
  } catch (...) {
    if (!sessionEnded_)
      MessageBoxW(hwnd_, L"Unexpected error.", Widen(product::kTitle).c_str(),
                  MB_ICONERROR | MB_OK);
  }
}

bool MainWindow::Create(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  if (!wc.hIconSm) wc.hIconSm = wc.hIcon;
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);
  hwnd_ = CreateWindowExW(kExStyle, kClassName, L"ZuraDivudiv", kStyle, CW_USEDEFAULT,
                          CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance, this);
  return hwnd_ != nullptr;
}

void MainWindow::ShowInitially(int show) {
  ShowWindow(hwnd_, show);
  UpdateWindow(hwnd_);
}

void MainWindow::RunCommandSoon(const mainform::Command& command) {
  commandsReady_ = true;
  if (!command.Empty())
    QueueCommand(command);
  else if (!commands_.empty())
    PostMessageW(hwnd_, kRunCommandMessage, 0, 0);
}

void MainWindow::QueueCommand(const mainform::Command& command) {
  commands_.push_back(command);
  PostMessageW(hwnd_, kRunCommandMessage, 0, 0);
}

void MainWindow::RunNextCommand() {
  if (!commandsReady_ || runningCommand_ || commands_.empty() || !frm_) return;
  const mainform::Command command = commands_.front();
  commands_.pop_front();
  runningCommand_ = true;
  Guarded([&] { frm_->RunCommand(command); });
  runningCommand_ = false;
  if (!commands_.empty()) PostMessageW(hwnd_, kRunCommandMessage, 0, 0);
}

LRESULT MainWindow::MsgCopyData(const COPYDATASTRUCT* data) {
  // Anything but a well-formed set of arguments of the program's own is ignored.
  if (!data || data->dwData != kArgumentsCopyDataTag || data->cbData == 0 || !data->lpData)
    return FALSE;
  const std::optional<std::vector<std::string>> args = mainform::DecodeArguments(
      std::string_view(static_cast<const char*>(data->lpData), data->cbData));
  if (!args) return FALSE;
  const mainform::ParsedCommandLine parsed = mainform::ParseCommandLine(*args);
  if (parsed.outcome != mainform::ParsedCommandLine::Outcome::Run || parsed.command.Empty())
    return FALSE;
  // Run later, from the message loop: the sender waits for this answer only.
  QueueCommand(parsed.command);
  return TRUE;
}

void MainWindow::MsgCreate() {
  // Registered first: a message box during the creation already handles a second copy's
  // request. These messages also pass from unelevated senders when the program runs elevated
  // (the shell sends TaskbarCreated when Explorer restarts; a later copy started by the user
  // sends the others).
  taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
  showRequest_ = RegisterWindowMessageW(kShowRunningCopyMessage);
  for (UINT message : {taskbarCreated_, showRequest_, static_cast<UINT>(WM_COPYDATA)})
    if (message != 0) ChangeWindowMessageFilterEx(hwnd_, message, MSGFLT_ALLOW, nullptr);

  dpi_ = WindowDpi(hwnd_);
  style_.SetDpi(dpi_);
  // Before the controls exist: the window answers their colour and owner-draw questions.
  style_.ApplyToWindow(hwnd_);
  icons_.Apply(hwnd_, dpi_);

  input_.SetWindow(hwnd_);
  inputThread_.SetWindow(hwnd_);
  dialogs_.SetOwner(hwnd_);
  hotkeyDialog_.SetOwner(hwnd_);
  hotkeys_.SetWindow(hwnd_);
  timers_ = std::make_unique<decltype(timers_)::element_type>(hwnd_);
  mainform::FormServices services;
  services.Input = &input_;
  services.Clock = &clock_;
  services.Random = &random_;
  services.Dialogs = &dialogs_;
  services.Shell = &shell_;
  services.Timers = timers_.get();
  services.Window = this;
  services.Hotkeys = &hotkeys_;
  services.Profile = &profile_;
  services.Env = &env_;
  services.InputEvents = &inputThread_;
  services.HotkeyDialog = &hotkeyDialog_;
  services.PointPicker = &picker_;
  frm_ = std::make_unique<MainForm>(services);
  binding_ = std::make_unique<FormBinding>(hwnd_, style_);
  binding_->Create(frm_->AllControls(), dpi_);
  status_ = std::make_unique<StatusLine>(
      binding_->WindowOf(ids::statusPanel), frm_->statusPanel.WindowBounds(),
      binding_->WindowOf(ids::statusLabel), frm_->statusLabel.WindowBounds(),
      binding_->WindowOf(ids::websiteLink));
  binding_->OnChanged = [this](int id) {
    if (id == ids::statusLabel || id == ids::statusPanel) LayOutStatusLine();
  };
  if (const wchar_t* failure = style_.Failure())
    MessageBoxW(hwnd_, failure, Widen(product::kTitle).c_str(), MB_ICONERROR | MB_OK);
  Guarded([&] { frm_->Create(); });

  // Fixed size (with the status line's text as Create left it), centred on the screen.
  statusExtra_ = status_->Layout(dpi_);
  const SIZE size = NormalSize();
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - size.cx) / 2,
               work.top + (work.bottom - work.top - size.cy) / 2, size.cx, size.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);

  // The notification area shows small icons at the system's DPI.
  trayIcon_.Reset(LoadAppIcon(MetricForDpi(SM_CXSMICON, SystemDpi())));
  tray_.Add(hwnd_,
            trayIcon_.Get() ? trayIcon_.Get()
                            : reinterpret_cast<HICON>(GetClassLongPtrW(hwnd_, GCLP_HICONSM)),
            Widen(product::kTitle));
}

SIZE MainWindow::NormalSize() const {
  const RECT outer = OuterRectForClient(kClientWidth, kClientHeight, kStyle, kExStyle, dpi_);
  return {outer.right - outer.left, outer.bottom - outer.top + statusExtra_};
}

void MainWindow::SetMinimisedNormalSize() {
  // The window comes back at its normal size, unless it was minimised as the compact bar.
  const SIZE normal = NormalSize();
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  GetWindowPlacement(hwnd_, &placement);
  RECT& r = placement.rcNormalPosition;
  if ((r.bottom - r.top) * 2 >= normal.cy) {
    r.right = r.left + normal.cx;
    r.bottom = r.top + normal.cy;
    SetWindowPlacement(hwnd_, &placement);
  }
}

void MainWindow::LayOutStatusLine() {
  if (!hwnd_ || !status_) return;
  const int extra = status_->Layout(dpi_);
  if (extra == statusExtra_) return;
  statusExtra_ = extra;
  // The compact bar keeps its size; leaving it puts the normal size back (SetBounds).
  if (frm_ && frm_->CompactActive()) return;
  if (IsIconic(hwnd_)) {
    SetMinimisedNormalSize();
    return;
  }
  // The window keeps its top left corner and stays on its monitor's work area.
  const SIZE normal = NormalSize();
  RECT now;
  GetWindowRect(hwnd_, &now);
  int top = now.top;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor))
    top = std::max<int>(monitor.rcWork.top, std::min<int>(top, monitor.rcWork.bottom - normal.cy));
  SetWindowPos(hwnd_, nullptr, now.left, top, normal.cx, normal.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::MsgDpiChanged(WPARAM wp, LPARAM lp) {
  dpi_ = HIWORD(wp);
  style_.SetDpi(dpi_);
  icons_.Apply(hwnd_, dpi_);
  if (binding_) binding_->Layout(dpi_);
  if (status_) statusExtra_ = status_->Layout(dpi_);
  const SIZE normal = NormalSize();
  if (IsIconic(hwnd_)) {
    // Minimised: the window comes back at its size for the new DPI.
    SetMinimisedNormalSize();
    return;
  }
  RECT now;
  GetWindowRect(hwnd_, &now);
  if ((now.bottom - now.top) * 2 < normal.cy) {
    // The compact running bar: it keeps its width and its corner of the screen and takes the
    // caption height of the new DPI. Its saved bounds are put right when it is left (SetBounds).
    const int height = MetricForDpi(SM_CYCAPTION, dpi_) + 2 * MetricForDpi(SM_CYFRAME, dpi_);
    SetWindowPos(hwnd_, nullptr, now.left, now.bottom - height, now.right - now.left, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    // Fixed size: the size for the new DPI, where the system suggests.
    const RECT* suggested = reinterpret_cast<const RECT*>(lp);
    SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, normal.cx, normal.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void MainWindow::MsgActivate(WPARAM wp) {
  // As a dialog does: the focus goes back to the control that had it when the window was left,
  // or to the first tab stop, so that the keyboard works at once.
  if (LOWORD(wp) == WA_INACTIVE) {
    const HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
    return;
  }
  if (HIWORD(wp)) return;  // minimised
  HWND target = lastFocus_;
  if (!target || !IsWindow(target) || !IsWindowEnabled(target) || !IsWindowVisible(target))
    target = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  if (target) SetFocus(target);
}

void MainWindow::MsgNextDlgCtl(WPARAM wp, LPARAM lp) {
  // The dialog manager (IsDialogMessageW) asks the window to move the focus: to a given control
  // (the arrow keys in a group) or to the next or previous tab stop.
  HWND next = LOWORD(lp) ? reinterpret_cast<HWND>(wp)
                         : GetNextDlgTabItem(hwnd_, GetFocus(), wp != 0 ? TRUE : FALSE);
  if (!next || !IsChild(hwnd_, next)) return;
  if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
    SendMessageW(next, EM_SETSEL, 0, -1);
  SetFocus(next);
}

void MainWindow::MsgTrayIcon(WPARAM wp, LPARAM lp) {
  switch (mainform::TrayRequestFor(tray_.Event(lp), tray_.Version4())) {
    case mainform::TrayRequest::ShowWindow:
      frm_->TrayIconClicked();
      break;
    case mainform::TrayRequest::OpenMenu:
      ShowTrayMenu(tray_.Point(wp));
      break;
    case mainform::TrayRequest::None:
      break;
  }
}

void MainWindow::ShowTrayMenu(POINT at) {
  MenuHandle menu(CreatePopupMenu());
  if (!menu.Get()) return;
  for (const mainform::TrayMenuItem& item : frm_->TrayMenu())
    AppendMenuW(menu.Get(), MF_STRING | (item.enabled ? MF_ENABLED : MF_GRAYED),
                static_cast<UINT_PTR>(item.id), Widen(item.text).c_str());
  frm_->TrayMenuOpening();
  UINT chosen = 0;
  try {
    chosen = TrayIcon::TrackMenu(hwnd_, menu.Get(), at);
    // The command as a menu owned by the window sends it, carried out before the run goes on.
    if (chosen != 0) SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
  } catch (...) {
    frm_->TrayMenuClosed();
    throw;
  }
  frm_->TrayMenuClosed();
}

LRESULT CALLBACK MainWindow::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  MainWindow* self = nullptr;
  if (msg == WM_NCCREATE) {
    self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
  LRESULT result = 0;
  try {
    result = self->Handle(msg, wp, lp);
  } catch (...) {
    result = DefWindowProcW(hwnd, msg, wp, lp);
  }
  return result;
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      MsgCreate();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK && lp == 0) {
        // Enter, through the dialog manager, while a push button of the standard look has the
        // focus: the button is pressed.
        const HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus) &&
            (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON))
          SendMessageW(focus, BM_CLICK, 0, 0);
        return 0;
      }
      if (lp == 0 && HIWORD(wp) == 0 && frm_) {
        // A menu's command: the notification icon's, or anyone's who sends the same.
        bool handled = false;
        Guarded([&] { handled = frm_->TrayCommand(LOWORD(wp)); });
        if (handled) return 0;
      }
      if (binding_) {
        bool handled = false;
        Guarded([&] { handled = binding_->OnCommand(wp, lp); });
        if (handled) return 0;
      }
      break;
    case WM_TIMER:
      if (timers_) {
        // (the stand-in timer of the precise timers, or the plain timers of the baseline)
        bool handled = false;
        Guarded([&] { handled = timers_->OnTimer(wp); });
        if (handled) return 0;
      }
      break;
    case WM_ACTIVATE:
      MsgActivate(wp);
      return 0;
    case WM_NEXTDLGCTL:
      MsgNextDlgCtl(wp, lp);
      return 0;
    case WM_COPYDATA:
      return MsgCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lp));
    case kRunCommandMessage:
      RunNextCommand();
      return 0;
    case InputThread::kQueuedMessage:
      Guarded([&] { inputThread_.Notify(); });
      return 0;
    case WM_HOTKEY:
      Guarded([&] { frm_->HotkeyPressed(wp); });
      return 0;
    case TrayIcon::kCallbackMessage:
      if (frm_ && frm_->SendingInput()) {
        // Delivered while input goes out: the menu's loop must not nest in there.
        PostMessageW(hwnd_, msg, wp, lp);
        return 0;
      }
      if (frm_) Guarded([&] { MsgTrayIcon(wp, lp); });
      return 0;
    case WM_DPICHANGED:
      MsgDpiChanged(wp, lp);
      return 0;
    case WM_CLOSE:
      // Closing is never refused: the form finishes what is active, then the window goes.
      Guarded([&] { frm_->Closing(); });
      DestroyWindow(hwnd_);
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // wParam FALSE: the end of the session was cancelled, and nothing changes.
      if (wp) {
        sessionEnded_ = true;
        Guarded([&] { frm_->SessionEnding(); });
      }
      return 0;
    case WM_DESTROY:
      Guarded([&] { frm_->Destroy(); });
      tray_.Remove();
      // The binding and the timers stay until the window object goes: this message may arrive
      // inside one of their own handlers (the window closed while a handler's message box is
      // open), which must find them alive when it returns.
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      const HWND hwnd = hwnd_;
      hwnd_ = nullptr;
      return DefWindowProcW(hwnd, msg, wp, lp);
    }
    default:
      if (msg == taskbarCreated_ && taskbarCreated_ != 0) tray_.Readd();
      if (msg == showRequest_ && showRequest_ != 0) {
        if (frm_) Guarded([&] { frm_->ActivateMainWindow(); });
        return 0;
      }
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

HANDLE MainWindow::TimerHandle() const {
#ifdef ZD_SETTIMER_CLICKS
  return nullptr;
#else
  return timers_ ? timers_->Handle() : nullptr;
#endif
}

void MainWindow::ServiceTimers() noexcept {
#ifndef ZD_SETTIMER_CLICKS
  if (timers_) Guarded([&] { timers_->OnSignaled(); });
#endif
}

std::string MainWindow::Caption() {
  return WindowText(hwnd_);
}

void MainWindow::SetCaption(const std::string& caption) {
  SetWindowTextW(hwnd_, Widen(caption).c_str());
}

plat::Rect MainWindow::Bounds() {
  RECT r;
  if (IsIconic(hwnd_)) {
    // Minimised: the bounds it comes back at, not those of its minimised caption. The placement
    // is in workspace coordinates, which start at the work area's corner.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(hwnd_, &placement);
    r = placement.rcNormalPosition;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &monitor))
      OffsetRect(&r, monitor.rcWork.left - monitor.rcMonitor.left,
                 monitor.rcWork.top - monitor.rcMonitor.top);
  } else {
    GetWindowRect(hwnd_, &r);
  }
  return {r.left, r.top, r.right, r.bottom};
}

void MainWindow::SetBounds(const plat::Rect& b) {
  // The window has one size per DPI in its normal presentation: bounds saved before the DPI
  // changed (while it was compact) come back at the size for the DPI it has now.
  int width = b.Width(), height = b.Height();
  const SIZE normal = NormalSize();
  if (height * 2 >= normal.cy) {
    width = normal.cx;
    height = normal.cy;
  }
  SetWindowPos(hwnd_, nullptr, b.Left, b.Top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool MainWindow::IsVisible() {
  return IsWindowVisible(hwnd_) != FALSE;
}

void MainWindow::Show() {
  // SW_SHOWNOACTIVATE also restores a minimised window; SW_SHOWNA would leave it minimised.
  if (!IsWindowVisible(hwnd_) || IsIconic(hwnd_)) ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
  SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::Activate() {
  ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(hwnd_);
}

void MainWindow::Hide() {
  ShowWindow(hwnd_, SW_HIDE);
}

void MainWindow::Close() {
  PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void MainWindow::SetTopMost(bool topMost) {
  SetWindowPos(hwnd_, topMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::PlaceTopMost(const plat::Rect& b) {
  SetWindowPos(hwnd_, HWND_TOPMOST, b.Left, b.Top, b.Width(), b.Height(),
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

void MainWindow::Repaint() {
  RedrawWindow(hwnd_, nullptr, nullptr,
               RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

int MainWindow::CaptionHeight() {
  return MetricForWindow(hwnd_, SM_CYCAPTION);
}

int MainWindow::FrameHeight() {
  return MetricForWindow(hwnd_, SM_CYFRAME);
}

plat::Rect MainWindow::WorkArea() {
  RECT r;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  return {r.left, r.top, r.right, r.bottom};
}

}  // namespace win
