#include "platform/win32/services_win32.h"

#include "platform/win32/dpi.h"

#include <shellapi.h>

#include <cstring>
#include <vector>

#include "platform/win32/text.h"
#include "product/product.h"
#include "ui/win32/style.h"

namespace win {

int MetricForWindow(HWND hwnd, int index) {
  using ForDpi = int(WINAPI*)(int, UINT);
  using DpiForWindow = UINT(WINAPI*)(HWND);
  static const auto forDpi = reinterpret_cast<ForDpi>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi")));
  static const auto dpiForWindow = reinterpret_cast<DpiForWindow>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (forDpi && dpiForWindow && hwnd) {
    const UINT dpi = dpiForWindow(hwnd);
    if (dpi != 0) return forDpi(index, dpi);
  }
  return GetSystemMetrics(index);
}

bool MouseInput::Send(const plat::MouseInputRecord& r) {
  INPUT in;
  std::memset(&in, 0, sizeof in);
  in.type = r.type;
  in.mi.dx = r.dx;
  in.mi.dy = r.dy;
  in.mi.mouseData = r.mouseData;
  in.mi.dwFlags = r.dwFlags;
  in.mi.time = r.time;
  in.mi.dwExtraInfo = static_cast<ULONG_PTR>(r.dwExtraInfo);
  return SendInput(1, &in, sizeof(INPUT)) == 1;
}

namespace {

// A kernel handle closed when it goes.
class KernelHandle {
 public:
  KernelHandle() = default;
  ~KernelHandle() {
    if (h_) CloseHandle(h_);
  }
  KernelHandle(const KernelHandle&) = delete;
  KernelHandle& operator=(const KernelHandle&) = delete;
  HANDLE* Out() { return &h_; }
  HANDLE Get() const { return h_; }
  void Reset(HANDLE h) {
    if (h_) CloseHandle(h_);
    h_ = h;
  }

 private:
  HANDLE h_ = nullptr;
};

// The mandatory integrity level (its RID) of a process's token; false when it cannot be read.
bool IntegrityLevel(HANDLE process, DWORD& level) {
  KernelHandle token;
  if (!OpenProcessToken(process, TOKEN_QUERY, token.Out())) return false;
  DWORD size = 0;
  GetTokenInformation(token.Get(), TokenIntegrityLevel, nullptr, 0, &size);
  if (size == 0) return false;
  std::vector<BYTE> buffer(size);
  if (!GetTokenInformation(token.Get(), TokenIntegrityLevel, buffer.data(), size, &size))
    return false;
  const auto* label = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data());
  const DWORD count = *GetSidSubAuthorityCount(label->Label.Sid);
  if (count == 0) return false;
  level = *GetSidSubAuthority(label->Label.Sid, count - 1);
  return true;
}

}  // namespace

bool MouseInput::HigherIntegrityAt(const plat::Point& screen) {
  const HWND window = WindowFromPoint({screen.X, screen.Y});
  if (!window) return false;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == 0 || pid == GetCurrentProcessId()) return false;
  DWORD ours = 0;
  if (!IntegrityLevel(GetCurrentProcess(), ours)) return false;
  KernelHandle process;
  process.Reset(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  DWORD theirs = 0;
  // A process whose token a program of our level may not even read is above it.
  if (!process.Get() || !IntegrityLevel(process.Get(), theirs))
    return GetLastError() == ERROR_ACCESS_DENIED;
  return theirs > ours;
}

bool MouseInput::CursorPos(plat::Point& out) {
  POINT p;
  if (!GetCursorPos(&p)) return false;
  out = {p.x, p.y};
  return true;
}

plat::Rect MouseInput::VirtualScreen() {
  const int left = MetricForWindow(hwnd_, SM_XVIRTUALSCREEN);
  const int top = MetricForWindow(hwnd_, SM_YVIRTUALSCREEN);
  return {left, top, left + MetricForWindow(hwnd_, SM_CXVIRTUALSCREEN),
          top + MetricForWindow(hwnd_, SM_CYVIRTUALSCREEN)};
}

Random::Random() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  engine_.seed(static_cast<std::mt19937::result_type>(now.QuadPart));
}

int Random::Below(int n) {
  if (n <= 1) return 0;
  return std::uniform_int_distribution<int>(0, n - 1)(engine_);
}

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

// Builds a DLGTEMPLATE in memory: a dialog font, a prompt, an edit field and OK / Cancel.
class DialogTemplate {
 public:
  void Header(DWORD style, short cx, short cy, const std::wstring& caption, WORD items) {
    Align(4);
    DLGTEMPLATE t{};
    t.style = style;
    t.cdit = items;
    t.cx = cx;
    t.cy = cy;
    Raw(&t, sizeof t);
    Word(0);  // no menu
    Word(0);  // standard class
    String(caption);
    Word(9);
    String(L"Segoe UI");
  }
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom,
            const std::wstring& text) {
    Align(4);
    DLGITEMTEMPLATE it{};
    it.style = style | WS_CHILD | WS_VISIBLE;
    it.x = x;
    it.y = y;
    it.cx = cx;
    it.cy = cy;
    it.id = id;
    Raw(&it, sizeof it);
    Word(0xFFFF);
    Word(atom);
    String(text);
    Word(0);  // no creation data
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(buf_.data()); }

 private:
  void Raw(const void* p, size_t n) {
    const auto* b = static_cast<const BYTE*>(p);
    buf_.insert(buf_.end(), b, b + n);
  }
  void Word(WORD w) { Raw(&w, sizeof w); }
  void String(const std::wstring& s) { Raw(s.c_str(), (s.size() + 1) * sizeof(wchar_t)); }
  void Align(size_t a) {
    while (buf_.size() % a) buf_.push_back(0);
  }
  std::vector<BYTE> buf_;
};

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

void Shell::Open(const std::string& target) {
  ShellExecuteW(nullptr, L"open", Widen(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace win
