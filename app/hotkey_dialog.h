// The hotkey dialog: three standard hotkey controls for start, stop and start-recording, with
// OK, Cancel and Defaults, in the program's look.
#pragma once

#include <windows.h>

#include "mainform/form_dialogs.h"

namespace win {

class HotkeyDialog : public mainform::IHotkeyDialog {
 public:
  // Control IDs: tests and tools find the rows and the Defaults button by these.
  static constexpr int kStartId = 501;
  static constexpr int kStopId = 502;
  static constexpr int kStartRecordingId = 503;
  static constexpr int kDefaultsId = 504;

  void SetOwner(HWND owner) { owner_ = owner; }
  bool Edit(const hotkeys::HotkeyChoice& choice,
            const std::function<std::string(const hotkeys::HotkeyChoice&)>& apply) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace win
