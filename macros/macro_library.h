// The macro library: the macro files of the macro folder beside the settings file, in file-name
// order, and the operations on them that the window offers (rename and remove, with their
// questions and messages). The window shows the names in its list and keeps the selection.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "macros/recorded_macro.h"
#include "platform/platform.h"

namespace macros {

class MacroLibrary {
 public:
  MacroLibrary(plat::IEnvironment& env, plat::IDialogs& dialogs);
  MacroLibrary(const MacroLibrary&) = delete;
  MacroLibrary& operator=(const MacroLibrary&) = delete;

  // "<the settings file's folder>\Macros", created when missing.
  std::string Folder();
  // Reads every file of the folder whose name ends in ".juxmac" (any case), sorted by file name
  // case-insensitively. Unreadable files are left out without a word; a folder that cannot be
  // listed is reported once in a message box and leaves the library empty.
  void Load();

  // Shared: a playback keeps its macro alive even if it is removed meanwhile.
  const std::vector<std::shared_ptr<RecordedMacro>>& Macros() const { return macros_; }
  std::vector<std::string> Names() const;
  // The macro at a position of Macros(), or none outside them.
  std::shared_ptr<RecordedMacro> At(int index) const;
  void Add(std::shared_ptr<RecordedMacro> macro);
  void Clear() { macros_.clear(); }

  // A path in the folder for a new recording's file named after `stamp`, with "_2", "_3"...
  // when that file exists: recordings never overwrite each other.
  std::string NewFilePath(const std::string& stamp);

  // Asks for a new name and renames the macro and its file. The new name is taken only once its
  // file is written; `renamed` runs then, before the old file is deleted (a deletion error
  // passes on after it). Refusals are told in message boxes. True when renamed.
  bool Rename(RecordedMacro& macro, const std::function<void()>& renamed);
  // Asks whether to delete the macro; deletes its file and takes it out. True when removed.
  bool Remove(const std::shared_ptr<RecordedMacro>& macro);

 private:
  plat::IEnvironment& env_;
  plat::IDialogs& dialogs_;
  std::vector<std::shared_ptr<RecordedMacro>> macros_;
};

// Whether two texts are equal when the letters A to Z are compared regardless of case.
bool SameIgnoringAsciiCase(const std::string& a, const std::string& b);

}  // namespace macros
