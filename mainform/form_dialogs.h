// The window's helpers that take over the screen for a moment: the hotkey dialog and the cover
// that picks a point. The Win32 side implements them; the unit tests use fakes.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "hotkeys/global_hotkeys.h"
#include "platform/platform.h"

namespace mainform {

class IHotkeyDialog {
 public:
  virtual ~IHotkeyDialog() = default;
  // Shows the modal dialog with `choice` in its rows. OK asks `apply`: an empty answer closes
  // the dialog and Edit returns true; any other answer is shown in a message box over it and
  // the dialog stays open. False: cancelled or closed, and nothing was applied.
  virtual bool Edit(const hotkeys::HotkeyChoice& choice,
                    const std::function<std::string(const hotkeys::HotkeyChoice&)>& apply) = 0;
};

class IPointPicker {
 public:
  virtual ~IPointPicker() = default;
  // Covers every monitor until the user picks a point (a left click) or cancels (Esc, a right
  // click, another window taking over); then `done` gets the point in virtual-desktop pixels,
  // or nothing. False when the cover could not be shown; `done` is not called then.
  virtual bool Begin(std::function<void(std::optional<plat::Point>)> done) = 0;
  // Takes the cover away without a point; `done` is not called.
  virtual void Cancel() = 0;
};

// The window's message and input boxes, counted while they are open (the tray menu's Start
// waits for them), and none at all once the session ends: nobody is left to answer them.
class ModalDialogs : public plat::IDialogs {
 public:
  ModalDialogs(plat::IDialogs& inner, int& openCount) : inner_(inner), open_(openCount) {}
  // From now on a message answers OK or No and an input box is cancelled, unseen.
  void Silence() { silent_ = true; }
  plat::MsgResult Message(plat::MsgKind kind, plat::MsgButtons buttons,
                          const std::string& text) override {
    if (silent_)
      return buttons == plat::MsgButtons::YesNo ? plat::MsgResult::No : plat::MsgResult::Ok;
    const Open open(open_);
    return inner_.Message(kind, buttons, text);
  }
  bool InputBox(const std::string& caption, const std::string& prompt,
                std::string& value) override {
    if (silent_) return false;
    const Open open(open_);
    return inner_.InputBox(caption, prompt, value);
  }

  // Counts one modal window for its lifetime.
  class Open {
   public:
    explicit Open(int& count) : count_(count) { ++count_; }
    ~Open() { --count_; }
    Open(const Open&) = delete;
    Open& operator=(const Open&) = delete;

   private:
    int& count_;
  };

 private:
  plat::IDialogs& inner_;
  int& open_;
  bool silent_ = false;
};

}  // namespace mainform
