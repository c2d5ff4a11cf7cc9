// The modal boxes of the main window: the system's message boxes and the rename input box,
// both in the window's look.
#pragma once

#include <windows.h>

#include <string>

#include "platform/platform.h"

namespace win {

class Dialogs : public plat::IDialogs {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  plat::MsgResult Message(plat::MsgKind kind, plat::MsgButtons buttons,
                          const std::string& text) override;
  bool InputBox(const std::string& caption, const std::string& prompt, std::string& value) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace win
