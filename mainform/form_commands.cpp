// The window's side of the command line: what --start, --stop, --play, --repeat and --tray do,
// whether they came with this copy or from a later one. A --play run is the command's own: the
// window's choices stay the user's.
#include <string>
#include <vector>

#include "mainform/command_line.h"
#include "mainform/main_form.h"

namespace {

// The position of the macro named `name` among `names`: the first exact match, else the first
// that differs only in the case of A to Z; -1 when there is none.
int MacroIndexNamed(const std::vector<std::string>& names, const std::string& name) {
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == name) return static_cast<int>(i);
  for (size_t i = 0; i < names.size(); ++i)
    if (macros::SameIgnoringAsciiCase(names[i], name)) return static_cast<int>(i);
  return -1;
}

}  // namespace

void MainForm::RunCommand(const mainform::Command& command) {
  if (command.tray) HideMainWindow();
  if (command.stop) {
    // Whatever is active ends, as the stop hotkey ends it.
    if (recorder_.Recording() || recorder_.CountingDown())
      FinishRecording("Recording stopped from the command line.");
    else if (running_)
      StopRun("Stopped from the command line. " + DoneText());
  }
  if (command.play) {
    // The target, the selection and the repeat mode stay as they are while something runs.
    if (running_ || recorder_.Recording() || recorder_.CountingDown()) {
      statusLabel.SetText("Macro \"" + *command.play +
                          "\" not started: a run or a recording is under way.");
      return;
    }
    const int index = MacroIndexNamed(library_.Names(), *command.play);
    if (index < 0) {
      statusLabel.SetText("No macro named \"" + *command.play + "\".");
      return;
    }
    // The run's macro and repeat count are its own: the window's target, selection and repeat
    // choice stay as the user left them, and so does the settings file.
    commandPlayback_ = CommandPlayback{library_.At(index), command.repeat};
    StartRun();
    if (!running_) commandPlayback_.reset();
  } else if (command.start) {
    // As the start hotkey: nothing while a recording is under way, and a run that is already
    // going goes on.
    if (!recorder_.Recording()) StartRun();
  }
}
