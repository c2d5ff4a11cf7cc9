#include "app/hotkey_dialog.h"

#include <commctrl.h>

#include <exception>

#include "hotkeys/hotkey_choice.h"
#include "platform/win32/dpi.h"
#include "platform/win32/text.h"
#include "product/product.h"
#include "ui/win32/dialog_template.h"
#include "ui/win32/style.h"

namespace win {

namespace {

constexpr int kRowIds[] = {HotkeyDialog::kStartId, HotkeyDialog::kStopId,
                           HotkeyDialog::kStartRecordingId};

struct DialogState {
  hotkeys::HotkeyChoice choice;
  const std::function<std::string(const hotkeys::HotkeyChoice&)>* apply;
  Style* style;
};

void ShowChoice(HWND dlg, const hotkeys::HotkeyChoice& choice) {
  for (size_t i = 0; i < choice.size(); ++i)
    SendDlgItemMessageW(dlg, kRowIds[i], HKM_SETHOTKEY, hotkeys::ToHotkeyControl(choice[i]), 0);
}

hotkeys::HotkeyChoice ReadChoice(HWND dlg) {
  hotkeys::HotkeyChoice choice;
  for (size_t i = 0; i < choice.size(); ++i)
    choice[i] = hotkeys::FromHotkeyControl(
        static_cast<uint16_t>(SendDlgItemMessageW(dlg, kRowIds[i], HKM_GETHOTKEY, 0, 0)));
  return choice;
}

// OK: the choice is applied, or the reason it cannot be is shown and the dialog stays.
void Accept(HWND dlg, DialogState& st) {
  const hotkeys::HotkeyChoice choice = ReadChoice(dlg);
  std::string problem;
  try {
    problem = (*st.apply)(choice);
  } catch (const std::exception& e) {
    problem = e.what();
  }
  if (problem.empty()) {
    st.choice = choice;
    EndDialog(dlg, IDOK);
    return;
  }
  MessageBoxW(dlg, Widen(problem).c_str(), Widen(product::kTitle).c_str(), MB_OK | MB_ICONWARNING);
}

INT_PTR CALLBACK HotkeyDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  switch (msg) {
    case WM_INITDIALOG: {
      auto* st = reinterpret_cast<DialogState*>(lp);
      SetWindowLongPtrW(dlg, DWLP_USER, lp);
      st->style->SetDpi(WindowDpi(dlg));
      st->style->ApplyToDialog(dlg);
      ShowChoice(dlg, st->choice);
      SetFocus(GetDlgItem(dlg, kRowIds[0]));
      return FALSE;
    }
    case WM_COMMAND: {
      auto* st = reinterpret_cast<DialogState*>(GetWindowLongPtrW(dlg, DWLP_USER));
      switch (LOWORD(wp)) {
        case IDOK:
          if (st) Accept(dlg, *st);
          return TRUE;
        case IDCANCEL:
          EndDialog(dlg, IDCANCEL);
          return TRUE;
        case HotkeyDialog::kDefaultsId: {
          constexpr uint32_t kCtrlShift = hk::kModControl | hk::kModShift;
          ShowChoice(dlg, {HotkeyData{'S', kCtrlShift}, HotkeyData{'X', kCtrlShift},
                           HotkeyData{'R', kCtrlShift}});
          return TRUE;
        }
        default:
          break;
      }
      break;
    }
    default:
      break;
  }
  return FALSE;
}

}  // namespace

bool HotkeyDialog::Edit(const hotkeys::HotkeyChoice& choice,
                        const std::function<std::string(const hotkeys::HotkeyChoice&)>& apply) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_HOTKEY_CLASS};
  InitCommonControlsEx(&icc);
  DialogTemplate t;
  t.Header(DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 228, 96,
           L"Hotkeys", 9);
  const wchar_t* rows[] = {L"Start:", L"Stop:", L"Start recording:"};
  for (int i = 0; i < 3; ++i) {
    const short y = static_cast<short>(10 + 18 * i);
    t.Item(SS_LEFT, 8, static_cast<short>(y + 2), 70, 10, static_cast<WORD>(511 + i), 0x0082,
           rows[i]);
    t.Item(WS_BORDER | WS_TABSTOP, 82, y, 138, 14, static_cast<WORD>(kRowIds[i]), HOTKEY_CLASSW,
           L"");
  }
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 8, 74, 50, 14, kDefaultsId, 0x0080, L"Defaults");
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 114, 74, 50, 14, IDOK, 0x0080, L"OK");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 170, 74, 50, 14, IDCANCEL, 0x0080, L"Cancel");
  Style style;
  DialogState st{choice, &apply, &style};
  const INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), owner_,
                                            HotkeyDialogProc, reinterpret_cast<LPARAM>(&st));
  return r == IDOK;
}

}  // namespace win
