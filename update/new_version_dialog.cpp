#include "update/new_version_dialog.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <stdexcept>

namespace update {

namespace {

constexpr char kCrLf[] = "\r\n";

bool ContainsChunked(std::string_view transferEncoding) {
  std::string lower(transferEncoding);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower.find("chunked") != std::string::npos;
}

bool HasPathForbiddenChar(std::string_view s, std::string_view alsoForbidden) {
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || std::string_view("<>\"|?*").find(c) != std::string_view::npos ||
        alsoForbidden.find(c) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

// Hands the body to the downloaded file.
class FileSink : public plat::IHttpSink {
 public:
  explicit FileSink(IDownloadFile& file) : file_(file) {}
  void Write(std::string_view block) override { file_.Write(block); }

 private:
  IDownloadFile& file_;
};

}  // namespace

std::optional<int> ProgressPosition(int64_t bytesSoFar, int64_t contentLength,
                                    std::string_view transferEncoding) {
  if (contentLength <= 0 || ContainsChunked(transferEncoding)) return std::nullopt;
  if (bytesSoFar <= 0) return 0;
  if (bytesSoFar >= contentLength) return 100;
  // bytesSoFar < contentLength here, so the product only overflows for lengths beyond 92 PB;
  // there a close approximation, below 100 until the end, will do.
  if (bytesSoFar <= std::numeric_limits<int64_t>::max() / 100) {
    return static_cast<int>(bytesSoFar * 100 / contentLength);
  }
  return static_cast<int>(std::min<int64_t>(bytesSoFar / (contentLength / 100), 99));
}

std::string JoinTempPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || name.empty() || HasPathForbiddenChar(folder, {}) ||
      HasPathForbiddenChar(name, ":/\\")) {
    throw std::runtime_error(kInvalidPathText);
  }
  const char last = folder.back();
  if (last == '\\' || last == '/') return folder + name;
  return folder + '\\' + name;
}

NewVersionDialog::NewVersionDialog(UpdateState& state, std::string server, plat::IHttpClient& http,
                                   IUpdateHost& host, plat::IDialogs& dialogs, plat::IShell& shell)
    : messageLabel(kIdMessage, "messageLabel", {90, 11, 287, 91}),
      progressBar(kIdProgress, "progressBar", {8, 115, 369, 17}, 0, 100),
      updateNowButton(kIdUpdateNow, "updateNowButton", {186, 136, 100, 25}),
      cancelButton(kIdCancel, "cancelButton", {299, 136, 75, 25}),
      state_(state),
      server_(std::move(server)),
      http_(http),
      host_(host),
      dialogs_(dialogs),
      shell_(shell) {
  progressBar.SetVisible(false);
  updateNowButton.SetText("Update Now");
  updateNowButton.OnClick = [this] { UpdateNowClicked(); };
  cancelButton.OnClick = [this] { CancelClicked(); };
}

void NewVersionDialog::Shown() {
  tag_ = 1;
  caption_ = std::string(" ") + product::kTitle;
  updateNowButton.SetText("Update Now");
  cancelButton.SetText(state_.UpdateRequired ? "Exit" : "Skip");
  messageLabel.SetText(state_.NewVersionMessage);
}

void NewVersionDialog::Closing() {
  if (state_.UpdateRequired) tag_ = 0;
}

void NewVersionDialog::Close() {
  if (closed_) return;
  Closing();
  closed_ = true;
  if (OnClosed) OnClosed();
}

void NewVersionDialog::CloseBox() {
  if (downloading_) return;
  Close();
}

void NewVersionDialog::CancelClicked() {
  if (cancelButton.Text() == "Abort") {
    // The download ends at its next progress event.
    downloadCancelled_ = true;
    return;
  }
  Close();
}

void NewVersionDialog::UpdateNowClicked() {
  if (downloading_ || closed_) return;
  // From here on the process ends when the dialog closes, whatever the download's outcome.
  state_.UpdateRequired = true;
  downloading_ = true;
  std::string error;
  try {
    Download();
  } catch (const std::exception& e) {
    error = e.what();
    if (error.empty()) error = "Unknown error.";
  } catch (...) {
    error = "Unknown error.";
  }
  if (!error.empty()) {
    dialogs_.Message(plat::MsgKind::Error, plat::MsgButtons::Ok,
                     std::string(kDownloadFailedText) + kCrLf + kCrLf + error);
    shell_.Open(product::kWebsite);
  }
  downloading_ = false;
  Close();
}

void NewVersionDialog::Download() {
  downloadCancelled_ = false;
  plat::HttpSettings settings;  // redirects and time-outs stay at the client's defaults
  settings.UserAgent = kUserAgent;
  http_.SetSettings(settings);

  cancelButton.SetText("Abort");
  updateNowButton.SetEnabled(false);
  progressBar.SetPosition(0);
  progressBar.SetVisible(true);
  progressBar.Repaint();
  host_.ProcessMessages();

  const std::string path = JoinTempPath(host_.TempFolder(), kUpdaterFileName);
  {
    std::unique_ptr<IDownloadFile> file = host_.CreateDownloadFile(path);
    FileSink sink(*file);
    try {
      http_.Get(server_ + kUpdaterPath, sink,
                [this](const plat::HttpProgress& progress) { DownloadWork(progress); });
    } catch (...) {
      try {
        file->Close();
      } catch (...) {
        // The transfer's own error is the one to report.
      }
      throw;
    }
    file->Close();
  }
  if (!host_.FileExists(path)) throw std::runtime_error(kFileMissingText);

  // A program fetched over plain HTTP runs only when its publisher's signature holds.
  std::string reason;
  if (!host_.VerifySignature(path, reason)) {
    std::string text = host_.RemoveFile(path) ? std::string(kUnsignedFileText)
                                              : std::string(kUnsignedFileKeptText) + kCrLf + path;
    if (!reason.empty()) text += kCrLf + reason;
    throw std::runtime_error(text);
  }
  host_.StartFile(path);
}

void NewVersionDialog::DownloadWork(const plat::HttpProgress& progress) {
  if (downloadCancelled_) throw std::runtime_error(kDownloadCancelledText);
  const std::optional<int> position =
      ProgressPosition(progress.BytesSoFar, progress.ContentLength, progress.TransferEncoding);
  if (!position) return;
  progressBar.SetPosition(*position);
  progressBar.Repaint();
  host_.ProcessMessages();
}

}  // namespace update
