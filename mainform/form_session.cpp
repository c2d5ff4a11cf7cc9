// The end of the Windows session: nothing may wait for the user any more, so no box is shown;
// what cannot be written in its place (the settings file, a recording) goes to the temporary
// folder, and the next start tells where on the status line.
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "mainform/main_form.h"
#include "platform/files.h"
#include "settings/settings.h"

namespace {

constexpr const char* kNoteFile = "session end.txt";
constexpr const char* kMacroExtension = ".juxmac";

// The temporary folder's place for it, created; empty when there is none.
std::string FallbackFolder(plat::IEnvironment& env) {
  const std::string folder = settings::FallbackFolderIn(env);
  if (!folder.empty()) env.CreateFolders(folder);
  return folder;
}

}  // namespace

void MainForm::SessionEnding() {
  const std::string reason = "Windows is shutting down.";
  dialogs_.Silence();
  std::vector<std::string> notes;
  sessionNotes_ = &notes;
  struct Reset {
    std::vector<std::string>*& notes;
    ~Reset() { notes = nullptr; }
  } reset{sessionNotes_};

  // The settings first, as the user left them: the process may end at any moment from here on.
  try {
    SaveSettings();
  } catch (const std::exception& e) {
    const std::string folder = FallbackFolder(*svc_.Env);
    const std::string path = folder + plat::kPathDelim + "settings.ini";
    try {
      if (folder.empty()) throw std::runtime_error("no temporary folder");
      settingsFile_.WriteTo(path, CurrentSettings());
      notes.push_back("At the end of the last Windows session the settings could not be written (" +
                      std::string(e.what()) + "); they are in " + path + ".");
    } catch (const std::exception&) {
    }
  }
  savedAtSessionEnd_ = true;
  // A countdown is cancelled, a recording saved.
  FinishRecording("Recording stopped: " + reason);
  if (running_) StopRun("Stopped: " + reason + " " + DoneText());

  if (notes.empty()) return;
  std::string text;
  for (const std::string& note : notes) text += (text.empty() ? "" : " ") + note;
  try {
    const std::string folder = FallbackFolder(*svc_.Env);
    if (!folder.empty()) plat::WriteFileAtomically(folder + plat::kPathDelim + kNoteFile, text);
  } catch (const std::exception&) {
  }
}

void MainForm::SaveRecordingElsewhere(RecordedMacro& macro, const std::string& error) {
  std::string where;
  if (const std::string folder = FallbackFolder(*svc_.Env); !folder.empty()) {
    std::string stem = macro.Name();
    for (char& c : stem)
      if (c == ' ') c = '_';
    std::string path = folder + plat::kPathDelim + stem + kMacroExtension;
    for (int n = 2; svc_.Env->FileExists(path); ++n)
      path = folder + plat::kPathDelim + stem + "_" + std::to_string(n) + kMacroExtension;
    try {
      macro.SaveToFile(path);
      where = path;
    } catch (const std::exception&) {
    }
  }
  if (!sessionNotes_) return;
  const std::string what = "At the end of the last Windows session the recording \"" +
                           macro.Name() + "\" could not be saved in the macro folder (" + error +
                           ")";
  sessionNotes_->push_back(where.empty() ? what + "." : what + "; it is in " + where + ".");
}

void MainForm::ShowSessionEndNote() {
  const std::string folder = settings::FallbackFolderIn(*svc_.Env);
  if (folder.empty()) return;
  const std::string path = folder + plat::kPathDelim + kNoteFile;
  if (!svc_.Env->FileExists(path)) return;
  std::string note;
  try {
    note = plat::ReadWholeFile(path);
    svc_.Env->RemoveFile(path);  // told once
  } catch (const std::exception&) {
    return;
  }
  if (note.empty()) return;
  const std::string problems = hotkeys_.Problems();
  statusLabel.SetText(problems.empty() ? note : note + " " + problems);
}
