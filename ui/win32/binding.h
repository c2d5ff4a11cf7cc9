// Binds the control models to real child windows: creates them, pushes model changes to them
// and turns the user's actions (notifications) into the models' user calls.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "ui/controls.h"
#include "ui/win32/style.h"

namespace win {

class ControlWindow;

class FormBinding {
 public:
  FormBinding(HWND parent, Style& style);
  ~FormBinding();
  FormBinding(const FormBinding&) = delete;
  FormBinding& operator=(const FormBinding&) = delete;

  // Creates one child window per control, in the given (tab) order except that the radio
  // buttons of one parent follow each other as one group, styles them and binds them.
  void Create(const std::vector<ui::Control*>& controls, UINT dpi);
  // Moves and re-fonts every control for a new DPI (after Style::SetDpi).
  void Layout(UINT dpi);
  // WM_COMMAND from a child: true when it belonged to a bound control.
  bool OnCommand(WPARAM wp, LPARAM lp);
  HWND WindowOf(int id) const;

  // Called with a control's ID after its model changed its text or its visibility, for the
  // layout that depends on them.
  std::function<void(int id)> OnChanged;

 private:
  HWND parent_;
  Style& style_;
  std::vector<std::unique_ptr<ControlWindow>> windows_;
};

}  // namespace win
