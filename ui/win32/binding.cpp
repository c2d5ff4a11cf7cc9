#include "ui/win32/binding.h"

#include "platform/win32/dpi.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/text.h"

namespace win {

// One bound control: its window (and the up-down of a spin edit) and the model.
class ControlWindow : public ui::ControlPeer {
 public:
  ControlWindow(ui::Control& model, HWND parent, Style& style, std::vector<ui::Control*> children,
                const std::function<void(int)>& onChanged)
      : model_(model),
        parent_(parent),
        style_(style),
        children_(std::move(children)),
        onChanged_(onChanged) {}
  ~ControlWindow() override { model_.Bind(nullptr); }

  // `startsGroup`: the control begins a group of the dialog manager (WS_GROUP).
  void Create(UINT dpi, bool startsGroup);
  void Layout(UINT dpi);
  bool OnNotify(WORD code);
  ui::Control& Model() { return model_; }
  HWND Hwnd() const { return hwnd_; }

  void PeerSetText(const std::string& text) override {
    {
      Guard g(pushing_);
      SetWindowTextW(hwnd_, Widen(text).c_str());
    }
    Changed();
  }
  void PeerSetEnabled(bool enabled) override {
    if (!enabled && GetFocus() == hwnd_) {
      // A disabled control loses the focus; it is handed on to the next tab stop, or the window
      // would take no more keys (Start disables itself when Space presses it).
      const HWND next = GetNextDlgTabItem(parent_, hwnd_, FALSE);
      if (next && next != hwnd_) SetFocus(next);
    }
    EnableWindow(hwnd_, enabled);
    if (updown_) EnableWindow(updown_, enabled);
  }
  void PeerSetVisible(bool visible) override {
    const bool effective = visible;
    ShowWindow(hwnd_, effective ? SW_SHOWNA : SW_HIDE);
    if (updown_) ShowWindow(updown_, effective ? SW_SHOWNA : SW_HIDE);
    // A panel carries its labels with it.
    for (ui::Control* child : children_) child->SetVisible(visible);
    Changed();
  }
  void PeerSetChecked(bool checked) override {
    SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  void PeerSetItems(const std::vector<std::string>& items) override {
    const bool combo = model_.GetKind() == ui::Kind::ComboBox;
    SendMessageW(hwnd_, combo ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
    for (const std::string& item : items)
      SendMessageW(hwnd_, combo ? CB_ADDSTRING : LB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(Widen(item).c_str()));
  }
  void PeerSetItemIndex(int index) override {
    const bool combo = model_.GetKind() == ui::Kind::ComboBox;
    SendMessageW(hwnd_, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  void PeerSetUnderline(bool underline) override {
    SendMessageW(hwnd_, WM_SETFONT,
                 reinterpret_cast<WPARAM>(underline ? style_.UnderlinedFont() : style_.Font()),
                 TRUE);
  }
  void PeerSetRedraw(bool redraw) override {
    SendMessageW(hwnd_, WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
    if (redraw) InvalidateRect(hwnd_, nullptr, TRUE);
  }

 private:
  struct Guard {
    explicit Guard(bool& f) : f_(f) { f_ = true; }
    ~Guard() { f_ = false; }
    bool& f_;
  };
  static LRESULT CALLBACK LinkProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR) noexcept;
  void Changed() {
    if (onChanged_) onChanged_(model_.Id());
  }

  ui::Control& model_;
  HWND parent_;
  Style& style_;
  std::vector<ui::Control*> children_;
  const std::function<void(int)>& onChanged_;
  HWND hwnd_ = nullptr;
  HWND updown_ = nullptr;
  bool pushing_ = false;
  bool hovering_ = false;
};

namespace {
// What the look makes of a control: its role, and the picture of the Start and Stop buttons.
Role RoleOf(const ui::Control& c) {
  switch (c.GetKind()) {
    case ui::Kind::Button:
      return Role::PushButton;
    case ui::Kind::CheckBox:
      return Role::CheckBox;
    case ui::Kind::RadioButton:
      return Role::RadioButton;
    case ui::Kind::GroupBox:
      return Role::GroupBox;
    case ui::Kind::Label:
      return c.Name() == "websiteLink" ? Role::Link : Role::Label;
    case ui::Kind::SpinEdit:
      return Role::Edit;
    case ui::Kind::ComboBox:
      return Role::ComboBox;
    case ui::Kind::ListBox:
      return Role::ListBox;
    case ui::Kind::Panel:
      return Role::StatusPanel;
  }
  return Role::Label;
}

Glyph GlyphOf(const ui::Control& c) {
  if (c.Name() == "startButton") return Glyph::Play;
  if (c.Name() == "stopButton") return Glyph::Stop;
  return Glyph::None;
}

// Sets the closed height of a drop-down list. A program sets the height of its selection field;
// what the combo box adds to it (its border) is its own, so it is measured with a first setting.
void FitComboHeight(HWND combo, int height) {
  const auto setField = [&](int field) {
    SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    RECT r;
    GetWindowRect(combo, &r);
    return static_cast<int>(r.bottom - r.top);
  };
  const int probe = std::max(1, height / 2);
  const int added = setField(probe) - probe;
  if (height - added > 0) setField(height - added);
}
}  // namespace

void ControlWindow::Create(UINT dpi, bool startsGroup) {
  const wchar_t* cls = L"STATIC";
  DWORD style = WS_CHILD | WS_VISIBLE | (startsGroup ? WS_GROUP : 0);
  DWORD exStyle = 0;
  switch (model_.GetKind()) {
    case ui::Kind::Button:
      cls = L"BUTTON";
      style |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    case ui::Kind::CheckBox:
      cls = L"BUTTON";
      style |= BS_CHECKBOX | WS_TABSTOP;
      break;
    case ui::Kind::RadioButton:
      // The group's tab stop; checking a radio button moves it there.
      cls = L"BUTTON";
      style |= BS_RADIOBUTTON | (startsGroup ? WS_TABSTOP : 0);
      break;
    case ui::Kind::GroupBox:
      cls = L"BUTTON";
      style |= BS_GROUPBOX | WS_GROUP;
      break;
    case ui::Kind::Label:
      style |= SS_LEFT | SS_NOPREFIX | SS_NOTIFY | SS_ENDELLIPSIS;
      break;
    case ui::Kind::Panel:
      style |= SS_ETCHEDHORZ;
      break;
    case ui::Kind::SpinEdit:
      cls = L"EDIT";
      style |= ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP;
      exStyle |= WS_EX_CLIENTEDGE;
      break;
    case ui::Kind::ComboBox:
      cls = L"COMBOBOX";
      style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP;
      break;
    case ui::Kind::ListBox:
      cls = L"LISTBOX";
      style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP | WS_GROUP;
      exStyle |= WS_EX_CLIENTEDGE;
      break;
  }
  const Role role = RoleOf(model_);
  if (role == Role::Link) style = (style & ~SS_LEFT) | SS_RIGHT;
  style = style_.CreationStyle(role, style);
  hwnd_ = CreateWindowExW(exStyle, cls, L"", style, 0, 0, 0, 0, parent_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(model_.Id())),
                          GetModuleHandleW(nullptr), nullptr);
  style_.Apply(hwnd_, role, GlyphOf(model_));
  if (model_.GetKind() == ui::Kind::SpinEdit) {
    auto& spin = static_cast<ui::SpinEdit&>(model_);
    updown_ = CreateWindowExW(
        0, UPDOWN_CLASSW, L"",
        WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
        0, 0, 0, 0, parent_, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(updown_, UDM_SETRANGE32, static_cast<WPARAM>(spin.Min()), spin.Max());
    style_.Apply(updown_, Role::UpDown);
  }
  if (role == Role::Link) SetWindowSubclass(hwnd_, LinkProc, 1, reinterpret_cast<DWORD_PTR>(this));
  Layout(dpi);
  model_.Bind(this);
}

void ControlWindow::Layout(UINT dpi) {
  const ui::Bounds b = model_.WindowBounds();
  int height = b.Height;
  if (model_.GetKind() == ui::Kind::ComboBox) height = 200;  // room for the drop-down list
  if (updown_) {
    // The up-down sits inside the spin edit's bounds, to the right of its edit field.
    SendMessageW(updown_, UDM_SETBUDDY, 0, 0);
    MoveWindow(hwnd_, ScaleForDpi(b.Left, dpi), ScaleForDpi(b.Top, dpi), ScaleForDpi(b.Width, dpi),
               ScaleForDpi(b.Height, dpi), TRUE);
    SendMessageW(updown_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(hwnd_), 0);
  } else {
    MoveWindow(hwnd_, ScaleForDpi(b.Left, dpi), ScaleForDpi(b.Top, dpi), ScaleForDpi(b.Width, dpi),
               ScaleForDpi(height, dpi), TRUE);
  }
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(style_.Font()), TRUE);
  if (model_.GetKind() == ui::Kind::ListBox)
    SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, ScaleForDpi(15, dpi));
  if (model_.GetKind() == ui::Kind::ComboBox) {
    SendMessageW(hwnd_, CB_SETITEMHEIGHT, 0, ScaleForDpi(17, dpi));
    FitComboHeight(hwnd_, ScaleForDpi(b.Height, dpi));
  }
  if (model_.GetKind() == ui::Kind::Label && static_cast<ui::Label&>(model_).Underline())
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(style_.UnderlinedFont()), TRUE);
}

bool ControlWindow::OnNotify(WORD code) {
  switch (model_.GetKind()) {
    case ui::Kind::Button:
      if (code == BN_CLICKED) static_cast<ui::Button&>(model_).UserClick();
      return true;
    case ui::Kind::CheckBox:
      if (code == BN_CLICKED) static_cast<ui::CheckBox&>(model_).UserClick();
      return true;
    case ui::Kind::RadioButton:
      if (code == BN_CLICKED) static_cast<ui::RadioButton&>(model_).UserClick();
      return true;
    case ui::Kind::SpinEdit:
      if (code == EN_CHANGE && !pushing_)
        static_cast<ui::SpinEdit&>(model_).UserSetText(WindowText(hwnd_));
      else if (code == EN_KILLFOCUS)
        static_cast<ui::SpinEdit&>(model_).UserExit();
      return true;
    case ui::Kind::ComboBox:
      if (code == CBN_SELCHANGE)
        static_cast<ui::ComboBox&>(model_).UserSelect(
            static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0)));
      return true;
    case ui::Kind::ListBox:
      if (code == LBN_SELCHANGE)
        static_cast<ui::ListBox&>(model_).UserSelect(
            static_cast<int>(SendMessageW(hwnd_, LB_GETCURSEL, 0, 0)));
      return true;
    case ui::Kind::Label:
      if (code == STN_CLICKED) {
        auto& label = static_cast<ui::Label&>(model_);
        if (label.OnClick) label.OnClick();
      }
      return true;
    default:
      return false;
  }
}

// The link label: a hand cursor, and enter / leave events for the hover underline.
LRESULT CALLBACK ControlWindow::LinkProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                         DWORD_PTR data) noexcept {
  auto* self = reinterpret_cast<ControlWindow*>(data);
  auto& label = static_cast<ui::Label&>(self->model_);
  switch (msg) {
    case WM_SETCURSOR:
      SetCursor(LoadCursorW(nullptr, IDC_HAND));
      return TRUE;
    case WM_MOUSEMOVE:
      if (!self->hovering_) {
        self->hovering_ = true;
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&tme);
        if (label.OnMouseEnter) label.OnMouseEnter();
      }
      break;
    case WM_MOUSELEAVE:
      self->hovering_ = false;
      if (label.OnMouseLeave) label.OnMouseLeave();
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, LinkProc, 1);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

FormBinding::FormBinding(HWND parent, Style& style) : parent_(parent), style_(style) {}

FormBinding::~FormBinding() = default;

void FormBinding::Create(const std::vector<ui::Control*>& controls, UINT dpi) {
  // The dialog manager moves through a group with the arrow keys and treats a group as the
  // controls from one with WS_GROUP up to the next one. So the radio buttons of one parent are
  // created one after the other, the first of them starting the group, and the control after
  // them starts the next group. Everything else keeps the given order.
  const auto isRadio = [](const ui::Control* c) {
    return c != nullptr && c->GetKind() == ui::Kind::RadioButton;
  };
  std::vector<ui::Control*> order;
  for (size_t i = 0; i < controls.size(); ++i) {
    ui::Control* c = controls[i];
    if (std::find(order.begin(), order.end(), c) != order.end()) continue;
    order.push_back(c);
    if (!isRadio(c)) continue;
    for (size_t j = i + 1; j < controls.size(); ++j)
      if (isRadio(controls[j]) && controls[j]->Parent() == c->Parent())
        order.push_back(controls[j]);
  }

  const ui::Control* previous = nullptr;
  for (ui::Control* c : order) {
    std::vector<ui::Control*> children;
    if (c->GetKind() == ui::Kind::Panel)
      for (ui::Control* other : controls)
        if (other->Parent() == c) children.push_back(other);
    windows_.push_back(
        std::make_unique<ControlWindow>(*c, parent_, style_, std::move(children), OnChanged));
    const bool startsGroup =
        isRadio(c) ? !(isRadio(previous) && previous->Parent() == c->Parent()) : isRadio(previous);
    windows_.back()->Create(dpi, startsGroup);
    previous = c;
  }
}

void FormBinding::Layout(UINT dpi) {
  for (auto& w : windows_) w->Layout(dpi);
}

bool FormBinding::OnCommand(WPARAM wp, LPARAM lp) {
  const HWND from = reinterpret_cast<HWND>(lp);
  for (auto& w : windows_)
    if (w->Hwnd() == from || (from == nullptr && w->Model().Id() == LOWORD(wp)))
      return w->OnNotify(HIWORD(wp));
  return false;
}

HWND FormBinding::WindowOf(int id) const {
  for (const auto& w : windows_)
    if (w->Model().Id() == id) return w->Hwnd();
  return nullptr;
}

}  // namespace win
