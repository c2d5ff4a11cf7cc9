// The notification icon's menu: which of its items can be chosen, what each does (whenever its
// command comes, with the menu open or not), and the run's pause while the menu is open.
#include <string>
#include <vector>

#include "mainform/control_ids.h"
#include "mainform/main_form.h"
#include "mainform/tray_menu.h"

namespace mainform {

TrayRequest TrayRequestFor(uint32_t event, bool version4) {
  if (version4) {
    if (event == kTrayContextMenu) return TrayRequest::OpenMenu;
    if (event == kTraySelect || event == kTrayKeySelect) return TrayRequest::ShowWindow;
    return TrayRequest::None;
  }
  if (event == kTrayRightButtonUp) return TrayRequest::OpenMenu;
  if (event == kTrayLeftButtonUp) return TrayRequest::ShowWindow;
  return TrayRequest::None;
}

}  // namespace mainform

std::vector<mainform::TrayMenuItem> MainForm::TrayMenu() const {
  // Start as the Start button would, and not while a box of the program waits for an answer.
  const bool canStart =
      !running_ && !recorder_.Recording() && !recorder_.CountingDown() && !ModalOpen();
  const bool canStop = running_ || recorder_.Recording() || recorder_.CountingDown();
  const std::string stopKey = hotkeys_.Text(hotkeys::HotkeyAction::Stop);
  return {
      {ids::trayStart, "Start", canStart},
      {ids::trayStop, stopKey.empty() ? "Stop" : "Stop\t" + stopKey, canStop},
      {ids::trayShowWindow, "Show window", true},
      {ids::trayExit, "Exit", true},
  };
}

void MainForm::TrayMenuOpening() {
  clickRun_.SetPaused(true);
  player_.SetPaused(true);
  // The right click on the icon came just before; what follows is the user's way to the menu.
  if (recorder_.Recording()) trayCutMicros_ = svc_.Clock->NowMicros();
}

void MainForm::TrayMenuClosed() {
  // A command of the menu has been carried out by now; a menu closed without one leaves the
  // recording whole.
  trayCutMicros_.reset();
  clickRun_.SetPaused(false);
  player_.SetPaused(false);
}

bool MainForm::TrayCommand(int id) {
  switch (id) {
    case ids::trayStart:
      for (const mainform::TrayMenuItem& item : TrayMenu())
        if (item.id == ids::trayStart && item.enabled) StartClicked();
      return true;
    case ids::trayStop:
      if (recorder_.Recording() || recorder_.CountingDown())
        FinishRecording("Recording stopped from the tray.");
      else
        StopRun("Stopped from the tray. " + DoneText());
      return true;
    case ids::trayShowWindow:
      TrayIconClicked();
      return true;
    case ids::trayExit:
      // As the close button: what runs stops and a recording is saved (before the menu's pause
      // ends), then the window closes.
      Closing();
      svc_.Window->Close();
      return true;
    default:
      return false;
  }
}
