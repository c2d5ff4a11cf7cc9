// Control models with the toolkit semantics the main window relies on. They run headless in
// the unit tests; on Windows ui/win32/ binds each one to its HWND through a ControlPeer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ui {

// 96-DPI bounds within the parent window's client area.
struct Bounds {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
};

enum class Kind {
  Button,
  CheckBox,
  RadioButton,
  GroupBox,
  Label,
  SpinEdit,
  ComboBox,
  ListBox,
  Panel
};

// What a bound native control does when the model changes. Every method is optional.
class ControlPeer {
 public:
  virtual ~ControlPeer() = default;
  virtual void PeerSetText(const std::string&) {}
  virtual void PeerSetEnabled(bool) {}
  virtual void PeerSetVisible(bool) {}
  virtual void PeerSetChecked(bool) {}
  virtual void PeerSetItems(const std::vector<std::string>&) {}
  virtual void PeerSetItemIndex(int) {}
  virtual void PeerSetUnderline(bool) {}
  virtual void PeerSetRedraw(bool) {}
};

class Control {
 public:
  Control(Kind kind, int id, std::string name, Bounds bounds, Control* parent = nullptr)
      : kind_(kind), id_(id), name_(std::move(name)), bounds_(bounds), parent_(parent) {}
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  Kind GetKind() const { return kind_; }
  int Id() const { return id_; }
  const std::string& Name() const { return name_; }
  const Bounds& GetBounds() const { return bounds_; }
  Control* Parent() const { return parent_; }
  // Bounds in the top-level window's client area (group boxes are frames, not windows).
  Bounds WindowBounds() const;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  // Caption of a button, label or group box; the text of an edit.
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);

  void Bind(ControlPeer* peer);

 protected:
  ControlPeer* peer_ = nullptr;
  virtual void PushState();

 private:
  Kind kind_;
  int id_;
  std::string name_;
  Bounds bounds_;
  Control* parent_;
  bool enabled_ = true;
  bool visible_ = true;
  std::string text_;
};

class Button : public Control {
 public:
  Button(int id, std::string name, Bounds b, Control* parent = nullptr)
      : Control(Kind::Button, id, std::move(name), b, parent) {}
  std::function<void()> OnClick;
  // A click by the user: nothing happens while the button is disabled.
  void UserClick();
};

class CheckBox : public Control {
 public:
  CheckBox(int id, std::string name, Bounds b, Control* parent = nullptr)
      : Control(Kind::CheckBox, id, std::move(name), b, parent) {}
  std::function<void()> OnClick;
  bool Checked() const { return checked_; }
  // Runs OnClick when the state changes, as a user's click does.
  void SetChecked(bool checked);
  void UserClick();

 protected:
  void PushState() override;

 private:
  bool checked_ = false;
};

class RadioButton : public Control {
 public:
  RadioButton(int id, std::string name, Bounds b, Control* parent = nullptr)
      : Control(Kind::RadioButton, id, std::move(name), b, parent) {}
  std::function<void()> OnClick;
  bool Checked() const { return checked_; }
  // Becoming checked unchecks the siblings of its group and runs OnClick; becoming unchecked
  // runs nothing.
  void SetChecked(bool checked);
  void UserClick();
  // Radio buttons that exclude each other (the group box's radio buttons).
  static void MakeGroup(std::initializer_list<RadioButton*> members);

 protected:
  void PushState() override;

 private:
  bool checked_ = false;
  std::vector<RadioButton*> group_;
};

class GroupBox : public Control {
 public:
  GroupBox(int id, std::string name, Bounds b) : Control(Kind::GroupBox, id, std::move(name), b) {}
};

class Label : public Control {
 public:
  Label(int id, std::string name, Bounds b, Control* parent = nullptr)
      : Control(Kind::Label, id, std::move(name), b, parent) {}
  std::function<void()> OnClick;
  std::function<void()> OnMouseEnter;
  std::function<void()> OnMouseLeave;
  bool Underline() const { return underline_; }
  void SetUnderline(bool underline);

 protected:
  void PushState() override;

 private:
  bool underline_ = false;
};

class Panel : public Control {
 public:
  Panel(int id, std::string name, Bounds b) : Control(Kind::Panel, id, std::move(name), b) {}
};

// Reads a decimal integer (optional leading blanks and sign, digits, 32-bit range, nothing
// after). Returns false for anything else.
bool ParseDecimalInt(const std::string& text, int32_t& out);

class SpinEdit : public Control {
 public:
  SpinEdit(int id, std::string name, Bounds b, int32_t min, int32_t max, int32_t value,
           Control* parent = nullptr);
  int32_t Min() const { return min_; }
  int32_t Max() const { return max_; }
  // The text read as a decimal integer, or, when it is not one, the value of the range nearest
  // to 0 (the minimum of a range above 0). Not clamped.
  int32_t Value() const;
  // Clamps to min..max and writes the text.
  void SetValue(int32_t value);
  // The user typed: the text is taken as it is.
  void UserSetText(const std::string& text) { SetText(text); }
  // The control lost the focus: the value is clamped and written back.
  void UserExit();

 private:
  int32_t min_;
  int32_t max_;
};

class ComboBox : public Control {
 public:
  ComboBox(int id, std::string name, Bounds b, Control* parent = nullptr)
      : Control(Kind::ComboBox, id, std::move(name), b, parent) {}
  std::function<void()> OnChange;
  const std::vector<std::string>& Items() const { return items_; }
  void SetItems(std::vector<std::string> items);
  int ItemIndex() const { return index_; }
  // Runs no handler; an index outside the items leaves no selection (-1).
  void SetItemIndex(int index);
  // The user picked an item: the index changes and OnChange runs.
  void UserSelect(int index);

 protected:
  void PushState() override;

 private:
  std::vector<std::string> items_;
  int index_ = -1;
};

class ListBox : public Control {
 public:
  ListBox(int id, std::string name, Bounds b, Control* parent = nullptr)
      : Control(Kind::ListBox, id, std::move(name), b, parent) {}
  const std::vector<std::string>& Items() const { return items_; }
  int Count() const { return static_cast<int>(items_.size()); }
  void SetItems(std::vector<std::string> items);  // clears the selection
  int ItemIndex() const { return index_; }
  void SetItemIndex(int index);  // out of range: no selection
  void UserSelect(int index) { SetItemIndex(index); }
  void BeginUpdate();
  void EndUpdate();

 protected:
  void PushState() override;

 private:
  std::vector<std::string> items_;
  int index_ = -1;
};

class Timer;

// Schedules a timer's ticks: Start (re)starts a periodic countdown of `intervalMs` from now.
class TimerDriver {
 public:
  virtual ~TimerDriver() = default;
  virtual void Start(Timer& timer, uint32_t intervalMs) = 0;
  virtual void Stop(Timer& timer) = 0;
};

// A periodic timer. Setting the interval it already has, or enabling it while enabled, changes
// nothing; a new interval restarts the countdown; the first tick comes one interval after
// enabling. The driver delivers at most one pending tick after a long one.
class Timer {
 public:
  explicit Timer(uint32_t intervalMs = 1000) : interval_(intervalMs) {}
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  void SetDriver(TimerDriver* driver);
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t intervalMs);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Enables the timer with a new countdown of a full interval from now, whatever its state:
  // a one-shot deadline, re-armed from its own tick without stopping the driver in between.
  void Restart(uint32_t intervalMs);
  std::function<void()> OnTimer;
  // Called by the driver when a tick is due.
  void Fire();

 private:
  TimerDriver* driver_ = nullptr;
  uint32_t interval_;
  bool enabled_ = false;
};

}  // namespace ui
