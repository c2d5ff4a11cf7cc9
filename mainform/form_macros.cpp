// The window's side of the macro library: the list of names, its selection, and the Rename
// and Remove buttons.
#include "mainform/main_form.h"

namespace {

int FindByText(const ui::ListBox& lb, const std::string& text) {
  for (int i = 0; i < lb.Count(); ++i)
    if (macros::SameIgnoringAsciiCase(lb.Items()[static_cast<size_t>(i)], text)) return i;
  return -1;
}

}  // namespace

void MainForm::LoadMacroLibrary() {
  library_.Load();
  RefreshMacroList();
  if (pendingSelection_ >= 0 && pendingSelection_ < macroList.Count())
    macroList.SetItemIndex(pendingSelection_);
  else if (macroList.Count() > 0)
    macroList.SetItemIndex(0);
  pendingSelection_ = -1;
}

void MainForm::RefreshMacroList() {
  const int selected = macroList.ItemIndex();
  const std::string remembered =
      selected >= 0 ? macroList.Items()[static_cast<size_t>(selected)] : std::string();
  macroList.BeginUpdate();
  macroList.SetItems(library_.Names());
  macroList.EndUpdate();
  macroList.SetItemIndex(remembered.empty() ? -1 : FindByText(macroList, remembered));
}

void MainForm::SelectMacroNamed(const std::string& name) {
  macroList.SetItemIndex(FindByText(macroList, name));
}

std::shared_ptr<RecordedMacro> MainForm::SelectedMacroShared() {
  return library_.At(macroList.ItemIndex());
}

RecordedMacro* MainForm::SelectedMacro() {
  return SelectedMacroShared().get();
}

void MainForm::RenameMacroClicked() {
  RecordedMacro* macro = SelectedMacro();
  if (!macro) {
    svc_.Dialogs->Message(plat::MsgKind::Information, plat::MsgButtons::Ok,
                          "Please select a macro first.");
    return;
  }
  library_.Rename(*macro, [&] {
    RefreshMacroList();
    SelectMacroNamed(macro->Name());
    statusLabel.SetText("Macro renamed.");
  });
}

void MainForm::RemoveMacroClicked() {
  if (!library_.Remove(SelectedMacroShared())) return;
  RefreshMacroList();
  statusLabel.SetText("Selected macro removed.");
}
