#include "app/point_picker.h"

#include <windowsx.h>

#include <cstdio>
#include <utility>

#include "platform/win32/dpi.h"

namespace win {

namespace {

constexpr wchar_t kLabelClass[] = L"PickPointLabel";
// How much the cover darkens the screen: enough to show that the screen is being picked from,
// little enough to see every window below it.
constexpr BYTE kCoverAlpha = 48;
constexpr int kLabelOffset = 18;  // from the pointer, in 96-DPI pixels

POINT CursorNow() {
  POINT p{};
  GetCursorPos(&p);
  return p;
}

void RegisterClasses(WNDPROC coverProc, WNDPROC labelProc) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = coverProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32515));  // IDC_CROSS
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = PointPicker::kCoverClass;
  RegisterClassExW(&wc);  // fails harmlessly when the class exists
  wc.lpfnWndProc = labelProc;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32515));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kLabelClass;
  RegisterClassExW(&wc);
}

}  // namespace

PointPicker::~PointPicker() {
  DestroyWindows();
}

bool PointPicker::Begin(std::function<void(std::optional<plat::Point>)> done) {
  DestroyWindows();
  RegisterClasses(CoverProc, LabelProc);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  desk_ = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
  desk_.right = desk_.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
  desk_.bottom = desk_.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
  cover_ =
      CreateWindowExW(WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_TOOLWINDOW, kCoverClass,
                      L"Pick a point", WS_POPUP, desk_.left, desk_.top, desk_.right - desk_.left,
                      desk_.bottom - desk_.top, nullptr, nullptr, instance, this);
  if (!cover_) return false;
  SetLayeredWindowAttributes(cover_, 0, kCoverAlpha, LWA_ALPHA);
  // The label never takes a click or the focus: the cover below it gets them.
  label_ = CreateWindowExW(
      WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT,
      kLabelClass, L"", WS_POPUP | WS_BORDER, 0, 0, 0, 0, nullptr, nullptr, instance, this);
  if (label_) SetLayeredWindowAttributes(label_, 0, 255, LWA_ALPHA);
  done_ = std::move(done);
  leftDown_ = rightDown_ = wasActive_ = false;
  ShowWindow(cover_, SW_SHOW);
  SetForegroundWindow(cover_);
  SetFocus(cover_);
  FollowPointer();
  return true;
}

void PointPicker::Cancel() {
  done_ = nullptr;
  DestroyWindows();
}

void PointPicker::DestroyWindows() noexcept {
  if (GetCapture() == cover_ && cover_) ReleaseCapture();
  HWND cover = std::exchange(cover_, nullptr);
  HWND label = std::exchange(label_, nullptr);
  if (label) DestroyWindow(label);
  if (cover) DestroyWindow(cover);
  if (font_) DeleteObject(std::exchange(font_, nullptr));
}

void PointPicker::Finish(std::optional<plat::Point> point) noexcept {
  auto done = std::exchange(done_, nullptr);
  DestroyWindows();
  if (!done) return;
  try {
    done(point);
  } catch (...) {
    // The window's handler reports its own failures; nothing may leave a window procedure.
  }
}

void PointPicker::FollowPointer() noexcept {
  if (!label_) return;
  const POINT p = CursorNow();
  wchar_t text[96];
  std::swprintf(text, 96, L"X %ld, Y %ld\nClick: pick   Esc: cancel", static_cast<long>(p.x),
                static_cast<long>(p.y));
  SetWindowTextW(label_, text);
  const UINT dpi = WindowDpi(cover_);
  if (!font_) {
    font_ = CreateFontW(-MulDiv(12, static_cast<int>(dpi), 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                        FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                        CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI");
  }
  const int width = MulDiv(150, static_cast<int>(dpi), 96);
  const int height = MulDiv(38, static_cast<int>(dpi), 96);
  const int offset = MulDiv(kLabelOffset, static_cast<int>(dpi), 96);
  // Below right of the pointer, or on the other side where the desktop ends.
  int x = p.x + offset;
  int y = p.y + offset;
  if (x + width > desk_.right) x = p.x - offset - width;
  if (y + height > desk_.bottom) y = p.y - offset - height;
  SetWindowPos(label_, HWND_TOPMOST, x, y, width, height,
               SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER);
  InvalidateRect(label_, nullptr, TRUE);
}

LRESULT CALLBACK PointPicker::CoverProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  if (msg == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<PointPicker*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && hwnd == self->cover_) return self->OnCoverMessage(msg, wp, lp);
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT PointPicker::OnCoverMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept {
  switch (msg) {
    case WM_MOUSEMOVE:
      FollowPointer();
      return 0;
    case WM_LBUTTONDOWN:
      // Where the press happened, as the message tells it: the pointer may be elsewhere by the
      // time it is handled.
      leftDown_ = true;
      pressedAt_ = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      ClientToScreen(cover_, &pressedAt_);
      SetCapture(cover_);
      return 0;
    case WM_LBUTTONUP:
      // The release ends the pick too, so that it does not land on the window below.
      if (leftDown_) Finish(plat::Point{pressedAt_.x, pressedAt_.y});
      return 0;
    case WM_RBUTTONDOWN:
      rightDown_ = true;
      SetCapture(cover_);
      return 0;
    case WM_RBUTTONUP:
      if (rightDown_) Finish(std::nullopt);
      return 0;
    case WM_KEYDOWN:
      if (wp == VK_ESCAPE) Finish(std::nullopt);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE) {
        wasActive_ = true;
      } else if (wasActive_) {
        // Another window came to the front (Alt+Tab, a message of another program): the
        // cover must not stay over it.
        Finish(std::nullopt);
      }
      return 0;
    case WM_CANCELMODE:
      if (GetCapture() == cover_) ReleaseCapture();
      leftDown_ = rightDown_ = false;
      return 0;
    case WM_MOUSEACTIVATE:
      return MA_ACTIVATE;
    default:
      return DefWindowProcW(cover_, msg, wp, lp);
  }
}

LRESULT CALLBACK PointPicker::LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  if (msg == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  if (msg == WM_NCHITTEST) return HTTRANSPARENT;
  if (msg == WM_PAINT) {
    auto* self = reinterpret_cast<PointPicker*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(hwnd, &ps);
    wchar_t text[96] = {};
    GetWindowTextW(hwnd, text, 96);
    RECT r;
    GetClientRect(hwnd, &r);
    InflateRect(&r, -4, -2);
    const HGDIOBJ old = self && self->font_ ? SelectObject(dc, self->font_) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextW(dc, text, -1, &r, DT_CENTER | DT_NOPREFIX);
    if (old) SelectObject(dc, old);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace win
