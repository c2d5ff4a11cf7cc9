// What the new-version dialog needs from Windows besides HTTP, message boxes and the shell's
// "open": the temporary folder, the downloaded file, its signature, starting it, and the
// processing of the dialog's pending messages.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "update/update_host.h"

namespace win {

class UpdateHost : public update::IUpdateHost {
 public:
  // Keyboard messages for this window go through IsDialogMessageW while messages are
  // processed (Tab, Enter, Esc).
  void SetDialog(HWND dialog) { dialog_ = dialog; }

  std::string TempFolder() override;
  std::unique_ptr<update::IDownloadFile> CreateDownloadFile(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  bool RemoveFile(const std::string& path) override;
  bool VerifySignature(const std::string& path, std::string& reason) override;
  void StartFile(const std::string& path) override;
  void ProcessMessages() override;

 private:
  HWND dialog_ = nullptr;
};

}  // namespace win
