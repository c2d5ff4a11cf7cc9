// The macro library: the macro files of the macro folder, listed in the window, renamed and
// removed there.
#include <algorithm>
#include <cctype>
#include <string>

#include "macros/macro_names.h"
#include "macros/recorded_macro.h"
#include "mainform/main_form.h"

namespace {

constexpr const char* kExtension = ".juxmac";

// Letters A to Z match regardless of case; every other character must be equal.
bool SameAscii(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool LessAscii(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) <
           std::tolower(static_cast<unsigned char>(y));
  });
}

bool IsMacroFileName(const std::string& name) {
  const size_t n = std::char_traits<char>::length(kExtension);
  return name.size() >= n && SameAscii(name.substr(name.size() - n), kExtension);
}

std::string TrimControls(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.substr(b, e - b);
}

int FindByText(const ui::ListBox& lb, const std::string& text) {
  for (int i = 0; i < lb.Count(); ++i)
    if (SameAscii(lb.Items()[static_cast<size_t>(i)], text)) return i;
  return -1;
}

}  // namespace

std::string TFrmMain::MacrosFolder() {
  const std::string settings = SettingsFilePath();
  const size_t slash = settings.find_last_of("\\/");
  std::string folder = slash == std::string::npos ? std::string() : settings.substr(0, slash + 1);
  if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) folder += plat::kPathDelim;
  folder += "Macros";
  svc_.Env->CreateFolders(folder);  // nothing happens when it exists
  return folder;
}

void TFrmMain::LoadMacroLibrary() {
  FMacros.clear();
  const std::string folder = MacrosFolder();
  std::vector<std::string> names;
  try {
    names = svc_.Env->ListFiles(folder);
  } catch (const std::exception& e) {
    // The window still comes up whole, with an empty library, and says why once.
    svc_.Dialogs->Message(plat::MsgKind::Error, plat::MsgButtons::Ok,
                          "The macro folder cannot be read:\r\n" + folder + "\r\n\r\n" + e.what());
  }
  std::erase_if(names, [](const std::string& n) { return !IsMacroFileName(n); });
  // A fixed order, so that the saved selection finds the same macro after a restart.
  std::stable_sort(names.begin(), names.end(), LessAscii);
  for (const std::string& name : names) {
    try {
      FMacros.push_back(TRecordedMacro::LoadFromFile(folder + plat::kPathDelim + name));
    } catch (const std::exception&) {
      // An unreadable file is left out without a word; it stays in the folder.
    }
  }
  RefreshMacroList();
  if (FPendingSelectedMacroIndex >= 0 && FPendingSelectedMacroIndex < lbMacroses.Count())
    lbMacroses.SetItemIndex(FPendingSelectedMacroIndex);
  else if (lbMacroses.Count() > 0)
    lbMacroses.SetItemIndex(0);
  FPendingSelectedMacroIndex = -1;
}

void TFrmMain::RefreshMacroList() {
  const int selected = lbMacroses.ItemIndex();
  const std::string remembered =
      selected >= 0 ? lbMacroses.Items()[static_cast<size_t>(selected)] : std::string();
  std::vector<std::string> items;
  items.reserve(FMacros.size());
  for (const auto& m : FMacros) items.push_back(m->Name());
  lbMacroses.BeginUpdate();
  lbMacroses.SetItems(std::move(items));
  lbMacroses.EndUpdate();
  lbMacroses.SetItemIndex(remembered.empty() ? -1 : FindByText(lbMacroses, remembered));
}

std::shared_ptr<TRecordedMacro> TFrmMain::SelectedMacroShared() {
  const int i = lbMacroses.ItemIndex();
  if (i < 0 || i >= static_cast<int>(FMacros.size())) return nullptr;
  return FMacros[static_cast<size_t>(i)];
}

TRecordedMacro* TFrmMain::SelectedMacro() {
  return SelectedMacroShared().get();
}

void TFrmMain::bRenameClick() {
  TRecordedMacro* macro = SelectedMacro();
  if (!macro) {
    svc_.Dialogs->Message(plat::MsgKind::Information, plat::MsgButtons::Ok,
                          "Please select a macro first.");
    return;
  }
  std::string entered = macro->Name();
  if (!svc_.Dialogs->InputBox("Rename macro", "Enter new macro name:", entered)) return;
  const std::string newName = TrimControls(entered);
  if (newName.empty()) {
    svc_.Dialogs->Message(plat::MsgKind::Warning, plat::MsgButtons::Ok,
                          "Macro name cannot be empty.");
    return;
  }
  // A change of letter case is a rename too; the same name saves a macro that has no file.
  if (newName == macro->Name() && !macro->FileName().empty()) return;
  const std::string stem = SanitizeMacroName(newName);
  if (const std::string problem = MacroFileNameProblem(stem); !problem.empty()) {
    svc_.Dialogs->Message(plat::MsgKind::Warning, plat::MsgButtons::Ok, problem);
    return;
  }
  const std::string oldPath = macro->FileName();
  const std::string newPath = MacrosFolder() + plat::kPathDelim + stem + kExtension;
  const bool samePath = !oldPath.empty() && SameAscii(newPath, oldPath);
  if (!samePath && svc_.Env->FileExists(newPath)) {
    svc_.Dialogs->Message(plat::MsgKind::Warning, plat::MsgButtons::Ok,
                          "A macro file with this name already exists.");
    return;
  }
  // The new name is taken only once its file is written, so the list and the disk agree.
  const std::string oldName = macro->Name();
  macro->SetName(newName);
  try {
    macro->SaveToFile(samePath ? oldPath : newPath);
  } catch (...) {
    macro->SetName(oldName);
    throw;
  }
  RefreshMacroList();
  lbMacroses.SetItemIndex(FindByText(lbMacroses, newName));
  Label1.SetText("Macro renamed.");
  // A macro without a file (its recording could not be saved) has nothing to delete.
  if (!samePath && !oldPath.empty() && svc_.Env->FileExists(oldPath)) svc_.Env->RemoveFile(oldPath);
}

void TFrmMain::bRemoveClick() {
  const std::shared_ptr<TRecordedMacro> macro = SelectedMacroShared();
  if (!macro) return;
  if (svc_.Dialogs->Message(plat::MsgKind::Confirmation, plat::MsgButtons::YesNo,
                            "Delete selected macro?") != plat::MsgResult::Yes)
    return;
  if (!macro->FileName().empty() && svc_.Env->FileExists(macro->FileName()))
    svc_.Env->RemoveFile(macro->FileName());
  // Found by identity: the selection could have moved while the question was open.
  const auto it = std::find(FMacros.begin(), FMacros.end(), macro);
  if (it != FMacros.end()) FMacros.erase(it);
  RefreshMacroList();
  Label1.SetText("Selected macro removed.");
}
