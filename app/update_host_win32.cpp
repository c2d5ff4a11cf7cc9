#include "app/update_host_win32.h"

#include <shellapi.h>

#include <stdexcept>
#include <string_view>

#include "platform/win32/signature_win32.h"
#include "platform/win32/text.h"

namespace win {

namespace {

[[noreturn]] void ThrowFileError(const char* what, const std::string& path, DWORD code) {
  throw std::runtime_error(std::string(what) + " " + path + ": " + SystemErrorText(code));
}

// Owns the handle of the file being downloaded.
class DownloadFile : public update::IDownloadFile {
 public:
  DownloadFile(HANDLE handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  ~DownloadFile() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  DownloadFile(const DownloadFile&) = delete;
  DownloadFile& operator=(const DownloadFile&) = delete;

  void Write(std::string_view block) override {
    if (handle_ == INVALID_HANDLE_VALUE) throw std::runtime_error("The file is closed: " + path_);
    while (!block.empty()) {
      const DWORD chunk =
          block.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(block.size());
      DWORD written = 0;
      if (!WriteFile(handle_, block.data(), chunk, &written, nullptr)) {
        ThrowFileError("Cannot write", path_, GetLastError());
      }
      if (written == 0) ThrowFileError("Cannot write", path_, ERROR_WRITE_FAULT);
      block.remove_prefix(written);
    }
  }

  void Close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    // Data the system could not write out yet shows here.
    if (!CloseHandle(handle)) ThrowFileError("Cannot close", path_, GetLastError());
  }

 private:
  HANDLE handle_;
  std::string path_;
};

}  // namespace

std::string UpdateHost::TempFolder() {
  std::wstring shortPath(MAX_PATH + 1, L'\0');
  DWORD length = GetTempPathW(static_cast<DWORD>(shortPath.size()), shortPath.data());
  if (length > shortPath.size()) {
    shortPath.assign(length, L'\0');
    length = GetTempPathW(static_cast<DWORD>(shortPath.size()), shortPath.data());
  }
  if (length == 0 || length > shortPath.size()) {
    throw std::runtime_error("The temporary folder cannot be found: " +
                             SystemErrorText(GetLastError()));
  }
  shortPath.resize(length);

  // The long form; when the folder cannot be resolved (it does not exist), the path as the
  // system gave it, so that creating the file reports what is wrong.
  std::wstring path = shortPath;
  const DWORD needed = GetLongPathNameW(shortPath.c_str(), nullptr, 0);
  if (needed > 0) {
    std::wstring longPath(needed, L'\0');
    const DWORD got = GetLongPathNameW(shortPath.c_str(), longPath.data(), needed);
    if (got > 0 && got < needed) {
      longPath.resize(got);
      path = longPath;
    }
  }
  if (path.back() != L'\\') path.push_back(L'\\');
  return Narrow(path);
}

std::unique_ptr<update::IDownloadFile> UpdateHost::CreateDownloadFile(const std::string& path) {
  const HANDLE handle = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) ThrowFileError("Cannot create", path, GetLastError());
  return std::make_unique<DownloadFile>(handle, path);
}

bool UpdateHost::FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool UpdateHost::RemoveFile(const std::string& path) {
  DeleteFileW(Widen(path).c_str());
  return !FileExists(path);
}

bool UpdateHost::VerifySignature(const std::string& path, std::string& reason) {
  return VerifyFileSignature(path, reason);
}

void UpdateHost::StartFile(const std::string& path) {
  ShellExecuteW(nullptr, nullptr, Widen(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void UpdateHost::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave the quit for the loop that owns it.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (dialog_ != nullptr && IsDialogMessageW(dialog_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace win
