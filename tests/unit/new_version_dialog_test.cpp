#include "update/new_version_dialog.h"

#include <gtest/gtest.h>

#include <ostream>

#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace update {
namespace {

constexpr char kServer[] = "http://127.0.0.1:8123";
constexpr char kTemp[] = "C:\\Users\\Ann\\AppData\\Local\\Temp\\";
const std::string kUpdaterFile = std::string(kTemp) + "jux_update.exe";
const std::string kFailed =
    "Failed to download update. Please download manually on website.\r\n\r\n";

// What the user and the system saw, in order.
using Log = std::vector<std::string>;

// Serves the updater as a list of blocks with the given headers, or fails before any data.
class ScriptedDownload : public plat::IHttpClient {
 public:
  void SetSettings(const plat::HttpSettings& settings) override { Settings.push_back(settings); }

  int Get(const std::string& url, plat::IHttpSink& sink,
          const plat::HttpProgressFn& progress) override {
    Requested.push_back(url);
    if (Error) throw *Error;
    int64_t sent = 0;
    for (size_t i = 0; i < Blocks.size(); ++i) {
      // While the client waits for a block, the dialog's messages keep flowing.
      if (WhileWaiting) WhileWaiting(i);
      sink.Write(Blocks[i]);
      sent += static_cast<int64_t>(Blocks[i].size());
      ++BlocksDelivered;
      if (progress) progress({sent, ContentLength, TransferEncoding});
    }
    return 200;
  }

  std::vector<std::string> Blocks{"MZ", "body"};
  int64_t ContentLength = 6;
  std::string TransferEncoding;
  std::optional<plat::HttpError> Error;
  std::function<void(size_t block)> WhileWaiting;

  std::vector<std::string> Requested;
  std::vector<plat::HttpSettings> Settings;
  size_t BlocksDelivered = 0;
};

class FakeHost : public IUpdateHost {
 public:
  explicit FakeHost(Log& log) : log_(log) {}

  class File : public IDownloadFile {
   public:
    File(FakeHost& host, std::string path) : host_(host), path_(std::move(path)) {}
    void Write(std::string_view block) override {
      if (host_.WriteError) throw std::runtime_error(*host_.WriteError);
      host_.Files[path_].append(block);
    }
    void Close() override {
      if (!closed_) --host_.OpenFiles;
      closed_ = true;
    }

   private:
    FakeHost& host_;
    std::string path_;
    bool closed_ = false;
  };

  std::string TempFolder() override { return Temp; }
  std::unique_ptr<IDownloadFile> CreateDownloadFile(const std::string& path) override {
    Files[path].clear();
    ++OpenFiles;
    return std::make_unique<File>(*this, path);
  }
  bool FileExists(const std::string& path) override {
    return !FileVanishes && Files.count(path) != 0;
  }
  bool RemoveFile(const std::string& path) override {
    log_.push_back("remove " + path);
    if (!CanRemove) return false;
    Files.erase(path);
    return true;
  }
  bool VerifySignature(const std::string& path, std::string& reason) override {
    log_.push_back("verify " + path);
    if (Signed) return true;
    reason = "The file is not signed.";
    return false;
  }
  void StartFile(const std::string& path) override { log_.push_back("start " + path); }
  void ProcessMessages() override {
    if (OnProcessMessages) OnProcessMessages();
  }

  std::string Temp = kTemp;
  std::optional<std::string> WriteError;
  bool FileVanishes = false;
  bool Signed = true;
  bool CanRemove = true;
  std::function<void()> OnProcessMessages;

  std::map<std::string, std::string> Files;
  int OpenFiles = 0;

 private:
  Log& log_;
};

class FakeDialogs : public plat::IDialogs {
 public:
  explicit FakeDialogs(Log& log) : log_(log) {}
  plat::MsgResult Message(plat::MsgKind kind, plat::MsgButtons buttons,
                          const std::string& text) override {
    EXPECT_EQ(kind, plat::MsgKind::Error);
    EXPECT_EQ(buttons, plat::MsgButtons::Ok);
    log_.push_back("box " + text);
    return plat::MsgResult::Ok;
  }
  bool InputBox(const std::string&, const std::string&, std::string&) override { return false; }

 private:
  Log& log_;
};

class FakeShell : public plat::IShell {
 public:
  explicit FakeShell(Log& log) : log_(log) {}
  void Open(const std::string& target) override { log_.push_back("open " + target); }

 private:
  Log& log_;
};

class BarPeer : public ProgressBarPeer {
 public:
  void PeerSetPosition(int position) override { Positions.push_back(position); }
  std::vector<int> Positions;
};

class NewVersionDialogTest : public ::testing::Test {
 protected:
  // Shows the dialog for an optional or a mandatory offer, as the program entry does.
  NewVersionDialog& Show(bool required) {
    state = UpdateState{required, "The new version 1.1 is available\r\n\r\nWhat's new:\r\n"};
    dialog = std::make_unique<NewVersionDialog>(state, kServer, http, host, dialogs, shell);
    dialog->OnClosed = [this] { ++closedEvents; };
    dialog->progressBar.Bind(&bar);
    dialog->Shown();
    return *dialog;
  }

  Log log;
  ScriptedDownload http;
  FakeHost host{log};
  FakeDialogs dialogs{log};
  FakeShell shell{log};
  BarPeer bar;
  UpdateState state;
  std::unique_ptr<NewVersionDialog> dialog;
  int closedEvents = 0;
};

TEST_F(NewVersionDialogTest, ShowsTheOffer) {
  for (const bool required : {false, true}) {
    NewVersionDialog& d = Show(required);
    EXPECT_EQ(d.Caption(), " JUX Zura Divudiv");
    EXPECT_EQ(d.updateNowButton.Text(), "Update Now");
    EXPECT_TRUE(d.updateNowButton.Enabled());
    EXPECT_EQ(d.cancelButton.Text(), required ? "Exit" : "Skip");
    EXPECT_EQ(d.messageLabel.Text(), state.NewVersionMessage);
    EXPECT_FALSE(d.progressBar.Visible());
    EXPECT_EQ(d.Tag(), 1);
    EXPECT_EQ(d.messageLabel.Id(), 201);
    EXPECT_EQ(d.progressBar.Id(), 202);
    EXPECT_EQ(d.updateNowButton.Id(), 203);
    EXPECT_EQ(d.cancelButton.Id(), 204);
  }
}

TEST_F(NewVersionDialogTest, SkipExitAndCloseBoxDecideTheTag) {
  struct Case {
    bool required;
    bool closeBox;
    int tag;
  };
  for (const Case& c :
       {Case{false, false, 1}, Case{false, true, 1}, Case{true, false, 0}, Case{true, true, 0}}) {
    closedEvents = 0;
    NewVersionDialog& d = Show(c.required);
    if (c.closeBox) {
      d.CloseBox();
    } else {
      d.cancelButton.UserClick();
    }
    EXPECT_TRUE(d.Closed());
    EXPECT_EQ(closedEvents, 1);
    EXPECT_EQ(d.Tag(), c.tag) << "required " << c.required << " close box " << c.closeBox;
    EXPECT_TRUE(http.Requested.empty());
  }
  EXPECT_TRUE(log.empty());
}

TEST_F(NewVersionDialogTest, UpdateNowDownloadsChecksAndStartsTheUpdater) {
  NewVersionDialog& d = Show(false);
  bool sawDownloadingState = false;
  host.OnProcessMessages = [&] {
    if (sawDownloadingState) return;
    sawDownloadingState = true;  // the first pump, before any data
    EXPECT_EQ(d.cancelButton.Text(), "Abort");
    EXPECT_FALSE(d.updateNowButton.Enabled());
    EXPECT_TRUE(d.progressBar.Visible());
    EXPECT_EQ(d.progressBar.Position(), 0);
    EXPECT_EQ(http.BlocksDelivered, 0u);
    EXPECT_TRUE(state.UpdateRequired);
  };
  d.updateNowButton.UserClick();

  EXPECT_TRUE(sawDownloadingState);
  ASSERT_EQ(http.Requested,
            std::vector<std::string>{std::string(kServer) + "/download/zivavavazezire.exe"});
  ASSERT_EQ(http.Settings.size(), 1u);
  plat::HttpSettings expected;
  expected.UserAgent = "Mozilla/4.0 (compatible; MyApp)";
  EXPECT_EQ(http.Settings[0], expected);  // everything else at the client's defaults
  EXPECT_EQ(host.Files[kUpdaterFile], "MZbody");
  EXPECT_EQ(host.OpenFiles, 0);
  EXPECT_EQ(log, (Log{"verify " + kUpdaterFile, "start " + kUpdaterFile}));
  EXPECT_TRUE(d.Closed());
  EXPECT_EQ(closedEvents, 1);
  EXPECT_EQ(d.Tag(), 0);  // the updater runs; the program ends
}

TEST_F(NewVersionDialogTest, ProgressFollowsAKnownLengthOnly) {
  struct Case {
    const char* name;
    int64_t length;
    const char* transferEncoding;
    std::vector<int> positions;  // after the reset to 0
  };
  const std::vector<Case> cases = {
      {"length", 1000, "", {50, 100}},
      {"chunked", 1000, "chunked", {}},
      {"chunked among others", 1000, "gzip, chunked", {}},
      {"no length", -1, "", {}},
      {"zero length", 0, "", {}},
  };
  for (const Case& c : cases) {
    http.Blocks = {std::string(500, 'a'), std::string(500, 'b')};
    http.ContentLength = c.length;
    http.TransferEncoding = c.transferEncoding;
    bar.Positions.clear();
    NewVersionDialog& d = Show(false);
    d.updateNowButton.UserClick();
    std::vector<int> expected = {0};
    expected.insert(expected.end(), c.positions.begin(), c.positions.end());
    // The bar starts hidden at 0, so Bind reports 0 and the reset to 0 changes nothing.
    EXPECT_EQ(bar.Positions, expected) << c.name;
    EXPECT_EQ(d.progressBar.Position(), c.positions.empty() ? 0 : c.positions.back()) << c.name;
  }
}

TEST(ProgressPosition, IsBytesTimesHundredOverLength) {
  struct Case {
    int64_t bytes;
    int64_t length;
    const char* transferEncoding;
    std::optional<int> position;
  };
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  const std::vector<Case> cases = {
      {500, 1000, "", 50},
      {1000, 1000, "", 100},
      {0, 1000, "", 0},
      {1, 3, "", 33},
      {2, 3, "", 66},
      {999, 1000, "", 99},
      {1500, 1000, "", 100},  // more than announced: the bar is full
      {kMax / 2, kMax, "", 50},
      {kMax - 1, kMax, "", 99},
      {500, 1000, "chunked", std::nullopt},
      {500, 1000, "Chunked", std::nullopt},
      {500, 1000, "gzip, chunked", std::nullopt},
      {500, 1000, "identity", 50},
      {500, 0, "", std::nullopt},
      {500, -1, "", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProgressPosition(c.bytes, c.length, c.transferEncoding), c.position)
        << c.bytes << "/" << c.length << " " << c.transferEncoding;
  }
}

// Abort while the client waits for data: nothing visible happens until the next block arrives,
// whose progress event ends the download.
TEST_F(NewVersionDialogTest, AbortEndsTheDownloadAtTheNextBlock) {
  for (const char* transferEncoding : {"", "chunked"}) {
    log.clear();
    http = ScriptedDownload{};
    http.Blocks = {"aaaa", "bbbb", "cccc", "dddd"};
    http.ContentLength = 16;
    http.TransferEncoding = transferEncoding;
    NewVersionDialog& d = Show(false);
    http.WhileWaiting = [&](size_t block) {
      if (block != 1) return;
      d.cancelButton.UserClick();
      EXPECT_TRUE(d.DownloadCancelled());
      EXPECT_FALSE(d.Closed());
      EXPECT_TRUE(log.empty());
    };
    d.updateNowButton.UserClick();

    EXPECT_EQ(http.BlocksDelivered, 2u) << transferEncoding;
    EXPECT_EQ(log, (Log{"box " + kFailed + "Download is cancelled. Please download manually.",
                        "open https://www.zuradivudiv.example/"}))
        << transferEncoding;
    EXPECT_EQ(host.Files[kUpdaterFile], "aaaabbbb");  // the partial file stays
    EXPECT_EQ(host.OpenFiles, 0);
    EXPECT_TRUE(d.Closed());
    EXPECT_EQ(d.Tag(), 0);
  }
}

TEST_F(NewVersionDialogTest, CloseBoxWaitsForTheDownload) {
  NewVersionDialog& d = Show(false);
  http.WhileWaiting = [&](size_t) {
    d.CloseBox();
    EXPECT_FALSE(d.Closed());
  };
  d.updateNowButton.UserClick();
  EXPECT_TRUE(d.Closed());
  EXPECT_EQ(closedEvents, 1);
  EXPECT_EQ(log.back(), "start " + kUpdaterFile);
}

struct FailureCase {
  const char* name;
  std::function<void(ScriptedDownload&, FakeHost&)> arrange;
  std::string errorText;
  bool verified;  // the signature check ran and the file was to be removed
};
// Names the case in test listings instead of dumping its bytes.
void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

class DownloadFailureTest : public NewVersionDialogTest,
                            public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DownloadFailureTest, ShowsOneBoxThenOpensTheWebsite) {
  const FailureCase& c = GetParam();
  c.arrange(http, host);
  for (const bool required : {false, true}) {
    log.clear();
    NewVersionDialog& d = Show(required);
    d.updateNowButton.UserClick();
    Log expected;
    if (c.verified) expected = {"verify " + kUpdaterFile, "remove " + kUpdaterFile};
    expected.push_back("box " + kFailed + c.errorText);
    expected.push_back("open https://www.zuradivudiv.example/");
    EXPECT_EQ(log, expected);
    EXPECT_EQ(host.OpenFiles, 0);
    EXPECT_TRUE(d.Closed());
    EXPECT_EQ(d.Tag(), 0);
  }
}

using R = plat::HttpError::Reason;
const std::string kNotSigned = "\r\nThe file is not signed.";
INSTANTIATE_TEST_SUITE_P(
    Failures, DownloadFailureTest,
    ::testing::Values(
        FailureCase{"NoConnection",
                    [](ScriptedDownload& h, FakeHost&) {
                      h.Error = plat::HttpError(R::Connect, "Cannot connect to the server.");
                    },
                    "Cannot connect to the server.", false},
        FailureCase{"ServerError",
                    [](ScriptedDownload& h, FakeHost&) {
                      h.Error = plat::HttpError(R::Status, "HTTP 404 Not Found", 404);
                    },
                    "HTTP 404 Not Found", false},
        FailureCase{"WriteError",
                    [](ScriptedDownload&, FakeHost& f) { f.WriteError = "Disk full."; },
                    "Disk full.", false},
        FailureCase{"BadTemporaryFolder",
                    [](ScriptedDownload&, FakeHost& f) { f.Temp = "C:\\Te|mp\\"; },
                    kInvalidPathText, false},
        FailureCase{"FileMissingAfterwards",
                    [](ScriptedDownload&, FakeHost& f) { f.FileVanishes = true; },
                    "Cannot find downloaded file.", false},
        FailureCase{
            "Unsigned", [](ScriptedDownload&, FakeHost& f) { f.Signed = false; },
            "The downloaded file has no valid digital signature and was deleted." + kNotSigned,
            true},
        FailureCase{"UnsignedAndNotRemovable",
                    [](ScriptedDownload&, FakeHost& f) {
                      f.Signed = false;
                      f.CanRemove = false;
                    },
                    std::string(kUnsignedFileKeptText) + "\r\n" + kUpdaterFile + kNotSigned, true}),
    [](const ::testing::TestParamInfo<FailureCase>& param) { return param.param.name; });

TEST_F(NewVersionDialogTest, UnsignedUpdaterIsDeletedAndNeverStarted) {
  host.Signed = false;
  NewVersionDialog& d = Show(true);
  d.updateNowButton.UserClick();
  EXPECT_EQ(host.Files.count(kUpdaterFile), 0u);
  for (const std::string& entry : log) EXPECT_NE(entry.rfind("start ", 0), 0u) << entry;
  EXPECT_EQ(d.Tag(), 0);
}

TEST(JoinTempPath, JoinsCheckedParts) {
  EXPECT_EQ(JoinTempPath("C:\\Users\\Ann\\AppData\\Local\\Temp\\", "jux_update.exe"),
            "C:\\Users\\Ann\\AppData\\Local\\Temp\\jux_update.exe");
  EXPECT_EQ(JoinTempPath("C:\\Temp", "jux_update.exe"), "C:\\Temp\\jux_update.exe");
  EXPECT_EQ(JoinTempPath("/tmp/", "jux_update.exe"), "/tmp/jux_update.exe");
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"", "jux_update.exe"},
      {"C:\\Temp\\", ""},
      {"C:\\Te|mp\\", "jux_update.exe"},
      {"C:\\Te?mp\\", "jux_update.exe"},
      {"C:\\Te\"mp\\", "jux_update.exe"},
      {std::string("C:\\Te\x01mp\\"), "jux_update.exe"},
      {"C:\\Temp\\", "..\\jux_update.exe"},
      {"C:\\Temp\\", "a/b.exe"},
      {"C:\\Temp\\", "a:b.exe"},
      {"C:\\Temp\\", "a*.exe"},
  };
  for (const auto& [folder, name] : refused) {
    EXPECT_THROW(JoinTempPath(folder, name), std::runtime_error) << folder << " + " << name;
  }
}

}  // namespace
}  // namespace update
