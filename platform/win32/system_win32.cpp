// Hotkeys, the INI profile functions, the environment and the notification-area icon.
#include "platform/win32/services_win32.h"

#include <shlobj.h>

#include "platform/win32/text.h"

#include <stdexcept>

namespace win {

plat::HotkeyResult Hotkeys::Register(int id, uint32_t modifiers, uint32_t vk) {
  if (RegisterHotKey(hwnd_, id, modifiers, vk)) return plat::HotkeyResult::Ok;
  return GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED ? plat::HotkeyResult::InUse
                                                           : plat::HotkeyResult::Failed;
}

void Hotkeys::Unregister(int id) {
  UnregisterHotKey(hwnd_, id);
}

uint32_t Hotkeys::ScanCode(uint32_t vk) {
  return MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
}

std::string Hotkeys::KeyName(uint32_t scanCode) {
  wchar_t buf[256];
  const int n = GetKeyNameTextW(static_cast<LONG>(scanCode), buf, 256);
  return n > 0 ? Narrow(std::wstring_view(buf, static_cast<size_t>(n))) : std::string();
}

bool Profile::Read(const std::string& path, const std::string& section, const std::string& key,
                   std::string& value) {
  // A default that no real value equals tells a missing key from an empty one.
  static const wchar_t kMissing[] = L"\x01missing\x01";
  wchar_t buf[2048];
  GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), kMissing, buf, 2048,
                           Widen(path).c_str());
  if (wcscmp(buf, kMissing) == 0) return false;
  value = Narrow(buf);
  return true;
}

bool Profile::Write(const std::string& path, const std::string& section, const std::string& key,
                    const std::string& value) {
  return WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(),
                                    Widen(value).c_str(), Widen(path).c_str()) != FALSE;
}

plat::DateTime Environment::LocalNow() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

std::string Environment::DecimalSeparator() {
  wchar_t buf[8] = L".";
  if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8) <= 0) return ".";
  return Narrow(buf);
}

std::string Environment::Variable(const std::string& name) {
  const std::wstring wname = Widen(name);
  const DWORD n = GetEnvironmentVariableW(wname.c_str(), nullptr, 0);
  if (n == 0) return {};
  std::wstring buf(n, L'\0');
  const DWORD got = GetEnvironmentVariableW(wname.c_str(), buf.data(), n);
  buf.resize(got);
  return Narrow(buf);
}

std::string Environment::ExeFolder() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n < buf.size()) {
      buf.resize(n);
      break;
    }
    buf.resize(buf.size() * 2);
  }
  const size_t slash = buf.find_last_of(L"\\/");
  return Narrow(buf.substr(0, slash == std::wstring::npos ? 0 : slash + 1));
}

void Environment::CreateFolders(const std::string& path) {
  SHCreateDirectoryExW(nullptr, Widen(path).c_str(), nullptr);
}

bool Environment::FileExists(const std::string& path) {
  const DWORD a = GetFileAttributesW(Widen(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> Environment::ListFiles(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(Widen(folder + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD err = GetLastError();
    if (err == ERROR_FILE_NOT_FOUND) return names;
    throw std::runtime_error(SystemErrorText(err));
  }
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(Narrow(fd.cFileName));
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return names;
}

void Environment::RemoveFile(const std::string& path) {
  if (!DeleteFileW(Widen(path).c_str()))
    throw std::runtime_error(SystemErrorText(GetLastError()) + "\r\n" + path);
}

void TrayIcon::Add(HWND hwnd, HICON icon, const std::wstring& tip) {
  data_.cbSize = sizeof data_;
  data_.hWnd = hwnd;
  data_.uID = 1;
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data_.uCallbackMessage = kCallbackMessage;
  data_.hIcon = icon;
  wcsncpy(data_.szTip, tip.c_str(), std::size(data_.szTip) - 1);
  added_ = Shell_NotifyIconW(NIM_ADD, &data_) != FALSE;
  SetVersion();
}

void TrayIcon::Readd() {
  if (!data_.hWnd) return;
  added_ = Shell_NotifyIconW(NIM_ADD, &data_) != FALSE;
  // The version is the icon's: a new taskbar knows nothing of it.
  SetVersion();
}

void TrayIcon::SetVersion() {
  version4_ = false;
  if (!added_) return;
  data_.uVersion = NOTIFYICON_VERSION_4;
  version4_ = Shell_NotifyIconW(NIM_SETVERSION, &data_) != FALSE;
}

void TrayIcon::Remove() {
  if (data_.hWnd) Shell_NotifyIconW(NIM_DELETE, &data_);
  data_.hWnd = nullptr;
  added_ = false;
  version4_ = false;
}

POINT TrayIcon::Point(WPARAM wp) const {
  POINT at{};
  if (version4_) {
    at.x = static_cast<short>(LOWORD(wp));
    at.y = static_cast<short>(HIWORD(wp));
  } else {
    GetCursorPos(&at);
  }
  return at;
}

UINT TrayIcon::TrackMenu(HWND hwnd, HMENU menu, POINT at) {
  SetForegroundWindow(hwnd);
  const UINT align = GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
  const UINT chosen = static_cast<UINT>(TrackPopupMenuEx(
      menu, align | TPM_BOTTOMALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y,
      hwnd, nullptr));
  PostMessageW(hwnd, WM_NULL, 0, 0);
  return chosen;
}

}  // namespace win
