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

void TFrmMain::LoadMacroLibrary() {
  library_.Load();
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
  lbMacroses.BeginUpdate();
  lbMacroses.SetItems(library_.Names());
  lbMacroses.EndUpdate();
  lbMacroses.SetItemIndex(remembered.empty() ? -1 : FindByText(lbMacroses, remembered));
}

void TFrmMain::SelectMacroNamed(const std::string& name) {
  lbMacroses.SetItemIndex(FindByText(lbMacroses, name));
}

std::shared_ptr<TRecordedMacro> TFrmMain::SelectedMacroShared() {
  return library_.At(lbMacroses.ItemIndex());
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
  library_.Rename(*macro, [&] {
    RefreshMacroList();
    SelectMacroNamed(macro->Name());
    Label1.SetText("Macro renamed.");
  });
}

void TFrmMain::bRemoveClick() {
  if (!library_.Remove(SelectedMacroShared())) return;
  RefreshMacroList();
  Label1.SetText("Selected macro removed.");
}
