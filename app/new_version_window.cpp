#include "app/new_version_window.h"

#include "platform/win32/dpi.h"

#include <commctrl.h>

#include <utility>

#include "platform/win32/text.h"

namespace win {

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

}  // namespace

// messageLabel: a word-wrapped static text.
class NewVersionWindow::LabelPeer : public ui::ControlPeer {
 public:
  explicit LabelPeer(HWND hwnd) : hwnd_(hwnd) {}
  void PeerSetText(const std::string& text) override { SetWindowTextW(hwnd_, Widen(text).c_str()); }
  void PeerSetEnabled(bool enabled) override { EnableWindow(hwnd_, enabled); }
  void PeerSetVisible(bool visible) override { ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }

 private:
  HWND hwnd_;
};

// progressBar: a msctls_progress32 control.
class NewVersionWindow::ProgressPeer : public update::ProgressBarPeer {
 public:
  explicit ProgressPeer(HWND hwnd) : hwnd_(hwnd) {}
  void PeerSetPosition(int position) override {
    SendMessageW(hwnd_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  }
  void PeerSetVisible(bool visible) override { ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }
  void PeerRepaint() override {
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }

 private:
  HWND hwnd_;
};

NewVersionWindow::NewVersionWindow(update::UpdateState& state, std::string server)
    : http_(MakeWinHttpClient()), form_(state, std::move(server), http_, host_, dialogs_, shell_) {}

NewVersionWindow::~NewVersionWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

int NewVersionWindow::ShowModal(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);  // fails harmlessly when the class exists

  // Created hidden on the primary monitor, so that its DPI is known before it is sized.
  CreateWindowExW(kExStyle, kClassName, L"", kStyle, 0, 0, 0, 0, nullptr, nullptr, instance, this);
  if (!hwnd_) return 1;

  form_.OnClosed = [this] { ShowWindow(hwnd_, SW_HIDE); };
  form_.Shown();
  SetWindowTextW(hwnd_, Widen(form_.Caption()).c_str());
  Centre();
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  SetForegroundWindow(hwnd_);
  if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE)) SetFocus(first);

  MSG msg;
  while (!form_.Closed()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // Asked to quit: close the dialog as its close box would, and leave the quit to the
      // loop that comes next.
      form_.Close();
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got < 0) break;
    if (!IsDialogMessageW(hwnd_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  const int tag = form_.Tag();
  DestroyWindow(hwnd_);
  return tag;
}

void NewVersionWindow::MsgCreate() {
  dpi_ = WindowDpi(hwnd_);
  style_.SetDpi(dpi_);
  style_.ApplyToWindow(hwnd_);
  icons_.Apply(hwnd_, dpi_);
  host_.SetDialog(hwnd_);
  http_.SetDialog(hwnd_);
  dialogs_.SetOwner(hwnd_);

  const HINSTANCE instance = GetModuleHandleW(nullptr);
  label_ = CreateWindowExW(
      0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, hwnd_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(update::kIdMessage)), instance, nullptr);
  progress_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 0, 0, 0, hwnd_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(update::kIdProgress)),
                              instance, nullptr);
  SendMessageW(progress_, PBM_SETRANGE32, static_cast<WPARAM>(form_.progressBar.Min()),
               form_.progressBar.Max());
  style_.Apply(label_, Role::Label);
  style_.Apply(progress_, Role::ProgressBar);

  labelPeer_ = std::make_unique<LabelPeer>(label_);
  progressPeer_ = std::make_unique<ProgressPeer>(progress_);
  form_.messageLabel.Bind(labelPeer_.get());
  form_.progressBar.Bind(progressPeer_.get());
  // The buttons, in their tab order.
  binding_ = std::make_unique<FormBinding>(hwnd_, style_);
  binding_->Create({&form_.updateNowButton, &form_.cancelButton}, dpi_);
  Layout();
}

void NewVersionWindow::Layout() {
  const auto place = [&](HWND hwnd, const ui::Bounds& b) {
    MoveWindow(hwnd, ScaleForDpi(b.Left, dpi_), ScaleForDpi(b.Top, dpi_),
               ScaleForDpi(b.Width, dpi_), ScaleForDpi(b.Height, dpi_), TRUE);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(style_.Font()), TRUE);
  };
  place(label_, form_.messageLabel.GetBounds());
  place(progress_, form_.progressBar.GetBounds());
  if (binding_) binding_->Layout(dpi_);
}

void NewVersionWindow::Centre() {
  const RECT outer = OuterRectForClient(update::kNewVersionClientWidth,
                                        update::kNewVersionClientHeight, kStyle, kExStyle, dpi_);
  const int w = outer.right - outer.left, h = outer.bottom - outer.top;
  MONITORINFO info{};
  info.cbSize = sizeof info;
  RECT work{0, 0, w, h};
  if (GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &info)) {
    work = info.rcWork;
  }
  SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - w) / 2,
               work.top + (work.bottom - work.top - h) / 2, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

void NewVersionWindow::MsgPaint() {
  PAINTSTRUCT ps;
  const HDC dc = BeginPaint(hwnd_, &ps);
  const ui::Bounds& b = update::kUpdatePictureBounds;
  const RECT box{ScaleForDpi(b.Left, dpi_), ScaleForDpi(b.Top, dpi_),
                 ScaleForDpi(b.Left + b.Width, dpi_), ScaleForDpi(b.Top + b.Height, dpi_)};
  RECT overlap;
  if (IntersectRect(&overlap, &box, &ps.rcPaint)) {
    style_.DrawGlyph(dc, box, Glyph::Update, true, style_.Face());
  }
  EndPaint(hwnd_, &ps);
}

void NewVersionWindow::MsgActivate(WPARAM wp) {
  // Keep the focus on the control that had it when the dialog is left and re-entered (for
  // example around the error box).
  if (LOWORD(wp) == WA_INACTIVE) {
    const HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
    return;
  }
  HWND target = lastFocus_;
  if (!target || !IsWindow(target) || !IsWindowEnabled(target) || !IsWindowVisible(target)) {
    target = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  }
  if (target) SetFocus(target);
}

void NewVersionWindow::MsgDpiChanged(WPARAM wp, LPARAM lp) {
  dpi_ = HIWORD(wp);
  style_.SetDpi(dpi_);
  icons_.Apply(hwnd_, dpi_);
  Layout();
  const RECT* suggested = reinterpret_cast<const RECT*>(lp);
  SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
               suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

LRESULT CALLBACK NewVersionWindow::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  NewVersionWindow* self = nullptr;
  if (msg == WM_NCCREATE) {
    self = static_cast<NewVersionWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<NewVersionWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  try {
    return self->Handle(msg, wp, lp);
  } catch (...) {
    // The dialog's handlers report their own errors; nothing may cross into the system.
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

LRESULT NewVersionWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      MsgCreate();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == IDCANCEL && lp == 0) {
        // Esc, through IsDialogMessageW: the same as the close box.
        form_.CloseBox();
        return 0;
      }
      if (binding_ && binding_->OnCommand(wp, lp)) return 0;
      break;
    case WM_PAINT:
      MsgPaint();
      return 0;
    case WM_ACTIVATE:
      MsgActivate(wp);
      return 0;
    case WM_DPICHANGED:
      MsgDpiChanged(wp, lp);
      return 0;
    case WM_CLOSE:
      // The close box and Alt+F4; during the download the download closes the dialog itself
      // once it has ended.
      form_.CloseBox();
      return 0;
    case WM_DESTROY:
      binding_.reset();
      form_.messageLabel.Bind(nullptr);
      form_.progressBar.Bind(nullptr);
      labelPeer_.reset();
      progressPeer_.reset();
      host_.SetDialog(nullptr);
      http_.SetDialog(nullptr);
      dialogs_.SetOwner(nullptr);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace win
