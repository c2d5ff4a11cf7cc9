// The window's side of the recorder: the Create button, the hotkeys' part in a recording, and
// what the window shows when a recording ends.
#include "mainform/main_form.h"

void MainForm::CreateMacroClicked() {
  BeginRecordCountdown();
}

void MainForm::BeginRecordCountdown() {
  if (recorder_.Recording() || running_ || recorder_.CountingDown()) return;
  if (!StopHotkeyWorks()) return;  // the stop hotkey ends a recording
  recorder_.StartCountdown(
      "Recording... Press " + hotkeys_.Text(hotkeys::HotkeyAction::Stop) + " to stop",
      recordKeysCheck.Checked());
}

void MainForm::BeginRecording() {
  recorder_.Begin();
}

void MainForm::FinishRecording(const std::string& reason, const HotkeyData* stopChord) {
  if (!recorder_.Recording() && !recorder_.CountingDown()) return;
  // Ended through the tray menu: the user's way to it is left out.
  const std::optional<uint64_t> cut = trayCutMicros_;
  trayCutMicros_.reset();
  const macros::MacroRecorder::Result result = recorder_.Finish(stopChord, cut);
  LeaveCompactUi();
  if (!result.macro) {
    statusLabel.SetText("Macro recording cancelled or empty.");
    return;
  }
  RefreshMacroList();
  for (int i = 0; i < macroList.Count(); ++i)
    if (macroList.Items()[static_cast<size_t>(i)] == result.macro->Name()) {
      macroList.SetItemIndex(i);
      break;
    }
  if (result.saveError.empty()) {
    statusLabel.SetText("Macro saved: " + result.macro->Name() + ". " + reason);
  } else {
    statusLabel.SetText("Macro recorded but not saved: " + result.macro->Name() + ". " + reason);
    // At the end of the session nobody is left to answer a box: the recording goes where it
    // can be written.
    if (sessionNotes_) {
      SaveRecordingElsewhere(*result.macro, result.saveError);
      return;
    }
    svc_.Dialogs->Message(plat::MsgKind::Error, plat::MsgButtons::Ok,
                          "The macro could not be saved:\r\n" + result.saveError +
                              "\r\n\r\nIt is in the list and can be played. Rename it to save "
                              "it once the folder can be written.");
  }
}
