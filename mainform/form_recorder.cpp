// The window's side of the recorder: the Create button, the hotkeys' part in a recording, and
// what the window shows when a recording ends.
#include "mainform/main_form.h"

void TFrmMain::btnCreateMacrosClick() {
  BeginRecordCountdown();
}

void TFrmMain::BeginRecordCountdown() {
  if (recorder_.Recording() || FRunning || recorder_.CountingDown()) return;
  recorder_.StartCountdown("Recording... Press " + hotkeys_.Text(hotkeys::HotkeyAction::Stop) +
                           " to stop");
}

void TFrmMain::BeginRecording() {
  recorder_.Begin();
}

void TFrmMain::FinishRecording(const std::string& reason) {
  if (!recorder_.Recording() && !recorder_.CountingDown()) return;
  const macros::MacroRecorder::Result result = recorder_.Finish();
  LeaveCompactUi();
  if (!result.macro) {
    Label1.SetText("Macro recording cancelled or empty.");
    return;
  }
  RefreshMacroList();
  for (int i = 0; i < lbMacroses.Count(); ++i)
    if (lbMacroses.Items()[static_cast<size_t>(i)] == result.macro->Name()) {
      lbMacroses.SetItemIndex(i);
      break;
    }
  if (result.saveError.empty()) {
    Label1.SetText("Macro saved: " + result.macro->Name() + ". " + reason);
  } else {
    Label1.SetText("Macro recorded but not saved: " + result.macro->Name() + ". " + reason);
    svc_.Dialogs->Message(plat::MsgKind::Error, plat::MsgButtons::Ok,
                          "The macro could not be saved:\r\n" + result.saveError +
                              "\r\n\r\nIt is in the list and can be played. Rename it to save "
                              "it once the folder can be written.");
  }
}
