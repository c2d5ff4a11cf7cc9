#include "ui/controls.h"

#include <algorithm>
#include <limits>

namespace ui {

Bounds Control::WindowBounds() const {
  Bounds b = bounds_;
  for (const Control* p = parent_; p != nullptr; p = p->parent_) {
    b.Left += p->bounds_.Left;
    b.Top += p->bounds_.Top;
  }
  return b;
}

void Control::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  if (peer_) peer_->PeerSetEnabled(enabled);
}

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  if (peer_) peer_->PeerSetVisible(visible);
}

void Control::SetText(const std::string& text) {
  if (text_ == text) return;
  text_ = text;
  if (peer_) peer_->PeerSetText(text);
}

void Control::Bind(ControlPeer* peer) {
  peer_ = peer;
  if (peer_) PushState();
}

void Control::PushState() {
  peer_->PeerSetText(text_);
  peer_->PeerSetEnabled(enabled_);
  peer_->PeerSetVisible(visible_);
}

void Button::UserClick() {
  if (Enabled() && OnClick) OnClick();
}

void CheckBox::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  if (peer_) peer_->PeerSetChecked(checked);
  if (OnClick) OnClick();
}

void CheckBox::UserClick() {
  if (Enabled()) SetChecked(!checked_);
}

void CheckBox::PushState() {
  Control::PushState();
  peer_->PeerSetChecked(checked_);
}

void RadioButton::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  if (peer_) peer_->PeerSetChecked(checked);
  if (!checked) return;
  for (RadioButton* other : group_) {
    if (other != this && other->checked_) {
      other->checked_ = false;
      if (other->peer_) other->peer_->PeerSetChecked(false);
    }
  }
  if (OnClick) OnClick();
}

void RadioButton::UserClick() {
  // A click on a radio button that is already checked runs its handler again, as the
  // toolkit's click does.
  if (!Enabled()) return;
  if (checked_) {
    if (OnClick) OnClick();
  } else {
    SetChecked(true);
  }
}

void RadioButton::MakeGroup(std::initializer_list<RadioButton*> members) {
  for (RadioButton* m : members) m->group_.assign(members.begin(), members.end());
}

void RadioButton::PushState() {
  Control::PushState();
  peer_->PeerSetChecked(checked_);
}

void Label::SetUnderline(bool underline) {
  if (underline_ == underline) return;
  underline_ = underline;
  if (peer_) peer_->PeerSetUnderline(underline);
}

void Label::PushState() {
  Control::PushState();
  peer_->PeerSetUnderline(underline_);
}

bool ParseDecimalInt(const std::string& text, int32_t& out) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i >= text.size()) return false;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
    if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) return false;
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    return false;
  out = static_cast<int32_t>(value);
  return true;
}

SpinEdit::SpinEdit(int id, std::string name, Bounds b, int32_t min, int32_t max, int32_t value,
                   Control* parent)
    : Control(Kind::SpinEdit, id, std::move(name), b, parent), min_(min), max_(max) {
  SetValue(value);
}

int32_t SpinEdit::Value() const {
  int32_t v = 0;
  return ParseDecimalInt(Text(), v) ? v : std::clamp(0, min_, max_);
}

void SpinEdit::SetValue(int32_t value) {
  SetText(std::to_string(std::clamp(value, min_, max_)));
}

void SpinEdit::UserExit() {
  SetValue(Value());
}

void ComboBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  index_ = -1;
  if (peer_) {
    peer_->PeerSetItems(items_);
    peer_->PeerSetItemIndex(index_);
  }
}

void ComboBox::SetItemIndex(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size())) index = -1;
  if (index_ == index) return;
  index_ = index;
  if (peer_) peer_->PeerSetItemIndex(index_);
}

void ComboBox::UserSelect(int index) {
  if (!Enabled()) return;
  SetItemIndex(index);
  if (OnChange) OnChange();
}

void ComboBox::PushState() {
  Control::PushState();
  peer_->PeerSetItems(items_);
  peer_->PeerSetItemIndex(index_);
}

void ListBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  index_ = -1;
  if (peer_) {
    peer_->PeerSetItems(items_);
    peer_->PeerSetItemIndex(index_);
  }
}

void ListBox::SetItemIndex(int index) {
  if (index < 0 || index >= Count()) index = -1;
  if (index_ == index) return;
  index_ = index;
  if (peer_) peer_->PeerSetItemIndex(index_);
}

void ListBox::BeginUpdate() {
  if (peer_) peer_->PeerSetRedraw(false);
}

void ListBox::EndUpdate() {
  if (peer_) peer_->PeerSetRedraw(true);
}

void ListBox::PushState() {
  Control::PushState();
  peer_->PeerSetItems(items_);
  peer_->PeerSetItemIndex(index_);
}

Timer::~Timer() {
  if (enabled_ && driver_) driver_->Stop(*this);
}

void Timer::SetDriver(TimerDriver* driver) {
  if (enabled_ && driver_) driver_->Stop(*this);
  driver_ = driver;
  if (enabled_ && driver_) driver_->Start(*this, interval_);
}

void Timer::SetInterval(uint32_t intervalMs) {
  if (interval_ == intervalMs) return;
  interval_ = intervalMs;
  if (enabled_ && driver_) driver_->Start(*this, interval_);
}

void Timer::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  if (!driver_) return;
  if (enabled_)
    driver_->Start(*this, interval_);
  else
    driver_->Stop(*this);
}

void Timer::Restart(uint32_t intervalMs) {
  interval_ = intervalMs;
  enabled_ = true;
  if (driver_) driver_->Start(*this, interval_);
}

void Timer::Fire() {
  if (enabled_ && OnTimer) OnTimer();
}

}  // namespace ui
