// The new-version dialog NewVersionDialog: shows what the version check found and offers to
// download and start the updater. The dialog's behaviour lives here; the Win32 window binds
// its controls to these models and forwards the user's actions.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/http.h"
#include "platform/platform.h"
#include "ui/controls.h"
#include "update/progress_bar.h"
#include "update/update_host.h"
#include "update/version_check.h"

namespace update {

inline constexpr char kUpdaterFileName[] = "jux_update.exe";

inline constexpr char kDownloadFailedText[] =
    "Failed to download update. Please download manually on website.";
inline constexpr char kDownloadCancelledText[] = "Download is cancelled. Please download manually.";
inline constexpr char kFileMissingText[] = "Cannot find downloaded file.";
inline constexpr char kUnsignedFileText[] =
    "The downloaded file has no valid digital signature and was deleted.";
inline constexpr char kUnsignedFileKeptText[] =
    "The downloaded file has no valid digital signature. It was not started, but it could not "
    "be deleted:";
inline constexpr char kInvalidPathText[] =
    "The temporary folder's path contains characters that are not allowed in paths.";

// Control IDs and layout (96 DPI, client area).
inline constexpr int kNewVersionClientWidth = 411;
inline constexpr int kNewVersionClientHeight = 172;
inline constexpr int kIdMessage = 201;
inline constexpr int kIdProgress = 202;
inline constexpr int kIdUpdateNow = 203;
inline constexpr int kIdCancel = 204;
// The "update-icon" picture; it has no behaviour.
inline constexpr ui::Bounds kUpdatePictureBounds{9, 15, 70, 75};

// The bar position (0..100) for a progress event, or nothing when the bar stays as it is: the
// length is unknown (0 or negative) or the body is chunked.
std::optional<int> ProgressPosition(int64_t bytesSoFar, int64_t contentLength,
                                    std::string_view transferEncoding);

// `name` joined to `folder` (a separator is added when the folder does not end with one).
// Throws std::runtime_error when either part is empty or contains a character that is not
// allowed in a path (control characters and < > " | ? *; the file name also : / \).
std::string JoinTempPath(const std::string& folder, const std::string& name);

class NewVersionDialog {
 public:
  // `state` is the version check's result and outlives the dialog; `server` is the address
  // that UpdateServer gives.
  NewVersionDialog(UpdateState& state, std::string server, plat::IHttpClient& http,
                   IUpdateHost& host, plat::IDialogs& dialogs, plat::IShell& shell);
  NewVersionDialog(const NewVersionDialog&) = delete;
  NewVersionDialog& operator=(const NewVersionDialog&) = delete;

  ui::Label messageLabel;
  ProgressBar progressBar;
  ui::Button updateNowButton;
  ui::Button cancelButton;

  // The window's caption, set by Shown.
  const std::string& Caption() const { return caption_; }
  // Read by the program entry after the dialog has closed: 1 go on to the main window,
  // 0 end the process.
  int Tag() const { return tag_; }
  bool DownloadCancelled() const { return downloadCancelled_; }
  bool Downloading() const { return downloading_; }
  bool Closed() const { return closed_; }

  // Runs once the dialog has closed; the window ends its modal loop here.
  std::function<void()> OnClosed;

  // The dialog is being shown.
  void Shown();
  // The user asked to close the window (close box, Alt+F4, Esc). While a download runs this
  // does nothing: the download closes the dialog itself when it ends.
  void CloseBox();
  // Closes the dialog: Closing runs, then OnClosed. Only the first call counts.
  void Close();

  void CancelClicked();
  void UpdateNowClicked();
  // The HTTP client's progress event during the download.
  void DownloadWork(const plat::HttpProgress& progress);

 private:
  void Closing();
  void Download();

  UpdateState& state_;
  std::string server_;
  plat::IHttpClient& http_;
  IUpdateHost& host_;
  plat::IDialogs& dialogs_;
  plat::IShell& shell_;

  std::string caption_;
  int tag_ = 1;
  bool downloadCancelled_ = false;
  bool downloading_ = false;
  bool closed_ = false;
};

}  // namespace update
