// Bad inputs from outside and what the program does with them: damaged, binary and huge macro
// files (read alone and through the library of a whole window on a real folder), settings
// values that are out of range or no numbers, and a version server that answers badly or not
// at all. docs/bad-inputs.md lists these cases; each of its rows names the test here that keeps
// it true.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>

#include "fakes.h"
#include "macros/recorded_macro.h"
#include "update/version_check.h"

namespace fs = std::filesystem;

namespace {

using K = MacroEventKind;

const std::string kBom = "\xEF\xBB\xBF";

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << bytes;
  ASSERT_TRUE(f.good()) << path;
}

std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

// "Name=A\r\n" as a Windows editor writes it when told to save as "Unicode" (UTF-16 LE with
// its byte-order mark).
std::string Utf16LeFile(const std::string& ascii) {
  std::string s = "\xFF\xFE";
  for (char c : ascii) {
    s += c;
    s += '\0';
  }
  return s;
}

// ---------------------------------------------------------------------------------------------
// Damaged and binary macro files, one file each, read by RecordedMacro::LoadFromFile.

struct MacroFileCase {
  const char* label;
  std::string bytes;
  bool loads;
  std::string name;
  std::vector<MacroEvent> events;
  uint32_t duration = 0;
};

std::vector<MacroFileCase> DamagedAndBinaryFiles() {
  return {
      {"CutInsideAnEventLine",
       kBom + "Name=Cut\r\nDurationMs=50\r\nE=10|0|1|2|-1\r\nE=20|1|3",
       true,
       "Cut",
       {{10, K::Move, 1, 2, -1}},
       50},
      {"CutInsideAUtf8Character", kBom + "Name=Gr\xC3", false, "", {}},
      {"FieldsThatAreNoNumbers",
       "E=ten|one|x|y|z\r\nE=1.5|1e2|0x|$|--1\r\n",
       true,
       "",
       {{0, K::Move, 0, 0, -1}, {0, K::Move, 0, 0, -1}}},
      {"NumbersOutOfRange",
       "DurationMs=99999999999\r\nE=4294967296|300|2147483648|-2147483649|7\r\n",
       true,
       "",
       {{0, static_cast<K>(44), 0, 0, 7}}},
      {"NulBytesAndControlCharacters",
       std::string("Name=a\0b\x01\r\n\0\0\0\r\nE=1|0|2|3|-1\r\n\0", 31),
       true,
       std::string("a\0b\x01", 4),
       {{1, K::Move, 2, 3, -1}}},
      {"BlankLinesAndStrayBreaks", "\r\r\n\n\rE=5|2|6|7|0\n\r\n", true, "", {{5, K::Up, 6, 7, 0}}},
      {"ByteOrderMarkTwice",
       kBom + kBom + "Name=Twice\r\nE=1|0|2|3|-1\r\n",
       true,
       "",  // the second mark belongs to the first line, which then is no name line
       {{1, K::Move, 2, 3, -1}}},
      {"OverlongSlash", "Name=\xC0\xAF\r\n", false, "", {}},
      {"EncodedSurrogate", "Name=\xED\xA0\x80\r\n", false, "", {}},
      {"SavedAsUtf16", Utf16LeFile("Name=A\r\nE=1|0|2|3|-1\r\n"), false, "", {}},
      {"RandomBytes", RandomBytes(64 * 1024, 7), false, "", {}},
      {"PictureFile",
       std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) + RandomBytes(256, 8),
       false,
       "",
       {}},
      {"ProgramFile",
       std::string("MZ\x90\0\x03\0\0\0\x04\0", 10) + RandomBytes(256, 9),
       false,
       "",
       {}},
      {"AllZeroBytes", std::string(4096, '\0'), true, "", {}},
  };
}

TEST(BadMacroFiles, DamagedAndBinaryFilesLoadWhatIsReadableOrFailWithTheFileName) {
  fakes::TempDir dir("bad-macros");
  for (const MacroFileCase& c : DamagedAndBinaryFiles()) {
    SCOPED_TRACE(c.label);
    const std::string path = (dir.path / (std::string(c.label) + ".juxmac")).string();
    WriteBytes(path, c.bytes);
    if (!c.loads) {
      try {
        RecordedMacro::LoadFromFile(path);
        ADD_FAILURE() << "loaded";
      } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
      }
      continue;
    }
    std::unique_ptr<RecordedMacro> m;
    ASSERT_NO_THROW(m = RecordedMacro::LoadFromFile(path));
    EXPECT_EQ(m->Name(), c.name);
    EXPECT_EQ(m->DurationMs(), c.duration);
    EXPECT_EQ(m->Events(), c.events);
  }
}

// The whole window on a real folder: the library lists what loads, leaves the rest out without
// a word and keeps every file.
TEST(BadMacroFiles, LibraryListsTheReadableFilesAndSkipsTheOthersSilently) {
  fakes::TempDir root("bad-library");
  const fs::path macros = root.path / "JUX Zura Divudiv" / "Macros";
  fs::create_directories(macros);
  for (const MacroFileCase& c : DamagedAndBinaryFiles()) {
    WriteBytes(macros / (std::string(c.label) + ".juxmac"), c.bytes);
  }
  WriteBytes(macros / "Good.juxmac", kBom + "Name=Good\r\nDurationMs=10\r\nE=5|0|1|2|-1\r\n");

  fakes::Form f([&](fakes::Form& g) {
    g.env.realFiles = true;
    g.env.vars["APPDATA"] = root.path.string();
  });
  // In file-name order; the readable files with no name line give empty entries.
  EXPECT_EQ(f.frm.macroList.Items(), (std::vector<std::string>{"", "", "", "Cut", "", "Good",
                                                               std::string("a\0b\x01", 4), ""}));
  EXPECT_TRUE(f.dialogs.messages.empty());
  for (const MacroFileCase& c : DamagedAndBinaryFiles()) {
    EXPECT_TRUE(fs::exists(macros / (std::string(c.label) + ".juxmac"))) << c.label;
  }
}

// A damaged file whose press lost its release: the playback lets go of the button at its end.
// A press of button 7 (no such button) sends no button at all.
TEST(BadMacroFiles, APressWithoutItsReleaseIsReleasedWhenThePlaybackEnds) {
  fakes::TempDir root("bad-press");
  const fs::path macros = root.path / "JUX Zura Divudiv" / "Macros";
  fs::create_directories(macros);
  WriteBytes(macros / "press.juxmac",
             "Name=Press\r\nE=0|0|10|10|-1\r\nE=5|1|10|10|0\r\nE=7|1|10|10|7\r\nE=9|2|1");
  fakes::Form f([&](fakes::Form& g) {
    g.env.realFiles = true;
    g.env.vars["APPDATA"] = root.path.string();
  });
  MainForm& m = f.frm;
  ASSERT_EQ(m.macroList.Items(), (std::vector<std::string>{"Press"}));
  m.macrosRadio.UserClick();
  m.repeatCountRadio.UserClick();
  m.repeatCountEdit.UserSetText("1");
  m.startButton.UserClick();
  f.clock.Advance(1000);
  EXPECT_EQ(m.statusLabel.Text(), "Completed macro repeat count. Runs done: 1");
  constexpr uint32_t kLeftDown = 0x0002, kLeftUp = 0x0004;
  int downs = 0, ups = 0;
  for (const auto& r : f.mouse.sent) {
    downs += r.dwFlags == kLeftDown;
    ups += r.dwFlags == kLeftUp;
  }
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(ups, 1);
  ASSERT_FALSE(f.mouse.sent.empty());
  EXPECT_EQ(f.mouse.sent.back().dwFlags, kLeftUp);
}

// ---------------------------------------------------------------------------------------------
// A 100 MB macro file, made once in a temporary folder: 2 MB of event lines, then long lines of
// no meaning, then one last event. Both the reader and the library take it whole.

class HugeMacroFile : public ::testing::Test {
 protected:
  static constexpr size_t kSize = 100u * 1024 * 1024;
  static constexpr size_t kDenseBytes = 2u * 1024 * 1024;

  // Written piece by piece, so that the test never holds the 100 MB itself.
  static void SetUpTestSuite() {
    root_ = new fakes::TempDir("huge-macro");
    const fs::path macros = root_->path / "JUX Zura Divudiv" / "Macros";
    fs::create_directories(macros);
    path_ = (macros / "huge.juxmac").string();

    std::string head = kBom + "Name=Huge\r\nDurationMs=1234\r\n";
    denseEvents_ = 0;
    char line[64];
    while (head.size() < kDenseBytes) {
      const int n = std::snprintf(line, sizeof line, "E=%u|0|%u|%u|-1\r\n", denseEvents_,
                                  denseEvents_ % 1920, denseEvents_ % 1080);
      head.append(line, static_cast<size_t>(n));
      ++denseEvents_;
    }
    const std::string filler = std::string(64 * 1024 - 2, 'x') + "\r\n";
    const std::string last = "E=2000000000|1|5|6|0\r\n";

    std::ofstream f(path_, std::ios::binary | std::ios::trunc);
    f << head;
    size_t written = head.size();
    for (; written + filler.size() + last.size() <= kSize; written += filler.size()) f << filler;
    const size_t pad = kSize - written - last.size();
    if (pad > 0) f << std::string(pad - 1, 'y') << '\n';
    f << last;
    f.close();
    ASSERT_TRUE(f.good()) << path_;
  }
  static void TearDownTestSuite() {
    delete root_;
    root_ = nullptr;
  }

  static fakes::TempDir* root_;
  static std::string path_;
  static uint32_t denseEvents_;
};

fakes::TempDir* HugeMacroFile::root_ = nullptr;
std::string HugeMacroFile::path_;
uint32_t HugeMacroFile::denseEvents_ = 0;

TEST_F(HugeMacroFile, ReadsWholeInOneGo) {
  ASSERT_EQ(fs::file_size(path_), kSize);
  const auto start = std::chrono::steady_clock::now();
  const auto m = RecordedMacro::LoadFromFile(path_);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("[ huge     ] 100 MB macro file with %u events read in %.0f ms\n", denseEvents_ + 1,
              ms);
  EXPECT_EQ(m->Name(), "Huge");
  EXPECT_EQ(m->DurationMs(), 1234u);
  ASSERT_EQ(m->Events().size(), denseEvents_ + 1u);
  EXPECT_EQ(m->Events()[1], (MacroEvent{1, K::Move, 1, 1, -1}));
  EXPECT_EQ(m->Events().back(), (MacroEvent{2000000000u, K::Down, 5, 6, 0}));
}

TEST_F(HugeMacroFile, LibraryListsItBesideTheOthers) {
  const fs::path macros = root_->path / "JUX Zura Divudiv" / "Macros";
  WriteBytes(macros / "small.juxmac", "Name=Small\r\nE=1|0|2|3|-1\r\n");
  fakes::Form f([&](fakes::Form& g) {
    g.env.realFiles = true;
    g.env.vars["APPDATA"] = root_->path.string();
  });
  fs::remove(macros / "small.juxmac");
  EXPECT_EQ(f.frm.macroList.Items(), (std::vector<std::string>{"Huge", "Small"}));
  ASSERT_EQ(f.frm.Library().Macros().size(), 2u);
  EXPECT_EQ(f.frm.Library().Macros()[0]->Events().size(), denseEvents_ + 1u);
  EXPECT_TRUE(f.dialogs.messages.empty());
}

// ---------------------------------------------------------------------------------------------
// Settings values out of range or no numbers, each alone in a settings file, read by a whole
// window: the control keeps its range, a value that is no 32-bit integer gives the key's
// default, and the hotkeys take whatever integer they are given.

struct SettingCase {
  const char* section;
  const char* key;
  std::string value;
  std::function<int64_t(MainForm&)> read;
  int64_t expected;
};

int64_t Hours(MainForm& m) {
  return m.hoursEdit.Value();
}
int64_t Millis(MainForm& m) {
  return m.millisecondsEdit.Value();
}
int64_t RepeatCount(MainForm& m) {
  return m.repeatCountEdit.Value();
}
int64_t CoordX(MainForm& m) {
  return m.coordXEdit.Value();
}

TEST(BadSettings, OutOfRangeAndNonNumericValuesKeepEveryControlInItsRange) {
  const std::string longDigits = "1" + std::string(3000, '0');
  const std::vector<SettingCase> cases = {
      // Out of range: clamped to the spin edit's range.
      {"Interval", "h", "24", Hours, 23},
      {"Interval", "h", "-1", Hours, 0},
      {"Interval", "ms", "2147483647", Millis, 999},
      {"Interval", "ms", "-2147483648", Millis, 0},
      {"Repeat", "count", "0", RepeatCount, 1},
      {"Repeat", "count", "65536", RepeatCount, 65535},
      {"Coords", "x", "0xFFFFFFFF", CoordX, -1},  // hexadecimal is read as 32 bits: -1
      {"Coords", "x", "0x7FFFFFFF", CoordX, 100000},
      {"Coords", "x", "-2147483648", CoordX, -100000},
      // No 32-bit integer: the default (100 ms, the design's value).
      {"Interval", "ms", "2147483648", Millis, 100},
      {"Interval", "ms", "ten", Millis, 100},
      {"Interval", "ms", "", Millis, 100},
      {"Interval", "ms", "   ", Millis, 100},
      {"Interval", "ms", "50 ", Millis, 100},
      {"Interval", "ms", "5.0", Millis, 100},
      {"Interval", "ms", "1e2", Millis, 100},
      {"Interval", "ms", "0x", Millis, 100},
      {"Interval", "ms", "0x1FFFFFFFF", Millis, 100},
      {"Interval", "ms", "$10", Millis, 100},
      {"Interval", "ms", std::string("5\0", 2), Millis, 100},
      {"Interval", "ms", "\xEF\xBC\x95", Millis, 100},  // a full-width digit five
      {"Interval", "ms", longDigits, Millis, 100},
      {"Interval", "ms", " 50", Millis, 50},  // leading blanks are allowed
      // Combo boxes and the target: an index outside 0..2 selects nothing / changes nothing.
      {"Click", "button", "3", [](MainForm& m) { return m.buttonCombo.ItemIndex(); }, -1},
      {"Click", "type", "-2", [](MainForm& m) { return m.clickTypeCombo.ItemIndex(); }, -1},
      {"Target", "mode", "9", [](MainForm& m) { return m.TargetModeIndex(); }, 0},
      // Booleans: any integer but 0 is true, anything else the default.
      {"Repeat", "untilStopped", "-7", [](MainForm& m) { return m.untilStoppedRadio.Checked(); },
       1},
      {"Repeat", "untilStopped", "no", [](MainForm& m) { return m.untilStoppedRadio.Checked(); },
       1},
      // Hotkeys: not validated.
      {"HotkeyStart", "vk", "-1",
       [](MainForm& m) { return m.Hotkeys().Key(hotkeys::HotkeyAction::Start).Vk; }, 0xFFFFFFFF},
      {"HotkeyStart", "mod", "0x4000",
       [](MainForm& m) { return m.Hotkeys().Key(hotkeys::HotkeyAction::Start).Modifiers; }, 0x4000},
      {"HotkeyStart", "vk", "S",
       [](MainForm& m) { return m.Hotkeys().Key(hotkeys::HotkeyAction::Start).Vk; }, 83},
  };
  for (const SettingCase& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key + "=\"" + c.value + "\"");
    fakes::Form f([&](fakes::Form& g) {
      g.env.files.insert(fakes::Form::kSettingsPath);
      g.profile.Set(c.section, c.key, c.value);
    });
    EXPECT_EQ(c.read(f.frm), c.expected);
    EXPECT_TRUE(f.dialogs.messages.empty());
  }
}

// A settings file that holds nothing but garbage: every key has its default.
TEST(BadSettings, AFileOfGarbageGivesTheDefaults) {
  fakes::Form f([&](fakes::Form& g) {
    g.env.files.insert(fakes::Form::kSettingsPath);
    const std::string junk = RandomBytes(4096, 11);
    for (const char* section : {"Target", "Interval", "Repeat", "Click", "UI", "Delay", "Coords"}) {
      for (const char* key :
           {"mode", "h", "m", "s", "ms", "jitterEnabled", "jitterMs", "untilStopped", "count",
            "button", "type", "holdMs", "topMost", "startDelayS", "minimizeOnStart", "x", "y"}) {
        g.profile.Set(section, key, "\x01" + junk);
      }
    }
  });
  fakes::Form defaults;
  f.profile.writes.clear();
  f.frm.Destroy();
  defaults.frm.Destroy();
  EXPECT_EQ(f.profile.writes, defaults.profile.writes);
}

// ---------------------------------------------------------------------------------------------
// The version server answering badly or not at all, through a scripted client that behaves as
// such a server would: the check gives no offer, leaves its state alone and throws nothing.

constexpr char kServer[] = "http://127.0.0.1:8123";

enum class Server {
  Ok,
  NotFound,
  ServerError,
  RedirectLoop,
  EndlessBody,
  NoAnswer,
  Refused,
  Empty
};

class BadServer : public plat::IHttpClient {
 public:
  Server version = Server::Ok;
  Server changes = Server::Ok;
  plat::HttpSettings settings;
  int redirectsFollowed = 0;
  size_t endlessBytesTaken = 0;
  bool endlessStoppedBySink = false;

  void SetSettings(const plat::HttpSettings& s) override { settings = s; }

  int Get(const std::string& url, plat::IHttpSink& sink, const plat::HttpProgressFn&) override {
    using R = plat::HttpError::Reason;
    const bool isVersion = url == std::string(kServer) + update::kVersionPath;
    const Server how = isVersion ? version : changes;
    switch (how) {
      case Server::Ok:
        sink.Write(isVersion ? "12/11\r\n" : "Faster\r\n");
        return 200;
      case Server::NotFound:
        throw plat::HttpError(R::Status, "HTTP error 404 Not Found.", 404);
      case Server::ServerError:
        throw plat::HttpError(R::Status, "HTTP error 500 Internal Server Error.", 500);
      case Server::RedirectLoop:
        // The address answers with a redirect to itself, as often as the client follows.
        for (int hop = 0; settings.MaxRedirects < 0 || hop < settings.MaxRedirects; ++hop) {
          ++redirectsFollowed;
          if (redirectsFollowed > 1000) {
            ADD_FAILURE() << "no redirect limit";
            break;
          }
        }
        throw plat::HttpError(R::Redirects, "The server redirected too often.");
      case Server::EndlessBody: {
        const std::string block(64 * 1024, 'v');
        try {
          for (;;) {
            sink.Write(block);
            endlessBytesTaken += block.size();
            if (endlessBytesTaken > 100u * 1024 * 1024) {
              ADD_FAILURE() << "the body is never given up";
              return 200;
            }
          }
        } catch (...) {
          endlessStoppedBySink = true;
          throw;
        }
      }
      case Server::NoAnswer:
        throw plat::HttpError(R::Timeout, "The server did not answer in time.");
      case Server::Refused:
        throw plat::HttpError(R::Connect, "Cannot connect to the server.");
      case Server::Empty:
        return 200;
    }
    return 200;
  }
};

TEST(BadVersionServer, EveryBadAnswerToEitherFileGivesNoOfferAndThrowsNothing) {
  const struct {
    const char* label;
    Server how;
  } answers[] = {{"404", Server::NotFound},
                 {"500", Server::ServerError},
                 {"RedirectLoop", Server::RedirectLoop},
                 {"EndlessBody", Server::EndlessBody},
                 {"NoAnswer", Server::NoAnswer},
                 {"Refused", Server::Refused},
                 {"EmptyBody", Server::Empty}};
  for (const auto& a : answers) {
    for (const bool versionFile : {true, false}) {
      // An empty changes file is no failure: the offer then lists no changes.
      if (a.how == Server::Empty && !versionFile) continue;
      SCOPED_TRACE(std::string(a.label) + (versionFile ? " for the version file" : " for changes"));
      BadServer server;
      (versionFile ? server.version : server.changes) = a.how;
      update::UpdateState state{false, "before"};
      bool offered = true;
      EXPECT_NO_THROW(offered = update::CheckForNewVersion(server, kServer, state));
      EXPECT_FALSE(offered);
      EXPECT_FALSE(state.UpdateRequired);
      EXPECT_EQ(state.NewVersionMessage, "before");
      if (a.how == Server::RedirectLoop) {
        EXPECT_EQ(server.redirectsFollowed, 10);
      }
      if (a.how == Server::EndlessBody) {
        EXPECT_TRUE(server.endlessStoppedBySink);
        EXPECT_LE(server.endlessBytesTaken, 1024u * 1024);  // 1 MiB
      }
    }
  }
}

}  // namespace
