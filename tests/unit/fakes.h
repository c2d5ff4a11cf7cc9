// Test doubles for the platform services: a clock that the test advances and that drives the
// timers, an input sink that records every record, scripted random draws and dialog answers.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "mainform/form_window.h"
#include "mainform/main_form.h"
#include "platform/platform.h"
#include "ui/controls.h"

namespace fakes {

// Time in milliseconds, and the timers that run on it. Sleep moves time on without firing
// anything, as a blocked thread handles no messages.
class Clock : public plat::IClock, public ui::TimerDriver {
 public:
  uint64_t now = 0;
  uint32_t TickCount() override { return static_cast<uint32_t>(now); }
  void Sleep(uint32_t ms) override {
    sleeps.push_back(ms);
    now += ms;
  }
  std::vector<uint32_t> sleeps;

  void Start(ui::Timer& t, uint32_t interval) override {
    timers_[&t] = Entry{now + interval, interval};
  }
  void Stop(ui::Timer& t) override { timers_.erase(&t); }
  bool Armed(const ui::Timer& t) const { return timers_.count(const_cast<ui::Timer*>(&t)) != 0; }

  // Moves time forward by `ms`, delivering every tick that comes due on the way.
  void Advance(uint64_t ms) {
    const uint64_t end = now + ms;
    for (;;) {
      ui::Timer* next = nullptr;
      uint64_t due = 0;
      for (auto& [t, e] : timers_)
        if (e.due <= end && (next == nullptr || e.due < due)) next = t, due = e.due;
      if (next == nullptr) break;
      if (due > now) now = due;
      Entry before = timers_[next];
      next->Fire();
      auto it = timers_.find(next);
      // Re-armed by its own handler (a new interval): the new countdown stands.
      if (it == timers_.end() || it->second.due != before.due) continue;
      it->second.due += it->second.interval;
      // Ticks that came due while the handler ran are not queued: at most one follows now.
      if (it->second.due <= now) it->second.due = now;
    }
    if (end > now) now = end;
  }

 private:
  struct Entry {
    uint64_t due;
    uint32_t interval;
  };
  std::map<ui::Timer*, Entry> timers_;
};

class Mouse : public plat::IMouseInput {
 public:
  std::vector<plat::MouseInputRecord> sent;
  std::vector<uint64_t> sentAt;
  plat::Point cursor{400, 300};
  plat::Rect screen{0, 0, 1920, 1080};
  const Clock* clock = nullptr;
  void Send(const plat::MouseInputRecord& r) override {
    sent.push_back(r);
    sentAt.push_back(clock ? clock->now : 0);
  }
  bool CursorPos(plat::Point& out) override {
    out = cursor;
    return true;
  }
  plat::Rect VirtualScreen() override { return screen; }
};

class Random : public plat::IRandom {
 public:
  std::deque<int> draws;  // empty: always 1 (no jitter)
  int Below(int n) override {
    if (draws.empty()) return n > 1 ? 1 : 0;
    int v = draws.front();
    draws.pop_front();
    return v;
  }
};

class Dialogs : public plat::IDialogs {
 public:
  struct Shown {
    plat::MsgKind kind;
    plat::MsgButtons buttons;
    std::string text;
  };
  std::vector<Shown> messages;
  std::deque<plat::MsgResult> answers;  // empty: Ok / Yes
  std::deque<std::pair<bool, std::string>> inputs;
  std::vector<std::string> inputPrompts;
  plat::MsgResult Message(plat::MsgKind kind, plat::MsgButtons buttons,
                          const std::string& text) override {
    messages.push_back({kind, buttons, text});
    if (answers.empty())
      return buttons == plat::MsgButtons::YesNo ? plat::MsgResult::Yes : plat::MsgResult::Ok;
    auto a = answers.front();
    answers.pop_front();
    return a;
  }
  bool InputBox(const std::string& caption, const std::string& prompt,
                std::string& value) override {
    inputPrompts.push_back(caption + "|" + prompt + "|" + value);
    if (inputs.empty()) return false;
    auto [ok, text] = inputs.front();
    inputs.pop_front();
    if (ok) value = text;
    return ok;
  }
};

class Shell : public plat::IShell {
 public:
  std::vector<std::string> opened;
  void Open(const std::string& target) override { opened.push_back(target); }
};

class Window : public mainform::IFormWindow {
 public:
  std::string caption;
  plat::Rect bounds{680, 259, 680 + 575, 259 + 600};
  bool visible = true;
  bool topMost = false;
  std::vector<std::string> calls;
  plat::Rect workArea{0, 0, 1920, 1040};
  int captionHeight = 23;
  int frameHeight = 4;
  std::function<void()> onProcessMessages;

  std::string Caption() override { return caption; }
  void SetCaption(const std::string& c) override { caption = c; }
  plat::Rect Bounds() override { return bounds; }
  void SetBounds(const plat::Rect& b) override { bounds = b; }
  bool IsVisible() override { return visible; }
  void Show() override {
    visible = true;
    calls.push_back("Show");
  }
  void Hide() override {
    visible = false;
    calls.push_back("Hide");
  }
  void SetTopMost(bool t) override {
    topMost = t;
    calls.push_back(t ? "TopMost" : "NoTopMost");
  }
  void PlaceTopMost(const plat::Rect& b) override {
    bounds = b;
    topMost = true;
    visible = true;
    calls.push_back("PlaceTopMost");
  }
  void RestoreIfMinimized() override { calls.push_back("Restore"); }
  void SetForeground() override { calls.push_back("Foreground"); }
  void Repaint() override { calls.push_back("Repaint"); }
  int CaptionHeight() override { return captionHeight; }
  int FrameHeight() override { return frameHeight; }
  plat::Rect WorkArea() override { return workArea; }
  void ProcessMessages() override {
    if (onProcessMessages) onProcessMessages();
  }
};

// A main window wired to the fakes, created as the program creates it.
struct Form {
  Clock clock;
  Mouse mouse;
  Random random;
  Dialogs dialogs;
  Shell shell;
  Window window;
  TFrmMain frm;

  Form() : frm(Services()) {
    mouse.clock = &clock;
    frm.FormCreate();
  }

 private:
  mainform::FormServices Services() {
    mainform::FormServices s;
    s.Mouse = &mouse;
    s.Clock = &clock;
    s.Random = &random;
    s.Dialogs = &dialogs;
    s.Shell = &shell;
    s.Timers = &clock;
    s.Window = &window;
    return s;
  }
};

}  // namespace fakes
