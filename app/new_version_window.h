// The new-version dialog on Windows: the window of NewVersionDialog, its controls bound to the
// dialog's models, the "update-icon" picture, and the modal loop that the program entry
// runs before the main window exists.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/update_host_win32.h"
#include "platform/win32/http_winhttp.h"
#include "platform/win32/services_win32.h"
#include "ui/win32/binding.h"
#include "ui/win32/dialogs.h"
#include "ui/win32/style.h"
#include "update/new_version_dialog.h"
#include "update/version_check.h"

namespace win {

class NewVersionWindow {
 public:
  // The window class; tests find the dialog by it.
  static constexpr wchar_t kClassName[] = L"NewVersionDialog";

  // `state` is the version check's result and outlives the window; `server` is the address
  // that update::UpdateServer gives.
  NewVersionWindow(update::UpdateState& state, std::string server);
  ~NewVersionWindow();
  NewVersionWindow(const NewVersionWindow&) = delete;
  NewVersionWindow& operator=(const NewVersionWindow&) = delete;

  // Shows the dialog modally with no owner, returns once it has closed and destroys it.
  // Returns its Tag: 1 go on to the main window, 0 end the process. When the window cannot be
  // created the offer is dropped like any other failure of the check, and the result is 1.
  int ShowModal(HINSTANCE instance);

 private:
  class LabelPeer;
  class ProgressPeer;

  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void MsgCreate();
  void MsgPaint();
  void MsgActivate(WPARAM wp);
  void MsgDpiChanged(WPARAM wp, LPARAM lp);
  void Layout();
  // Places the window, sized for its DPI, in the middle of its monitor's work area.
  void Centre();

  Style style_;
  // The download's error box takes the dialog's look.
  DialogSkinHook dialogSkin_{style_};
  WindowIcons icons_;
  UpdateHost host_;
  Dialogs dialogs_;
  Shell shell_;
  MessagePumpingClient http_;
  update::NewVersionDialog form_;

  HWND hwnd_ = nullptr;
  HWND label_ = nullptr;
  HWND progress_ = nullptr;
  HWND lastFocus_ = nullptr;
  UINT dpi_ = 96;
  std::unique_ptr<LabelPeer> labelPeer_;
  std::unique_ptr<ProgressPeer> progressPeer_;
  std::unique_ptr<FormBinding> binding_;
};

}  // namespace win
