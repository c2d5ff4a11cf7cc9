#include "ui/win32/dialogs.h"

#include <vector>

#include "platform/win32/dpi.h"
#include "platform/win32/text.h"
#include "product/product.h"
#include "ui/win32/dialog_template.h"
#include "ui/win32/style.h"

namespace win {

plat::MsgResult Dialogs::Message(plat::MsgKind kind, plat::MsgButtons buttons,
                                 const std::string& text) {
  UINT type = buttons == plat::MsgButtons::YesNo ? MB_YESNO : MB_OK;
  switch (kind) {
    case plat::MsgKind::Information:
      type |= MB_ICONINFORMATION;
      break;
    case plat::MsgKind::Warning:
      type |= MB_ICONWARNING;
      break;
    case plat::MsgKind::Error:
      type |= MB_ICONERROR;
      break;
    case plat::MsgKind::Confirmation:
      type |= MB_ICONQUESTION;
      break;
  }
  const int r = MessageBoxW(owner_, Widen(text).c_str(), Widen(product::kTitle).c_str(), type);
  switch (r) {
    case IDYES:
      return plat::MsgResult::Yes;
    case IDNO:
      return plat::MsgResult::No;
    case IDOK:
      return plat::MsgResult::Ok;
    default:
      return plat::MsgResult::Cancel;
  }
}

namespace {

// Control IDs of the input box: scripts find the field and its prompt by these.
constexpr WORD kInputEditId = 301;
constexpr WORD kInputPromptId = 302;

struct InputBoxState {
  std::wstring prompt;
  std::wstring value;
  Style* style;
};

INT_PTR CALLBACK InputBoxProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  switch (msg) {
    case WM_INITDIALOG: {
      auto* st = reinterpret_cast<InputBoxState*>(lp);
      SetWindowLongPtrW(dlg, DWLP_USER, lp);
      st->style->SetDpi(WindowDpi(dlg));
      st->style->ApplyToDialog(dlg);
      SetDlgItemTextW(dlg, kInputPromptId, st->prompt.c_str());
      SetDlgItemTextW(dlg, kInputEditId, st->value.c_str());
      SendDlgItemMessageW(dlg, kInputEditId, EM_SETSEL, 0, -1);
      SetFocus(GetDlgItem(dlg, kInputEditId));
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK) {
        auto* st = reinterpret_cast<InputBoxState*>(GetWindowLongPtrW(dlg, DWLP_USER));
        HWND edit = GetDlgItem(dlg, kInputEditId);
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        text.resize(
            static_cast<size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
        st->value = text;
        EndDialog(dlg, IDOK);
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        EndDialog(dlg, IDCANCEL);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

bool Dialogs::InputBox(const std::string& caption, const std::string& prompt, std::string& value) {
  DialogTemplate t;
  t.Header(DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 220, 72,
           Widen(caption), 4);
  t.Item(SS_LEFT, 8, 8, 204, 10, kInputPromptId, 0x0082, L"");
  t.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 8, 22, 204, 13, kInputEditId, 0x0081, L"");
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 106, 48, 50, 14, IDOK, 0x0080, L"OK");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 162, 48, 50, 14, IDCANCEL, 0x0080, L"Cancel");
  // The box is ours: it takes the program's look in full (its buttons, field and colours).
  Style style;
  InputBoxState st{Widen(prompt), Widen(value), &style};
  const INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), owner_,
                                            InputBoxProc, reinterpret_cast<LPARAM>(&st));
  if (r != IDOK) return false;
  value = Narrow(st.value);
  return true;
}

}  // namespace win
