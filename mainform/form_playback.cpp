// The window's side of macro playback: which macro, how often, and how a playback's end is
// reported. The pace and the input are the macro player's.
#include <string>

#include "mainform/main_form.h"

namespace {
// After the window hides for a playback, before the first event: the window under it gets
// the time to come to the front.
constexpr uint32_t kHideSettleMs = 250;
}  // namespace

void MainForm::BeginMacroPlayback() {
  uint32_t lead = 0;
  if (minimizeToTrayCheck.Checked() && svc_.Window->IsVisible()) {
    HideMainWindow();
    lead = kHideSettleMs;
  }
  PlayMacroRuns(lead);
}

void MainForm::PlayMacroRuns(uint32_t leadMs) {
  // Held by the playback: removing it from the library meanwhile does not free it.
  const std::shared_ptr<RecordedMacro> macro = MacroToPlay();
  if (!macro) {
    StopRun("No macro selected.");
    return;
  }
  for (const MacroEvent& e : macro->Events())
    if (e.Kind <= MacroEventKind::HorizontalWheel) {
      ShowStartedFor({e.X, e.Y});
      break;
    }
  // The repeat mode and count are read once: changing them later does not change how many
  // runs are played.
  const std::optional<int32_t> ownRepeat =
      commandPlayback_ ? commandPlayback_->repeat : std::nullopt;
  if (ownRepeat)
    player_.Start(macro, false, *ownRepeat, leadMs, speedEdit.Value());
  else
    player_.Start(macro, untilStoppedRadio.Checked(), repeatCountEdit.Value(), leadMs,
                  speedEdit.Value());
}

std::shared_ptr<RecordedMacro> MainForm::MacroToPlay() {
  return commandPlayback_ ? commandPlayback_->macro : SelectedMacroShared();
}

void MainForm::PlaybackEnded(macros::MacroPlayer::End end) {
  if (end == macros::MacroPlayer::End::Blocked) {
    StopRun(
        "Windows blocked the macro's input. The window under the pointer may belong to a "
        "program running as administrator.");
    return;
  }
  // A count of the command line's own, or the window's repeat choice.
  const bool counted = (commandPlayback_ && commandPlayback_->repeat) || repeatCountRadio.Checked();
  StopRun((counted ? "Completed macro repeat count. Runs done: "
                   : "Macro playback stopped. Runs done: ") +
          std::to_string(clicksDone_));
}
