#include "ui/win32/style.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <unordered_map>

namespace win {

namespace {

using namespace palette;

// Subclass IDs of SetWindowSubclass.
constexpr UINT_PTR kControlSubclass = 0x5A44'0001;
constexpr UINT_PTR kWindowSubclass = 0x5A44'0002;
constexpr UINT_PTR kPlainPaintSubclass = 0x5A44'0003;
// The skinned controls of the thread (the user-interface thread) by window.
thread_local std::unordered_map<HWND, Style::Control*> g_controls;
// Marks a dialog whose children have been skinned.
constexpr wchar_t kSkinnedProp[] = L"ZuraDivudiv.Skinned";

// Colours derived from the palette: `percentOfB` percent of b mixed into a.
constexpr COLORREF Blend(COLORREF a, COLORREF b, int percentOfB) {
  const auto mix = [&](int ca, int cb) {
    return (ca * (100 - percentOfB) + cb * percentOfB) / 100;
  };
  return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
             mix(GetBValue(a), GetBValue(b)));
}
// The outline of an unchecked check box or radio button, between the field and the text.
constexpr COLORREF kMarkEdge = Blend(kField, kStaticText, 35);
// A button under the mouse.
constexpr COLORREF kHotFace = kField;
// The outline of an enabled button.
constexpr COLORREF kButtonEdge = Blend(kField, kStaticText, 15);

// Pictures are drawn this many times larger and scaled down, which smooths their edges.
constexpr int kOversample = 4;

// ---------------------------------------------------------------------------------------------
// Small GDI helpers.

void Fill(HDC dc, const RECT& r, COLORREF colour) {
  const COLORREF old = SetDCBrushColor(dc, colour);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  SetDCBrushColor(dc, old);
}

// A frame `width` pixels wide along the inside of `r`.
void Frame(HDC dc, const RECT& r, COLORREF colour, int width = 1) {
  Fill(dc, {r.left, r.top, r.right, r.top + width}, colour);
  Fill(dc, {r.left, r.bottom - width, r.right, r.bottom}, colour);
  Fill(dc, {r.left, r.top + width, r.left + width, r.bottom - width}, colour);
  Fill(dc, {r.right - width, r.top + width, r.right, r.bottom - width}, colour);
}

// Selects a GDI object into a device context for one scope.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~Selected() { SelectObject(dc_, old_); }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// Owns a memory device context and restores the bitmap it had at first.
class MemoryDc {
 public:
  MemoryDc(HDC like, HBITMAP bitmap) : dc_(CreateCompatibleDC(like)) {
    if (dc_) old_ = SelectObject(dc_, bitmap);
  }
  ~MemoryDc() {
    if (!dc_) return;
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

// Draws a picture at kOversample times the size of `box` on `background` and scales it down
// into `box`. `paint` gets the memory DC and the size of its square-or-not canvas.
template <typename Paint>
void Oversampled(HDC dc, const RECT& box, COLORREF background, Paint paint) {
  const int w = box.right - box.left, h = box.bottom - box.top;
  if (w <= 0 || h <= 0) return;
  const int sw = w * kOversample, sh = h * kOversample;
  GdiObject<HBITMAP> big(CreateCompatibleBitmap(dc, sw, sh));
  if (!big.Get()) return;
  MemoryDc mem(dc, big.Get());
  if (!mem.Get()) return;
  Fill(mem.Get(), {0, 0, sw, sh}, background);
  paint(mem.Get(), sw, sh);
  const int oldMode = SetStretchBltMode(dc, HALFTONE);
  POINT oldOrigin;
  SetBrushOrgEx(dc, 0, 0, &oldOrigin);
  StretchBlt(dc, box.left, box.top, w, h, mem.Get(), 0, 0, sw, sh, SRCCOPY);
  SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
  SetStretchBltMode(dc, oldMode);
}

void SolidPolygon(HDC dc, const POINT* points, int count, COLORREF colour) {
  const COLORREF old = SetDCBrushColor(dc, colour);
  Selected brush(dc, GetStockObject(DC_BRUSH));
  Selected pen(dc, GetStockObject(NULL_PEN));
  Polygon(dc, points, count);
  SetDCBrushColor(dc, old);
}

void SolidEllipse(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  const COLORREF old = SetDCBrushColor(dc, colour);
  Selected brush(dc, GetStockObject(DC_BRUSH));
  Selected pen(dc, GetStockObject(NULL_PEN));
  Ellipse(dc, left, top, right, bottom);
  SetDCBrushColor(dc, old);
}

// A small arrow pointing up or down, one pixel wide at its tip and two wider on each row after
// it, so that its sides are sharp at every size. (cx, cy) is its middle; `rows` its height.
void Arrow(HDC dc, int cx, int cy, int rows, bool up, COLORREF colour) {
  const int top = cy - rows / 2;
  for (int k = 0; k < rows; ++k) {
    const int half = up ? k : rows - 1 - k;
    Fill(dc, {cx - half, top + k, cx + half + 1, top + k + 1}, colour);
  }
}

std::wstring TextOf(HWND hwnd) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, static_cast<int>(std::size(name)));
  return name;
}

bool IsClass(HWND hwnd, const wchar_t* name) {
  return CompareStringOrdinal(ClassOf(hwnd).c_str(), -1, name, -1, TRUE) == CSTR_EQUAL;
}

HFONT FontOf(HWND hwnd) {
  return reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
}

// Draws `text` with the control's font in `colour`, transparently.
void DrawTextIn(HDC dc, HWND control, const std::wstring& text, RECT r, UINT format,
                COLORREF colour) {
  HFONT font = FontOf(control);
  Selected f(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(dc, colour);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
}

// The rectangle of a window's client area in its own window coordinates.
RECT ClientInWindow(HWND hwnd) {
  RECT window, client;
  GetWindowRect(hwnd, &window);
  GetClientRect(hwnd, &client);
  MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
  OffsetRect(&client, -window.left, -window.top);
  return client;
}

// Calls DwmSetWindowAttribute when the system has it (it is looked up at run time, so the
// program also starts where the desktop window manager is missing).
HRESULT SetWindowAttribute(HWND hwnd, DWORD attribute, const void* value, DWORD size) {
  using Fn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
  static const Fn fn = [] {
    HMODULE dwm = LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return dwm ? reinterpret_cast<Fn>(
                     reinterpret_cast<void*>(GetProcAddress(dwm, "DwmSetWindowAttribute")))
               : nullptr;
  }();
  return fn ? fn(hwnd, attribute, value, size) : E_NOTIMPL;
}

// Attributes of DwmSetWindowAttribute that older SDK headers lack.
constexpr DWORD kUseImmersiveDarkMode = 20;
constexpr DWORD kUseImmersiveDarkModeBefore20H1 = 19;
constexpr DWORD kBorderColor = 34;
constexpr DWORD kCaptionColor = 35;
constexpr DWORD kTextColor = 36;

int SystemMetricForDpi(int index, UINT dpi) {
  using Fn = int(WINAPI*)(int, UINT);
  static const auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi")));
  return fn ? fn(index, dpi) : GetSystemMetrics(index);
}

bool HighContrast() {
  HIGHCONTRASTW hc{};
  hc.cbSize = sizeof hc;
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) &&
         (hc.dwFlags & HCF_HIGHCONTRASTON);
}

HFONT MakeFont(UINT dpi, bool underline) {
  return CreateFontW(-MulDiv(12, static_cast<int>(dpi), 96), 0, 0, 0, FW_NORMAL, FALSE,
                     underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                     L"Segoe UI");
}

}  // namespace

// The state of one skinned control.
struct Style::Control {
  const Style* style;
  Role role;
  Glyph glyph;
  bool checked = false;    // check boxes and radio buttons (owner-drawn ones keep no state)
  bool isDefault = false;  // push buttons: the dialog's default button
  bool hot = false;        // push buttons: under the mouse
};

// ---------------------------------------------------------------------------------------------

Style::Style() {
  if (HighContrast()) return;  // the user's colours win
  faceBrush_.Reset(CreateSolidBrush(kFace));
  fieldBrush_.Reset(CreateSolidBrush(kField));
  if (!faceBrush_.Get() || !fieldBrush_.Get()) {
    failure_ =
        L"The visual style \"Midnight Express Green\" cannot be applied: its brushes "
        L"cannot be created. The program goes on with the standard look.";
    return;
  }
  active_ = true;
}

Style::~Style() = default;

void Style::SetDpi(UINT dpi) {
  dpi_ = dpi ? dpi : 96;
  font_[1].Reset(font_[0].Release());
  underlined_[1].Reset(underlined_[0].Release());
  font_[0].Reset(MakeFont(dpi_, false));
  underlined_[0].Reset(MakeFont(dpi_, true));
}

COLORREF Style::Face() const {
  return active_ ? kFace : GetSysColor(COLOR_BTNFACE);
}

DWORD Style::CreationStyle(Role role, DWORD standard) const {
  if (!active_) return standard;
  switch (role) {
    case Role::PushButton:
    case Role::CheckBox:
    case Role::RadioButton:
      return (standard & ~static_cast<DWORD>(BS_TYPEMASK)) | BS_OWNERDRAW;
    case Role::ComboBox:
      return standard | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
    case Role::ListBox:
      return standard | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
    default:
      return standard;
  }
}

void Style::Apply(HWND control, Role role, Glyph glyph) {
  if (!control) return;
  // The link keeps its colour in the standard look too; nothing else is touched then.
  if (!active_ && role != Role::Link) return;
  if (ControlOf(control)) return;
  auto* c = new Control{this, role, glyph};
  if (!SetWindowSubclass(control, ControlProc, kControlSubclass, reinterpret_cast<DWORD_PTR>(c))) {
    delete c;
    return;
  }
  g_controls[control] = c;
  if (!active_) return;
  if (role == Role::ListBox) {
    // Its scroll bar is the system's: the dark one where Windows has it.
    SetWindowTheme(control, L"DarkMode_Explorer", nullptr);
  } else if (role != Role::Label && role != Role::Link) {
    // Painted here in full: no visual-styles theme that would paint over it (hover animations).
    SetWindowTheme(control, L"", L"");
  }
  if (role == Role::StatusPanel) {
    // The panel is a line along its top, without the sunken edge a system panel may carry.
    const LONG_PTR ex = GetWindowLongPtrW(control, GWL_EXSTYLE);
    SetWindowLongPtrW(control, GWL_EXSTYLE, ex & ~(WS_EX_STATICEDGE | WS_EX_CLIENTEDGE));
  }
  if (role == Role::Edit || role == Role::ListBox || role == Role::StatusPanel) {
    SetWindowPos(control, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
  InvalidateRect(control, nullptr, TRUE);
}

void Style::ApplyToWindow(HWND window) {
  if (!window) return;
  SetWindowSubclass(window, WindowProc, kWindowSubclass, reinterpret_cast<DWORD_PTR>(this));
  if (!active_) return;
  SetTitleBar(window, GetActiveWindow() == window);
  InvalidateRect(window, nullptr, TRUE);
}

void Style::ApplyToDialog(HWND dialog) {
  if (!dialog || !active_ || GetPropW(dialog, kSkinnedProp)) return;
  SetPropW(dialog, kSkinnedProp, reinterpret_cast<HANDLE>(1));
  ApplyToWindow(dialog);
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
    if (IsClass(child, WC_BUTTONW)) {
      const DWORD type = style & BS_TYPEMASK;
      if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
        SendMessageW(child, BM_SETSTYLE,
                     (style & 0xFFFF & ~static_cast<DWORD>(BS_TYPEMASK)) | BS_OWNERDRAW, FALSE);
        Apply(child, Role::PushButton);
        if (Control* c = ControlOf(child)) c->isDefault = type == BS_DEFPUSHBUTTON;
      } else if (type == BS_GROUPBOX) {
        Apply(child, Role::GroupBox);
      }
    } else if (IsClass(child, WC_STATICW)) {
      const DWORD type = style & SS_TYPEMASK;
      if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_LEFTNOWORDWRAP ||
          type == SS_SIMPLE)
        Apply(child, Role::Label);
    } else if (IsClass(child, WC_EDITW)) {
      Apply(child, Role::Edit);
    }
  }
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

Style::Control* Style::ControlOf(HWND hwnd) {
  const auto it = g_controls.find(hwnd);
  return it == g_controls.end() ? nullptr : it->second;
}

void Style::SetTitleBar(HWND window, bool active) const {
  const BOOL dark = TRUE;
  if (FAILED(SetWindowAttribute(window, kUseImmersiveDarkMode, &dark, sizeof dark)))
    SetWindowAttribute(window, kUseImmersiveDarkModeBefore20H1, &dark, sizeof dark);
  // Windows 11 also takes the caption's colours; older systems refuse them, which is harmless.
  const COLORREF caption = kFace, border = kBorder;
  const COLORREF text = active ? kAccent : kGroupCaption;
  SetWindowAttribute(window, kCaptionColor, &caption, sizeof caption);
  SetWindowAttribute(window, kBorderColor, &border, sizeof border);
  SetWindowAttribute(window, kTextColor, &text, sizeof text);
}

// ---------------------------------------------------------------------------------------------
// Parent-side messages.

HBRUSH Style::ControlColor(UINT msg, HDC dc, HWND control) const {
  const Control* c = ControlOf(control);
  if (c && c->role == Role::Link) {
    SetTextColor(dc, kLinkColor);
    SetBkColor(dc, Face());
    return active_ ? faceBrush_.Get() : GetSysColorBrush(COLOR_BTNFACE);
  }
  if (!active_) return nullptr;
  const bool enabled = IsWindowEnabled(control) != FALSE;
  const bool field = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX ||
                     (msg == WM_CTLCOLORSTATIC && IsClass(control, WC_EDITW));
  if (field) {
    // Disabled and read-only fields sit flat on the window's face.
    const bool live = enabled && msg != WM_CTLCOLORSTATIC;
    SetTextColor(dc, enabled ? kText : kDisabledText);
    SetBkColor(dc, live ? kField : kFace);
    return live ? fieldBrush_.Get() : faceBrush_.Get();
  }
  SetTextColor(dc, enabled ? kStaticText : kDisabledText);
  SetBkColor(dc, kFace);
  return faceBrush_.Get();
}

bool Style::MeasureItem(MEASUREITEMSTRUCT& item) const {
  if (!active_ || (item.CtlType != ODT_COMBOBOX && item.CtlType != ODT_LISTBOX)) return false;
  item.itemHeight = static_cast<UINT>(Scale(17));
  return true;
}

bool Style::DrawItem(const DRAWITEMSTRUCT& item) const {
  if (!active_) return false;
  if (item.CtlType == ODT_LISTBOX || item.CtlType == ODT_COMBOBOX) {
    DrawListItem(item);
    return true;
  }
  if (item.CtlType != ODT_BUTTON) return false;
  const Control* c = ControlOf(item.hwndItem);
  if (!c) return false;
  if (c->role == Role::PushButton)
    DrawButton(item, *c);
  else
    DrawCheck(item, *c);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Owner-drawn items.

void Style::DrawButton(const DRAWITEMSTRUCT& item, const Control& c) const {
  const HDC dc = item.hDC;
  const RECT r = item.rcItem;
  const bool enabled = !(item.itemState & ODS_DISABLED);
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const bool focus = (item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT);
  const COLORREF face = !enabled ? kFace : pressed ? kBorder : c.hot ? kHotFace : kFace;
  Fill(dc, r, face);
  const COLORREF edge = !enabled                 ? Blend(kFace, kField, 50)
                        : (focus || c.isDefault) ? kAccent
                                                 : kButtonEdge;
  Frame(dc, r, edge, std::max(1, Scale(1)));

  RECT text = r;
  if (c.glyph != Glyph::None) {
    const int size = Scale(16);
    const int left = r.left + Scale(10);
    const int top = r.top + (r.bottom - r.top - size) / 2 + (pressed ? 1 : 0);
    DrawGlyph(dc, {left, top, left + size, top + size}, c.glyph, enabled, face);
    text.left = left + size;
  }
  if (pressed) OffsetRect(&text, 0, 1);
  UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (item.itemState & ODS_NOACCEL) format |= DT_HIDEPREFIX;
  DrawTextIn(dc, item.hwndItem, TextOf(item.hwndItem), text, format,
             enabled ? kText : kDisabledText);
}

void Style::DrawCheck(const DRAWITEMSTRUCT& item, const Control& c) const {
  const HDC dc = item.hDC;
  const RECT r = item.rcItem;
  const bool enabled = !(item.itemState & ODS_DISABLED);
  const bool focus = (item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT);
  const bool radio = c.role == Role::RadioButton;
  Fill(dc, r, kFace);

  const int size = Scale(13);
  const int top = r.top + (r.bottom - r.top - size) / 2;
  const RECT box{r.left, top, r.left + size, top + size};
  const COLORREF edge = !enabled ? kField : c.checked ? kAccent : kMarkEdge;
  const COLORREF inside = !enabled ? kFace : c.checked && !radio ? kAccent : kField;
  const COLORREF mark = !enabled ? kDisabledText : radio ? kAccent : kFace;
  Oversampled(dc, box, kFace, [&](HDC m, int w, int h) {
    const int line = std::max(kOversample, Scale(1) * kOversample);
    if (radio) {
      SolidEllipse(m, 0, 0, w, h, edge);
      SolidEllipse(m, line, line, w - line, h - line, inside);
      if (c.checked) {
        const int inset = w * 27 / 100;
        SolidEllipse(m, inset, inset, w - inset, h - inset, mark);
      }
      return;
    }
    const int round = w / 5;
    {
      const COLORREF old = SetDCBrushColor(m, edge);
      Selected brush(m, GetStockObject(DC_BRUSH));
      Selected pen(m, GetStockObject(NULL_PEN));
      RoundRect(m, 0, 0, w, h, round, round);
      SetDCBrushColor(m, inside);
      RoundRect(m, line, line, w - line, h - line, round - line, round - line);
      SetDCBrushColor(m, old);
    }
    if (c.checked) {
      // A tick: two strokes as one polygon, about an eighth of the box thick.
      const auto x = [&](double f) { return static_cast<int>(f * w); };
      const auto y = [&](double f) { return static_cast<int>(f * h); };
      const POINT tick[] = {{x(0.20), y(0.50)}, {x(0.32), y(0.38)}, {x(0.43), y(0.52)},
                            {x(0.70), y(0.23)}, {x(0.82), y(0.35)}, {x(0.43), y(0.76)}};
      SolidPolygon(m, tick, static_cast<int>(std::size(tick)), mark);
    }
  });

  RECT text{box.right + Scale(5), r.top, r.right, r.bottom};
  UINT format = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
  if (item.itemState & ODS_NOACCEL) format |= DT_HIDEPREFIX;
  const std::wstring caption = TextOf(item.hwndItem);
  DrawTextIn(dc, item.hwndItem, caption, text, format, enabled ? kStaticText : kDisabledText);
  if (focus) {
    // The focus: a frame in the accent around the caption.
    HFONT font = FontOf(item.hwndItem);
    Selected f(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SIZE extent{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    const int pad = std::max(1, Scale(2));
    const LONG y = r.top + (r.bottom - r.top - extent.cy) / 2;
    const RECT bounds{text.left - pad, std::max<LONG>(r.top, y - 1),
                      std::min<LONG>(r.right, text.left + extent.cx + pad),
                      std::min<LONG>(r.bottom, y + extent.cy + 1)};
    Frame(dc, bounds, kAccent);
  }
}

void Style::DrawListItem(const DRAWITEMSTRUCT& item) const {
  if (item.itemID == static_cast<UINT>(-1)) return;  // an empty list with the focus
  const HDC dc = item.hDC;
  const bool combo = item.CtlType == ODT_COMBOBOX;
  const bool enabled = !(item.itemState & ODS_DISABLED);
  const bool field = (item.itemState & ODS_COMBOBOXEDIT) != 0;
  const bool selected = (item.itemState & ODS_SELECTED) && !field;

  const WPARAM index = item.itemID;
  const LRESULT length =
      SendMessageW(item.hwndItem, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, index, 0);
  std::wstring text;
  if (length > 0) {
    text.assign(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT got = SendMessageW(item.hwndItem, combo ? CB_GETLBTEXT : LB_GETTEXT, index,
                                     reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  }

  COLORREF back = enabled ? kField : kFace;
  COLORREF fore = enabled ? kText : kDisabledText;
  if (selected) {
    back = enabled ? kAccent : kBorder;
    fore = enabled ? kFace : kDisabledText;
  }
  Fill(dc, item.rcItem, back);
  RECT r = item.rcItem;
  r.left += Scale(4);
  r.right -= Scale(2);
  DrawTextIn(dc, item.hwndItem, text, r,
             DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS, fore);
  if ((item.itemState & ODS_FOCUS) && !selected && !field) Frame(dc, item.rcItem, kAccent);
}

// ---------------------------------------------------------------------------------------------
// Controls painted in full.

void Style::PaintLabel(HWND hwnd, HDC dc, const Control& c) const {
  RECT r;
  GetClientRect(hwnd, &r);
  Fill(dc, r, kFace);
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
  UINT format = DT_EXPANDTABS;
  switch (style & SS_TYPEMASK) {
    case SS_CENTER:
      format |= DT_CENTER | DT_WORDBREAK;
      break;
    case SS_RIGHT:
      format |= DT_RIGHT | DT_WORDBREAK;
      break;
    case SS_LEFTNOWORDWRAP:
    case SS_SIMPLE:
      format |= DT_LEFT | DT_SINGLELINE;
      break;
    default:
      format |= DT_LEFT | DT_WORDBREAK;
      break;
  }
  if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
  if (style & SS_ELLIPSISMASK) format |= DT_SINGLELINE | DT_END_ELLIPSIS;
  const COLORREF colour = c.role == Role::Link             ? kLinkColor
                          : IsWindowEnabled(hwnd) != FALSE ? kStaticText
                                                           : kDisabledText;
  DrawTextIn(dc, hwnd, TextOf(hwnd), r, format, colour);
}

void Style::PaintGroupBox(HWND hwnd, HDC dc) const {
  RECT r;
  GetClientRect(hwnd, &r);
  HFONT font = FontOf(hwnd);
  Selected f(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  const int textHeight = tm.tmHeight;
  // The caption's band: cleared in full, so that a shorter caption leaves nothing behind.
  Fill(dc, {r.left, r.top, r.right, r.top + textHeight}, kFace);
  const int line = std::max(1, Scale(1));
  Frame(dc, {r.left, r.top + textHeight / 2, r.right, r.bottom}, kField, line);

  const std::wstring text = TextOf(hwnd);
  if (text.empty()) return;
  RECT caption{r.left + Scale(8), r.top, r.right - Scale(8), r.top + textHeight};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &caption,
            DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
  InflateRect(&caption, Scale(3), 0);
  Fill(dc, caption, kFace);
  InflateRect(&caption, -Scale(3), 0);
  DrawTextIn(dc, hwnd, text, caption, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX,
             IsWindowEnabled(hwnd) ? kGroupCaption : kDisabledText);
}

void Style::PaintStatusPanel(HWND hwnd, HDC dc) const {
  RECT r;
  GetClientRect(hwnd, &r);
  const int line = std::max(1, Scale(1));
  Fill(dc, {r.left, r.top, r.right, r.top + line}, kBorder);
  Fill(dc, {r.left, r.top + line, r.right, r.top + 2 * line}, kField);
}

void Style::PaintDisabledEdit(HWND hwnd, HDC dc) const {
  RECT r;
  GetClientRect(hwnd, &r);
  Fill(dc, r, kFace);
  RECT format = r;
  SendMessageW(hwnd, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
  UINT align = DT_LEFT;
  if (style & ES_CENTER) align = DT_CENTER;
  if (style & ES_RIGHT) align = DT_RIGHT;
  DrawTextIn(dc, hwnd, TextOf(hwnd), format, align | DT_TOP | DT_SINGLELINE | DT_NOPREFIX,
             kDisabledText);
}

// The border of an edit or a list box (its non-client edge): a line in the border colour, the
// accent while it has the focus, and the field's colour up to the client area.
void Style::PaintFieldFrame(HWND hwnd) const {
  const HDC dc = GetWindowDC(hwnd);
  if (!dc) return;
  RECT window;
  GetWindowRect(hwnd, &window);
  OffsetRect(&window, -window.left, -window.top);
  const RECT client = ClientInWindow(hwnd);
  const int edge = std::max(0, static_cast<int>(client.left - window.left));
  if (edge > 0) {
    const bool enabled = IsWindowEnabled(hwnd) != FALSE;
    const bool focus = GetFocus() == hwnd;
    Frame(dc, window, enabled && focus ? kAccent : kBorder);
    if (edge > 1) {
      RECT inner = window;
      InflateRect(&inner, -1, -1);
      Frame(dc, inner, enabled ? kField : kFace, edge - 1);
    }
  }
  ReleaseDC(hwnd, dc);
}

void Style::PaintUpDown(HWND hwnd, HDC dc) const {
  RECT r;
  GetClientRect(hwnd, &r);
  const bool enabled = IsWindowEnabled(hwnd) != FALSE;
  const HWND buddy = reinterpret_cast<HWND>(SendMessageW(hwnd, UDM_GETBUDDY, 0, 0));
  const bool focus = buddy && GetFocus() == buddy;
  Fill(dc, r, enabled ? kField : kFace);

  const int mid = (r.top + r.bottom) / 2;
  const RECT halves[2] = {{r.left, r.top, r.right, mid}, {r.left, mid, r.right, r.bottom}};
  POINT cursor;
  GetCursorPos(&cursor);
  ScreenToClient(hwnd, &cursor);
  const bool pressing = GetCapture() == hwnd && (GetKeyState(VK_LBUTTON) & 0x8000);
  for (int i = 0; i < 2; ++i) {
    const RECT& h = halves[i];
    if (enabled && PtInRect(&h, cursor)) {
      if (pressing)
        Fill(dc, h, kBorder);
      else if (GetCapture() == nullptr)
        Fill(dc, h, Blend(kField, kText, 12));
    }
    // Pointing up in the upper half and down in the lower one.
    Arrow(dc, (h.left + h.right - 1) / 2, (h.top + h.bottom) / 2, std::max(2, Scale(3)), i == 0,
          enabled ? kStaticText : kDisabledText);
  }

  // Border lines where the up-down meets the outer edge of its spin edit, so that the two read as
  // one field; an up-down outside its buddy gets a frame of its own.
  const COLORREF edge = enabled && focus ? kAccent : kBorder;
  RECT mine, theirs{};
  GetWindowRect(hwnd, &mine);
  if (buddy) GetWindowRect(buddy, &theirs);
  RECT overlap;
  if (!buddy || !IntersectRect(&overlap, &mine, &theirs)) {
    Frame(dc, r, edge);
    return;
  }
  if (mine.top <= theirs.top) Fill(dc, {r.left, r.top, r.right, r.top + 1}, edge);
  if (mine.bottom >= theirs.bottom) Fill(dc, {r.left, r.bottom - 1, r.right, r.bottom}, edge);
  if (mine.right >= theirs.right) Fill(dc, {r.right - 1, r.top, r.right, r.bottom}, edge);
}

void Style::PaintComboBox(HWND hwnd, HDC dc) const {
  RECT r;
  GetClientRect(hwnd, &r);
  const bool enabled = IsWindowEnabled(hwnd) != FALSE;
  const bool dropped = SendMessageW(hwnd, CB_GETDROPPEDSTATE, 0, 0) != FALSE;
  const bool focus = GetFocus() == hwnd || dropped;
  Fill(dc, r, enabled ? kField : kFace);
  Frame(dc, r, enabled && focus ? kAccent : kBorder);

  // The drop-down arrow at the right.
  const int zone = Scale(18);
  Arrow(dc, r.right - zone / 2 - 1, (r.top + r.bottom) / 2, std::max(2, Scale(4)), false,
        enabled ? kStaticText : kDisabledText);

  const LRESULT index = SendMessageW(hwnd, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return;
  const LRESULT length = SendMessageW(hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length <= 0) return;
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(hwnd, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                   reinterpret_cast<LPARAM>(text.data()));
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  RECT t{r.left + Scale(5), r.top, r.right - zone, r.bottom};
  DrawTextIn(dc, hwnd, text, t,
             DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS,
             enabled ? kText : kDisabledText);
}

void Style::PaintProgressBar(HWND hwnd, HDC dc) const {
  RECT r;
  GetClientRect(hwnd, &r);
  Frame(dc, r, kBorder);
  RECT inner = r;
  InflateRect(&inner, -1, -1);
  Fill(dc, inner, kField);
  const int low = static_cast<int>(SendMessageW(hwnd, PBM_GETRANGE, TRUE, 0));
  const int high = static_cast<int>(SendMessageW(hwnd, PBM_GETRANGE, FALSE, 0));
  const int pos = static_cast<int>(SendMessageW(hwnd, PBM_GETPOS, 0, 0));
  if (high <= low) return;
  const int span = inner.right - inner.left;
  const int filled = MulDiv(std::clamp(pos, low, high) - low, span, high - low);
  if (filled > 0) Fill(dc, {inner.left, inner.top, inner.left + filled, inner.bottom}, kAccent);
}

// ---------------------------------------------------------------------------------------------
// Pictures.

void Style::DrawGlyph(HDC dc, const RECT& box, Glyph glyph, bool enabled,
                      COLORREF background) const {
  const COLORREF green = enabled ? kAccent : kDisabledText;
  switch (glyph) {
    case Glyph::None:
      return;
    case Glyph::Play:
      Oversampled(dc, box, background, [&](HDC m, int w, int h) {
        const POINT triangle[] = {
            {w * 20 / 100, h * 10 / 100}, {w * 88 / 100, h / 2}, {w * 20 / 100, h * 90 / 100}};
        SolidPolygon(m, triangle, 3, green);
      });
      return;
    case Glyph::Stop:
      Oversampled(dc, box, background, [&](HDC m, int w, int h) {
        const RECT square{w * 16 / 100, h * 16 / 100, w * 84 / 100, h * 84 / 100};
        Fill(m, square, green);
      });
      return;
    case Glyph::Update: {
      // A disc as large as the box's shorter side, centred, with an arrow pointing down: the
      // accent green with an arrow in the window colour, or (in the standard look) a deeper
      // green with a white arrow.
      const COLORREF disc = active_ ? kAccent : RGB(56, 163, 72);
      const COLORREF rim = active_ ? Blend(kAccent, kFace, 25) : RGB(36, 120, 50);
      const COLORREF arrowColour = active_ ? kFace : RGB(255, 255, 255);
      Oversampled(dc, box, background, [&](HDC m, int w, int h) {
        const int d = std::min(w, h) - kOversample;
        const int left = (w - d) / 2, top = (h - d) / 2;
        const int rimWidth = std::max(kOversample * 2, d / 40);
        SolidEllipse(m, left, top, left + d, top + d, rim);
        SolidEllipse(m, left + rimWidth, top + rimWidth, left + d - rimWidth, top + d - rimWidth,
                     disc);
        const auto x = [&](double f) { return left + static_cast<int>(f * d); };
        const auto y = [&](double f) { return top + static_cast<int>(f * d); };
        const POINT arrow[] = {{x(0.40), y(0.20)}, {x(0.60), y(0.20)}, {x(0.60), y(0.48)},
                               {x(0.76), y(0.48)}, {x(0.50), y(0.80)}, {x(0.24), y(0.48)},
                               {x(0.40), y(0.48)}};
        SolidPolygon(m, arrow, static_cast<int>(std::size(arrow)), arrowColour);
      });
      return;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Window procedures.

LRESULT CALLBACK Style::ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                    DWORD_PTR data) noexcept {
  auto* c = reinterpret_cast<Control*>(data);
  if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, ControlProc, id);
    g_controls.erase(hwnd);
    delete c;
    return DefSubclassProc(hwnd, msg, wp, lp);
  }
  try {
    return c->style->OnControlMessage(*c, hwnd, msg, wp, lp);
  } catch (...) {
    return DefSubclassProc(hwnd, msg, wp, lp);
  }
}

LRESULT Style::OnControlMessage(Control& c, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) const {
  if (!active_) return DefSubclassProc(hwnd, msg, wp, lp);
  const auto paintWith = [&](auto paint) -> LRESULT {
    if (msg == WM_PRINTCLIENT) {
      paint(reinterpret_cast<HDC>(wp));
      return 0;
    }
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(hwnd, &ps);
    if (dc) paint(dc);
    EndPaint(hwnd, &ps);
    return 0;
  };
  // Passes the message on, then repaints what the control may have drawn its own way.
  const auto thenRepaint = [&](UINT flags) -> LRESULT {
    const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
    RedrawWindow(hwnd, nullptr, nullptr, flags);
    return r;
  };

  switch (c.role) {
    case Role::PushButton:
    case Role::CheckBox:
    case Role::RadioButton:
      switch (msg) {
        case BM_SETCHECK:
          if (c.role == Role::PushButton) break;
          c.checked = wp == BST_CHECKED;
          if (c.role == Role::RadioButton) {
            // As a standard radio button: the checked one of a group is its tab stop.
            const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
            SetWindowLongPtrW(hwnd, GWL_STYLE,
                              c.checked ? style | WS_TABSTOP : style & ~WS_TABSTOP);
          }
          InvalidateRect(hwnd, nullptr, FALSE);
          return 0;
        case BM_GETCHECK:
          if (c.role == Role::PushButton) break;
          return c.checked ? BST_CHECKED : BST_UNCHECKED;
        case BM_GETSTATE:
          return (DefSubclassProc(hwnd, msg, wp, lp) & ~static_cast<LRESULT>(3)) |
                 (c.checked ? BST_CHECKED : BST_UNCHECKED);
        case BM_SETSTYLE:
          // The dialog manager moves the default button around; the button stays owner-drawn.
          c.isDefault = (wp & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
          if (lp) InvalidateRect(hwnd, nullptr, FALSE);
          return 0;
        case WM_GETDLGCODE:
          if (c.role == Role::RadioButton) return DLGC_BUTTON | DLGC_RADIOBUTTON;
          if (c.role == Role::CheckBox) return DLGC_BUTTON;
          // The focused button takes Enter, as a standard push button with the focus does.
          return DLGC_BUTTON |
                 (c.isDefault || GetFocus() == hwnd ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
        case WM_LBUTTONDBLCLK:
          // A quick second click is a click, as on a standard button.
          return DefSubclassProc(hwnd, WM_LBUTTONDOWN, wp, lp);
        case WM_SETFOCUS: {
          const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
          // A standard radio button that gets the focus from an arrow key is chosen: the focus
          // came from another radio button of this window, not from the mouse.
          const HWND from = reinterpret_cast<HWND>(wp);
          const Control* previous = ControlOf(from);
          if (c.role == Role::RadioButton && !c.checked && GetCapture() != hwnd && previous &&
              previous->role == Role::RadioButton && GetParent(from) == GetParent(hwnd)) {
            SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED),
                         reinterpret_cast<LPARAM>(hwnd));
          }
          InvalidateRect(hwnd, nullptr, FALSE);
          return r;
        }
        case WM_MOUSEMOVE:
          if (c.role == Role::PushButton && !c.hot) {
            c.hot = true;
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
            TrackMouseEvent(&track);
            InvalidateRect(hwnd, nullptr, FALSE);
          }
          break;
        case WM_MOUSELEAVE:
          if (c.hot) {
            c.hot = false;
            InvalidateRect(hwnd, nullptr, FALSE);
          }
          break;
        case WM_ENABLE:
        case WM_SETTEXT:
        case WM_KILLFOCUS:
        case WM_UPDATEUISTATE:
          return thenRepaint(RDW_INVALIDATE);
        case WM_ERASEBKGND:
          return 1;  // the item is drawn in full
        default:
          break;
      }
      break;

    case Role::GroupBox:
      switch (msg) {
        case WM_PAINT:
        case WM_PRINTCLIENT:
          return paintWith([&](HDC dc) { PaintGroupBox(hwnd, dc); });
        case WM_SETTEXT:
        case WM_ENABLE:
        case WM_SETFONT:
          return thenRepaint(RDW_INVALIDATE);
        default:
          break;
      }
      break;

    case Role::Label:
    case Role::Link:
      switch (msg) {
        case WM_PAINT:
        case WM_PRINTCLIENT:
          return paintWith([&](HDC dc) { PaintLabel(hwnd, dc, c); });
        case WM_ERASEBKGND:
          return 1;
        case WM_SETTEXT:
        case WM_ENABLE:
          return thenRepaint(RDW_INVALIDATE | RDW_UPDATENOW);
        default:
          break;
      }
      break;

    case Role::StatusPanel:
      switch (msg) {
        case WM_PAINT:
        case WM_PRINTCLIENT:
          return paintWith([&](HDC dc) { PaintStatusPanel(hwnd, dc); });
        case WM_ERASEBKGND:
          return 1;  // the window's face shows through
        default:
          break;
      }
      break;

    case Role::Edit:
    case Role::ListBox:
      switch (msg) {
        case WM_NCPAINT: {
          const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
          PaintFieldFrame(hwnd);
          return r;
        }
        case WM_PAINT:
        case WM_PRINTCLIENT:
          if (c.role == Role::Edit && !IsWindowEnabled(hwnd))
            return paintWith([&](HDC dc) { PaintDisabledEdit(hwnd, dc); });
          break;
        case WM_ERASEBKGND:
          if (c.role == Role::Edit && !IsWindowEnabled(hwnd)) return 1;
          break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE: {
          const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
          if (msg == WM_ENABLE)
            RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE);
          else
            PaintFieldFrame(hwnd);  // only the border shows the focus
          // The spin edit's up-down follows its focus colour.
          const HWND next = GetWindow(hwnd, GW_HWNDNEXT);
          if (const Control* n = ControlOf(next); n && n->role == Role::UpDown)
            InvalidateRect(next, nullptr, FALSE);
          return r;
        }
        case WM_SETTEXT:
          if (c.role == Role::Edit && !IsWindowEnabled(hwnd))
            return thenRepaint(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
          break;
        default:
          break;
      }
      break;

    case Role::UpDown:
      switch (msg) {
        case WM_PAINT:
        case WM_PRINTCLIENT:
          return paintWith([&](HDC dc) { PaintUpDown(hwnd, dc); });
        case WM_ERASEBKGND:
          return 1;
        case WM_MOUSEMOVE: {
          TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
          TrackMouseEvent(&track);
          return thenRepaint(RDW_INVALIDATE);
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_MOUSELEAVE:
        case WM_CAPTURECHANGED:
        case WM_ENABLE:
        case WM_TIMER:
          return thenRepaint(RDW_INVALIDATE);
        default:
          break;
      }
      break;

    case Role::ComboBox:
      switch (msg) {
        case WM_PAINT:
        case WM_PRINTCLIENT:
          return paintWith([&](HDC dc) { PaintComboBox(hwnd, dc); });
        case WM_ERASEBKGND:
          return 1;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_KEYDOWN:
        case WM_CHAR:
        case WM_MOUSEWHEEL:
        case WM_CAPTURECHANGED:
        case WM_COMMAND:
        case CB_SETCURSEL:
        case CB_SHOWDROPDOWN:
          return thenRepaint(RDW_INVALIDATE | RDW_UPDATENOW);
        default:
          break;
      }
      break;

    case Role::ProgressBar:
      switch (msg) {
        case WM_PAINT:
        case WM_PRINTCLIENT:
          return paintWith([&](HDC dc) { PaintProgressBar(hwnd, dc); });
        case WM_ERASEBKGND:
          return 1;
        case PBM_SETPOS:
        case PBM_DELTAPOS:
        case PBM_STEPIT:
        case PBM_SETRANGE:
        case PBM_SETRANGE32:
        case PBM_SETSTATE:
          return thenRepaint(RDW_INVALIDATE);
        default:
          break;
      }
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CALLBACK Style::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                   DWORD_PTR data) noexcept {
  if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, WindowProc, id);
    RemovePropW(hwnd, kSkinnedProp);
    return DefSubclassProc(hwnd, msg, wp, lp);
  }
  try {
    bool handled = false;
    const LRESULT r =
        reinterpret_cast<const Style*>(data)->OnWindowMessage(hwnd, msg, wp, lp, handled);
    if (handled) return r;
  } catch (...) {
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT Style::OnWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool& handled) const {
  handled = true;
  switch (msg) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      if (HBRUSH b = ControlColor(msg, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)))
        return reinterpret_cast<LRESULT>(b);
      break;
    case WM_CTLCOLORDLG:
      if (active_) return reinterpret_cast<LRESULT>(faceBrush_.Get());
      break;
    case WM_ERASEBKGND:
      if (active_) {
        RECT r;
        GetClientRect(hwnd, &r);
        Fill(reinterpret_cast<HDC>(wp), r, kFace);
        return 1;
      }
      break;
    case WM_DRAWITEM:
      if (DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp))) return TRUE;
      break;
    case WM_MEASUREITEM:
      if (MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lp))) return TRUE;
      break;
    case WM_NCACTIVATE:
      if (active_) SetTitleBar(hwnd, wp != FALSE);
      break;
    default:
      break;
  }
  handled = false;
  return 0;
}

// ---------------------------------------------------------------------------------------------

namespace {

thread_local DialogSkinHook* g_currentHook = nullptr;

// A message box paints parts of its background itself (a band behind its buttons); here the
// whole of it is the window's face, which WM_ERASEBKGND gives.
LRESULT CALLBACK PlainPaintProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                DWORD_PTR) noexcept {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, PlainPaintProc, id);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

DialogSkinHook::DialogSkinHook(Style& style) : style_(style), previous_(g_currentHook) {
  if (!style_.Active()) return;
  hook_ = SetWindowsHookExW(WH_CBT, Proc, nullptr, GetCurrentThreadId());
  g_currentHook = this;
}

DialogSkinHook::~DialogSkinHook() {
  if (hook_) UnhookWindowsHookEx(hook_);
  if (g_currentHook == this) g_currentHook = previous_;
}

LRESULT CALLBACK DialogSkinHook::Proc(int code, WPARAM wp, LPARAM lp) noexcept {
  if (code == HCBT_ACTIVATE && g_currentHook) {
    const HWND window = reinterpret_cast<HWND>(wp);
    if (IsClass(window, L"#32770") && !GetPropW(window, kSkinnedProp)) {
      g_currentHook->style_.ApplyToDialog(window);
      SetWindowSubclass(window, PlainPaintProc, kPlainPaintSubclass, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

// ---------------------------------------------------------------------------------------------

HICON LoadAppIcon(int size) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                       size, size, LR_DEFAULTCOLOR));
}

void WindowIcons::Apply(HWND window, UINT dpi) {
  HICON big = LoadAppIcon(SystemMetricForDpi(SM_CXICON, dpi));
  HICON small = LoadAppIcon(SystemMetricForDpi(SM_CXSMICON, dpi));
  if (big) SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (small) SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  // The window no longer uses the previous icons.
  if (big) big_.Reset(big);
  if (small) small_.Reset(small);
}

}  // namespace win
