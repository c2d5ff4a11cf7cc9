// Every drawing decision of the program's windows: the "Midnight Express Green" look with its
// palette, fonts and pictures, and how each kind of control is painted in it. The rest of the
// Win32 code only says what a window or control is (Style::Apply, Style::ApplyToWindow); this
// module decides how it looks. When the look cannot be applied (a high-contrast theme is on, or
// its GDI objects cannot be made) every call leaves the system's standard look in place.
#pragma once

#include <windows.h>

namespace win {

// A GDI object owned by one holder; releasing twice is safe.
template <typename T>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(T h) : h_(h) {}
  ~GdiObject() { Reset(); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  void Reset(T h = nullptr) {
    if (h_) DeleteObject(h_);
    h_ = h;
  }
  T Get() const { return h_; }
  // Gives up the object without deleting it.
  T Release() {
    T h = h_;
    h_ = nullptr;
    return h;
  }

 private:
  T h_ = nullptr;
};

// An icon made by LoadImageW (not shared); destroyed once.
class IconHandle {
 public:
  IconHandle() = default;
  ~IconHandle() { Reset(); }
  IconHandle(const IconHandle&) = delete;
  IconHandle& operator=(const IconHandle&) = delete;
  void Reset(HICON h = nullptr) {
    if (h_) DestroyIcon(h_);
    h_ = h;
  }
  HICON Get() const { return h_; }

 private:
  HICON h_ = nullptr;
};

// The palette of the look.
namespace palette {
inline constexpr COLORREF kFace = RGB(35, 45, 63);           // windows and buttons
inline constexpr COLORREF kField = RGB(58, 71, 88);          // edits, spin edits, lists, combos
inline constexpr COLORREF kBorder = RGB(29, 40, 56);         // borders
inline constexpr COLORREF kText = RGB(255, 255, 255);        // text in fields and on buttons
inline constexpr COLORREF kStaticText = RGB(225, 225, 225);  // labels, check boxes, radios
inline constexpr COLORREF kDisabledText = RGB(141, 144, 150);
inline constexpr COLORREF kGroupCaption = RGB(192, 192, 192);
inline constexpr COLORREF kAccent = RGB(108, 214, 51);  // selection, focus, active caption
}  // namespace palette

// The link label's own colour, RGB (107, 212, 51); the look does not override it.
inline constexpr COLORREF kLinkColor = 3396715;

// What a control is, as far as its look goes.
enum class Role {
  PushButton,
  CheckBox,
  RadioButton,
  GroupBox,
  Label,
  Link,         // a label in the link colour
  StatusPanel,  // the panel along the bottom: a line along its top
  Edit,
  UpDown,
  ComboBox,
  ListBox,
  ProgressBar,
};

// Pictures drawn in code, sharp at every size: "play" (a right-pointing triangle), "stop" (a
// square), both green, grey while their button is disabled; "update-icon" (a disc with an arrow
// pointing down).
enum class Glyph { None, Play, Stop, Update };

class Style {
 public:
  Style();
  ~Style();
  Style(const Style&) = delete;
  Style& operator=(const Style&) = delete;

  // Whether the look is applied; false leaves the standard look.
  bool Active() const { return active_; }
  // Why the look could not be applied, for an error message; null when it is applied or when
  // the user's high-contrast theme asked for the standard look.
  const wchar_t* Failure() const { return failure_; }

  // Creates the fonts for a DPI (Segoe UI with a height of 12 pixels at 96 DPI). The fonts of
  // the previous DPI stay valid until the next call, so controls can be moved over to the new
  // ones after this returns.
  void SetDpi(UINT dpi);
  UINT Dpi() const { return dpi_; }
  HFONT Font() const { return font_[0].Get(); }
  HFONT UnderlinedFont() const { return underlined_[0].Get(); }
  int Scale(int pixels96) const { return MulDiv(pixels96, static_cast<int>(dpi_), 96); }

  // The window style to create a control of `role` with, given its standard style.
  DWORD CreationStyle(Role role, DWORD standard) const;
  // Paints a created control in the look; `glyph` is a push button's picture. Button, combo
  // and list box messages behave as with the standard controls (BM_GETCHECK, BM_SETCHECK,
  // BM_CLICK, CB_GETLBTEXT, LB_GETTEXT, ...). The style must outlive the control.
  void Apply(HWND control, Role role, Glyph glyph = Glyph::None);
  // A top-level window whose children are made by us: its background, the colours and the
  // owner-drawn items of its children, and a dark title bar where the system offers one. Call
  // before its children are created. The style must outlive the window.
  void ApplyToWindow(HWND window);
  // A dialog with its children already made (a message box, a template dialog): the window and
  // every child, recognised by its class.
  void ApplyToDialog(HWND dialog);

  // The colour that pictures drawn by a window on its own background are drawn on.
  COLORREF Face() const;
  // Draws a picture into `box` (device pixels) on the background colour `background`.
  void DrawGlyph(HDC dc, const RECT& box, Glyph glyph, bool enabled, COLORREF background) const;

  // Parent-side messages, also used by the windows that are skinned by ApplyToWindow.
  // WM_CTLCOLOR*: the brush to paint with, or null for the system's default handling.
  HBRUSH ControlColor(UINT msg, HDC dc, HWND control) const;
  // WM_DRAWITEM and WM_MEASUREITEM for the owner-drawn controls: true when handled.
  bool DrawItem(const DRAWITEMSTRUCT& item) const;
  bool MeasureItem(MEASUREITEMSTRUCT& item) const;

 public:
  struct Control;  // the state of one skinned control

 private:
  static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                      DWORD_PTR data) noexcept;
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR data) noexcept;
  LRESULT OnControlMessage(Control& c, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) const;
  LRESULT OnWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool& handled) const;
  static Control* ControlOf(HWND hwnd);

  void PaintLabel(HWND hwnd, HDC dc, const Control& c) const;
  void PaintGroupBox(HWND hwnd, HDC dc) const;
  void PaintStatusPanel(HWND hwnd, HDC dc) const;
  void PaintDisabledEdit(HWND hwnd, HDC dc) const;
  void PaintFieldFrame(HWND hwnd) const;
  void PaintUpDown(HWND hwnd, HDC dc) const;
  void PaintComboBox(HWND hwnd, HDC dc) const;
  void PaintProgressBar(HWND hwnd, HDC dc) const;
  void DrawButton(const DRAWITEMSTRUCT& item, const Control& c) const;
  void DrawCheck(const DRAWITEMSTRUCT& item, const Control& c) const;
  void DrawListItem(const DRAWITEMSTRUCT& item) const;
  void SetTitleBar(HWND window, bool active) const;

  bool active_ = false;
  const wchar_t* failure_ = nullptr;
  UINT dpi_ = 96;
  // [0] the fonts of the current DPI, [1] those of the previous one.
  GdiObject<HFONT> font_[2];
  GdiObject<HFONT> underlined_[2];
  GdiObject<HBRUSH> faceBrush_;
  GdiObject<HBRUSH> fieldBrush_;
};

// While it lives, skins the dialogs that the calling thread creates and nothing else skins: the
// system's message boxes. One per thread at a time; the style must outlive it.
class DialogSkinHook {
 public:
  explicit DialogSkinHook(Style& style);
  ~DialogSkinHook();
  DialogSkinHook(const DialogSkinHook&) = delete;
  DialogSkinHook& operator=(const DialogSkinHook&) = delete;

 private:
  static LRESULT CALLBACK Proc(int code, WPARAM wp, LPARAM lp) noexcept;
  Style& style_;
  HHOOK hook_ = nullptr;
  DialogSkinHook* previous_ = nullptr;
};

// The application icon (resource 1 of the program) drawn for `size` x `size` pixels; the
// caller destroys it.
HICON LoadAppIcon(int size);

// The application icon at the sizes a window shows it at for its DPI: its title bar and its
// task-bar button.
class WindowIcons {
 public:
  // Loads the icons for `dpi` and gives them to the window (WM_SETICON).
  void Apply(HWND window, UINT dpi);

 private:
  IconHandle big_;
  IconHandle small_;
};

}  // namespace win
