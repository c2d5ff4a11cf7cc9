#include "macros/macro_library.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <string>

#include "macros/macro_names.h"
#include "settings/settings.h"

namespace macros {

namespace {

constexpr const char* kExtension = ".juxmac";

bool LessAscii(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) <
           std::tolower(static_cast<unsigned char>(y));
  });
}

bool IsMacroFileName(const std::string& name) {
  const size_t n = std::char_traits<char>::length(kExtension);
  return name.size() >= n && SameIgnoringAsciiCase(name.substr(name.size() - n), kExtension);
}

std::string TrimControls(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.substr(b, e - b);
}

}  // namespace

bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

MacroLibrary::MacroLibrary(plat::IEnvironment& env, plat::IDialogs& dialogs)
    : env_(env), dialogs_(dialogs) {}

std::string MacroLibrary::Folder() {
  const std::string folder = settings::SettingsFolderIn(env_) + plat::kPathDelim + "Macros";
  env_.CreateFolders(folder);  // nothing happens when it exists
  return folder;
}

void MacroLibrary::Load() {
  macros_.clear();
  const std::string folder = Folder();
  std::vector<std::string> names;
  try {
    names = env_.ListFiles(folder);
  } catch (const std::exception& e) {
    // The window still comes up whole, with an empty library, and says why once.
    dialogs_.Message(plat::MsgKind::Error, plat::MsgButtons::Ok,
                     "The macro folder cannot be read:\r\n" + folder + "\r\n\r\n" + e.what());
  }
  std::erase_if(names, [](const std::string& n) { return !IsMacroFileName(n); });
  // A fixed order, so that the saved selection finds the same macro after a restart.
  std::stable_sort(names.begin(), names.end(), LessAscii);
  for (const std::string& name : names) {
    try {
      macros_.push_back(RecordedMacro::LoadFromFile(folder + plat::kPathDelim + name));
    } catch (const std::exception&) {
      // An unreadable file is left out without a word; it stays in the folder.
    }
  }
}

std::vector<std::string> MacroLibrary::Names() const {
  std::vector<std::string> names;
  names.reserve(macros_.size());
  for (const auto& m : macros_) names.push_back(m->Name());
  return names;
}

std::shared_ptr<RecordedMacro> MacroLibrary::At(int index) const {
  if (index < 0 || index >= static_cast<int>(macros_.size())) return nullptr;
  return macros_[static_cast<size_t>(index)];
}

void MacroLibrary::Add(std::shared_ptr<RecordedMacro> macro) {
  macros_.push_back(std::move(macro));
}

std::string MacroLibrary::NewFilePath(const std::string& stamp) {
  std::string stem = stamp;
  for (char& c : stem)
    if (c == ' ') c = '_';
  const std::string folder = Folder() + plat::kPathDelim;
  std::string path = folder + stem + kExtension;
  for (int n = 2; env_.FileExists(path); ++n)
    path = folder + stem + "_" + std::to_string(n) + kExtension;
  return path;
}

bool MacroLibrary::Rename(RecordedMacro& macro, const std::function<void()>& renamed) {
  std::string entered = macro.Name();
  if (!dialogs_.InputBox("Rename macro", "Enter new macro name:", entered)) return false;
  const std::string newName = TrimControls(entered);
  if (newName.empty()) {
    dialogs_.Message(plat::MsgKind::Warning, plat::MsgButtons::Ok, "Macro name cannot be empty.");
    return false;
  }
  // A change of letter case is a rename too; the same name saves a macro that has no file.
  if (newName == macro.Name() && !macro.FileName().empty()) return false;
  const std::string stem = SanitizeMacroName(newName);
  if (const std::string problem = MacroFileNameProblem(stem); !problem.empty()) {
    dialogs_.Message(plat::MsgKind::Warning, plat::MsgButtons::Ok, problem);
    return false;
  }
  const std::string oldPath = macro.FileName();
  const std::string newPath = Folder() + plat::kPathDelim + stem + kExtension;
  const bool samePath = !oldPath.empty() && SameIgnoringAsciiCase(newPath, oldPath);
  if (!samePath && env_.FileExists(newPath)) {
    dialogs_.Message(plat::MsgKind::Warning, plat::MsgButtons::Ok,
                     "A macro file with this name already exists.");
    return false;
  }
  // The new name is taken only once its file is written, so the list and the disk agree.
  const std::string oldName = macro.Name();
  macro.SetName(newName);
  try {
    macro.SaveToFile(samePath ? oldPath : newPath);
  } catch (...) {
    macro.SetName(oldName);
    throw;
  }
  if (renamed) renamed();
  // A macro without a file (its recording could not be saved) has nothing to delete.
  if (!samePath && !oldPath.empty() && env_.FileExists(oldPath)) env_.RemoveFile(oldPath);
  return true;
}

bool MacroLibrary::Remove(const std::shared_ptr<RecordedMacro>& macro) {
  if (!macro) return false;
  if (dialogs_.Message(plat::MsgKind::Confirmation, plat::MsgButtons::YesNo,
                       "Delete selected macro?") != plat::MsgResult::Yes)
    return false;
  if (!macro->FileName().empty() && env_.FileExists(macro->FileName()))
    env_.RemoveFile(macro->FileName());
  // Found by identity: the selection could have moved while the question was open.
  const auto it = std::find(macros_.begin(), macros_.end(), macro);
  if (it != macros_.end()) macros_.erase(it);
  return true;
}

}  // namespace macros
