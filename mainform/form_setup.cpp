// Setting the program up without editing files: the hotkey dialog, and picking the click point
// on the screen.
#include <exception>

#include "hotkeys/hotkey_choice.h"
#include "mainform/main_form.h"

void MainForm::ShowHotkeys() {
  hotkeysLabel.SetText(
      "Hotkeys \xE2\x80\x94 Start: " + hotkeys_.Text(hotkeys::HotkeyAction::Start) +
      "  |  Stop: " + hotkeys_.Text(hotkeys::HotkeyAction::Stop));
}

void MainForm::HotkeysClicked() {
  // The keys in use stay as they are while a run or a recording may need them.
  if (running_ || recorder_.Recording() || recorder_.CountingDown() || !svc_.HotkeyDialog) return;
  const hotkeys::HotkeyChoice current{hotkeys_.Key(hotkeys::HotkeyAction::Start),
                                      hotkeys_.Key(hotkeys::HotkeyAction::Stop),
                                      hotkeys_.Key(hotkeys::HotkeyAction::StartRecording)};
  // While the dialog is open the hotkeys do not fire: the dialog's fields take the keys.
  hotkeys_.UnregisterAll();
  const mainform::ModalDialogs::Open open(modalOpen_);
  const bool applied = svc_.HotkeyDialog->Edit(current, [&](const hotkeys::HotkeyChoice& shown) {
    // The dialog's fields have no Win key: a row the user left as it was keeps its key whole.
    hotkeys::HotkeyChoice c = shown;
    for (size_t i = 0; i < c.size(); ++i)
      if (hotkeys::ToHotkeyControl(c[i]) == hotkeys::ToHotkeyControl(current[i])) c[i] = current[i];
    std::string problem = ApplyHotkeyChoice(c);
    if (!problem.empty()) hotkeys_.UnregisterAll();  // the dialog stays open
    return problem;
  });
  if (!applied) hotkeys_.RegisterAll();
}

std::string MainForm::ApplyHotkeyChoice(const hotkeys::HotkeyChoice& choice) {
  if (std::string problem = hotkeys::ChoiceProblem(choice, hotkeys_); !problem.empty())
    return problem;
  const std::string problemsBefore = hotkeys_.Problems();
  if (std::string failed = hotkeys_.Replace(choice); !failed.empty())
    return failed + " Choose another one.";
  ShowHotkeys();
  // The status line no longer tells of hotkeys that did not work.
  if (!problemsBefore.empty() && statusLabel.Text() == problemsBefore) statusLabel.SetText("Ready");
  try {
    SaveSettings();
  } catch (const std::exception& e) {
    statusLabel.SetText(std::string("The hotkeys work but could not be saved: ") + e.what());
  }
  return {};
}

void MainForm::PickClicked() {
  if (running_ || !coordinatesRadio.Checked() || !svc_.PointPicker) return;
  // Out of the way, so that the point can be anywhere, also where the window is.
  svc_.Window->Hide();
  picking_ = true;
  const bool covering = svc_.PointPicker->Begin([this](std::optional<plat::Point> point) {
    picking_ = false;
    if (point) {
      coordXEdit.SetValue(point->X);
      coordYEdit.SetValue(point->Y);
    }
    ActivateMainWindow();
  });
  if (!covering) {
    picking_ = false;
    ActivateMainWindow();
  }
}
