#include "update/version_check.h"

#include <gtest/gtest.h>

#include <ostream>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace update {
namespace {

constexpr char kServer[] = "http://127.0.0.1:8123";
const std::string kVersionUrl = std::string(kServer) + kVersionPath;
const std::string kChangesUrl = std::string(kServer) + kChangesPath;

// Answers GETs from a table of URLs; a URL not in the table answers 404. Bodies arrive in
// small blocks, as from a network.
class ScriptedHttp : public plat::IHttpClient {
 public:
  struct Response {
    std::string Body;
    std::optional<plat::HttpError> Error;
  };

  void SetSettings(const plat::HttpSettings& settings) override { Settings.push_back(settings); }

  int Get(const std::string& url, plat::IHttpSink& sink,
          const plat::HttpProgressFn& progress) override {
    Requested.push_back(url);
    const auto it = Responses.find(url);
    if (it == Responses.end()) {
      throw plat::HttpError(plat::HttpError::Reason::Status, "HTTP 404 Not Found", 404);
    }
    if (it->second.Error) throw *it->second.Error;
    const std::string& body = it->second.Body;
    for (size_t at = 0; at < body.size(); at += 3) {
      sink.Write(std::string_view(body).substr(at, 3));
      if (progress) {
        progress({static_cast<int64_t>(std::min(body.size(), at + 3)),
                  static_cast<int64_t>(body.size()), ""});
      }
    }
    return 200;
  }

  std::map<std::string, Response> Responses;
  std::vector<std::string> Requested;
  std::vector<plat::HttpSettings> Settings;
};

constexpr char kTwoChanges[] = "- Faster clicks\r\n- Hotkeys fixed\r\n";

// A state that shows whether the check touched it.
UpdateState Untouched() {
  return UpdateState{false, "previous text"};
}

struct CheckCase {
  const char* name;
  std::string versionFile;
  bool offered;
  bool required;
  std::string message;  // the whole NewVersionMessage when offered
};
// Names the case in test listings instead of dumping its bytes.
void PrintTo(const CheckCase& c, std::ostream* os) {
  *os << c.name;
}

class CheckForNewVersionTable : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CheckForNewVersionTable, DecidesFromTheVersionLine) {
  const CheckCase& c = GetParam();
  ScriptedHttp http;
  http.Responses[kVersionUrl] = {c.versionFile, std::nullopt};
  http.Responses[kChangesUrl] = {kTwoChanges, std::nullopt};
  UpdateState state = Untouched();

  EXPECT_EQ(CheckForNewVersion(http, kServer, state), c.offered);
  if (c.offered) {
    EXPECT_EQ(state.UpdateRequired, c.required);
    EXPECT_EQ(state.NewVersionMessage, c.message);
  } else {
    EXPECT_FALSE(state.UpdateRequired);
    EXPECT_EQ(state.NewVersionMessage, "previous text");
  }
}

const std::string kOptional11 =
    "The new version 1.1 is available\r\n\r\nWhat's new:\r\n- Faster clicks\r\n- Hotkeys "
    "fixed\r\n";
const std::string kMandatory12 =
    "This version of the software is out of date. You must download the current version 1.2 "
    "to continue using the software.\r\n\r\nWhat's new:\r\n- Faster clicks\r\n- Hotkeys "
    "fixed\r\n";
const std::string kMandatory105 =
    "This version of the software is out of date. You must download the current version 10.5 "
    "to continue using the software.\r\n\r\nWhat's new:\r\n- Faster clicks\r\n- Hotkeys "
    "fixed\r\n";
const std::string kMandatory11 =
    "This version of the software is out of date. You must download the current version 1.1 "
    "to continue using the software.\r\n\r\nWhat's new:\r\n- Faster clicks\r\n- Hotkeys "
    "fixed\r\n";

INSTANTIATE_TEST_SUITE_P(
    VersionFiles, CheckForNewVersionTable,
    ::testing::Values(CheckCase{"Newer", "11/10", true, false, kOptional11},
                      CheckCase{"NewerWithMoreLines", "11/10\r\n12/12\r\n", true, false,
                                kOptional11},
                      CheckCase{"ByteOrderMark",
                                "\xEF\xBB\xBF"
                                "11/10\n",
                                true, false, kOptional11},
                      CheckCase{"Mandatory", "12/11", true, true, kMandatory12},
                      CheckCase{"MandatoryThreeDigits", "105/100", true, true, kMandatory105},
                      CheckCase{"MinimumAboveLatest", "11/11", true, true, kMandatory11},
                      CheckCase{"Current", "10/10", false, false, ""},
                      CheckCase{"Older", "9/5", false, false, ""},
                      CheckCase{"NoSlash", "11", false, false, ""},
                      CheckCase{"NoMinimum", "11/", false, false, ""},
                      CheckCase{"NoLatest", "/11", false, false, ""},
                      CheckCase{"NotANumber", "1.1/1.0", false, false, ""},
                      CheckCase{"EmptyFirstLine", "\r\n11/10", false, false, ""},
                      CheckCase{"EmptyFile", "", false, false, ""},
                      CheckCase{"OnlyByteOrderMark", "\xEF\xBB\xBF", false, false, ""}),
    [](const ::testing::TestParamInfo<CheckCase>& param) { return param.param.name; });

TEST(CheckForNewVersion, AsksTheServerForBothFilesWithTheCheckSettings) {
  ScriptedHttp http;
  http.Responses[kVersionUrl] = {"11/10", std::nullopt};
  http.Responses[kChangesUrl] = {kTwoChanges, std::nullopt};
  UpdateState state;
  ASSERT_TRUE(CheckForNewVersion(http, kServer, state));

  EXPECT_EQ(http.Requested, (std::vector<std::string>{kVersionUrl, kChangesUrl}));
  ASSERT_EQ(http.Settings.size(), 1u);
  EXPECT_EQ(http.Settings[0].UserAgent, "Mozilla/4.0 (compatible; MyApp)");
  EXPECT_EQ(http.Settings[0].MaxRedirects, 10);
  EXPECT_EQ(http.Settings[0].ReadTimeoutMs, 10000u);
  EXPECT_GT(http.Settings[0].ConnectTimeoutMs, 0u);
  EXPECT_LE(http.Settings[0].ConnectTimeoutMs, 10000u);
  // A server that trickles bytes cannot hold start-up: each file has a bound as a whole.
  EXPECT_GT(http.Settings[0].TotalTimeoutMs, 0u);
  EXPECT_LE(http.Settings[0].TotalTimeoutMs, 15000u);
}

struct ChangesCase {
  const char* name;
  std::string changesFile;
  std::string messageTail;  // what follows the headline and the empty line
};
// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ChangesCase& c, std::ostream* os) {
  *os << c.name;
}

class ChangesFileTable : public ::testing::TestWithParam<ChangesCase> {};

TEST_P(ChangesFileTable, ListsEveryNonEmptyLine) {
  ScriptedHttp http;
  http.Responses[kVersionUrl] = {"11/10", std::nullopt};
  http.Responses[kChangesUrl] = {GetParam().changesFile, std::nullopt};
  UpdateState state;
  ASSERT_TRUE(CheckForNewVersion(http, kServer, state));
  EXPECT_EQ(state.NewVersionMessage,
            "The new version 1.1 is available\r\n\r\n" + GetParam().messageTail);
}

INSTANTIATE_TEST_SUITE_P(
    ChangesFiles, ChangesFileTable,
    ::testing::Values(
        ChangesCase{"EmptyMiddleLine", "first\r\n\r\nthird\r\n",
                    "What's new:\r\nfirst\r\nthird\r\n"},
        ChangesCase{"MixedLineBreaks", "a\nb\rc\r\nd", "What's new:\r\na\r\nb\r\nc\r\nd\r\n"},
        ChangesCase{"BlanksStay", "a\r\n  \r\n\r\nb", "What's new:\r\na\r\n  \r\nb\r\n"},
        ChangesCase{"ByteOrderMarkAndUtf8",
                    "\xEF\xBB\xBF"
                    "Gr\xC3\xB6\xC3\x9F"
                    "er\n",
                    "What's new:\r\nGr\xC3\xB6\xC3\x9F"
                    "er\r\n"},
        ChangesCase{"Empty", "", "What's new:\r\n"},
        ChangesCase{"OnlyLineBreaks", "\r\n\n\r", "What's new:\r\n"}),
    [](const ::testing::TestParamInfo<ChangesCase>& param) { return param.param.name; });

struct FailureCase {
  const char* name;
  std::optional<plat::HttpError> versionError;
  std::optional<plat::HttpError> changesError;
  bool changesMissing;  // the server has no changes file (404)
};
// Names the case in test listings instead of dumping its bytes.
void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

class CheckFailureTable : public ::testing::TestWithParam<FailureCase> {};

TEST_P(CheckFailureTable, IsSilentAndOffersNothing) {
  const FailureCase& c = GetParam();
  ScriptedHttp http;
  http.Responses[kVersionUrl] = {"12/11", c.versionError};
  if (!c.changesMissing) http.Responses[kChangesUrl] = {kTwoChanges, c.changesError};
  UpdateState state = Untouched();
  EXPECT_FALSE(CheckForNewVersion(http, kServer, state));
  EXPECT_FALSE(state.UpdateRequired);
  EXPECT_EQ(state.NewVersionMessage, "previous text");
}

using R = plat::HttpError::Reason;
INSTANTIATE_TEST_SUITE_P(
    Failures, CheckFailureTable,
    ::testing::Values(FailureCase{"NoNetwork", plat::HttpError(R::Connect, "Cannot connect."),
                                  std::nullopt, false},
                      FailureCase{"ServerError", plat::HttpError(R::Status, "HTTP 500", 500),
                                  std::nullopt, false},
                      FailureCase{"TimeOut", plat::HttpError(R::Timeout, "Timed out."),
                                  std::nullopt, false},
                      FailureCase{"TooManyRedirects", plat::HttpError(R::Redirects, "Redirects."),
                                  std::nullopt, false},
                      FailureCase{"ChangesFileMissing", std::nullopt, std::nullopt, true},
                      FailureCase{"ChangesFileTimeOut", std::nullopt,
                                  plat::HttpError(R::Timeout, "Timed out."), false}),
    [](const ::testing::TestParamInfo<FailureCase>& param) { return param.param.name; });

// Errors that are not the client's own (here: the body limit, and anything else thrown)
// are swallowed too.
TEST(CheckForNewVersion, OversizedChangesFileOffersNothing) {
  ScriptedHttp http;
  http.Responses[kVersionUrl] = {"11/10", std::nullopt};
  http.Responses[kChangesUrl] = {std::string(kCheckMaxFileBytes + 1, 'x'), std::nullopt};
  UpdateState state = Untouched();
  EXPECT_FALSE(CheckForNewVersion(http, kServer, state));
  EXPECT_EQ(state.NewVersionMessage, "previous text");
}

TEST(CheckForNewVersion, AnyExceptionFromTheClientOffersNothing) {
  class Throwing : public plat::IHttpClient {
   public:
    void SetSettings(const plat::HttpSettings&) override {}
    int Get(const std::string&, plat::IHttpSink&, const plat::HttpProgressFn&) override {
      throw 42;
    }
  } http;
  UpdateState state = Untouched();
  EXPECT_FALSE(CheckForNewVersion(http, kServer, state));
  EXPECT_EQ(state.NewVersionMessage, "previous text");
}

TEST(DecodeLines, SplitsAtEveryLineBreakKind) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb", {"a", "b"}},
      {"a\n\nb", {"a", "", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\n\r\nb", {"a", "", "b"}},
      {"\r\n", {""}},
      {"\n\n", {"", ""}},
      {"\xEF\xBB\xBF", {}},
      {"\xEF\xBB\xBF"
       "a\r\nb",
       {"a", "b"}},
      {"\xEF\xBB\xBF\xEF\xBB\xBF"
       "a",
       {"\xEF\xBB\xBF"
        "a"}},  // only the first mark is skipped
  };
  for (const auto& [text, lines] : cases) {
    EXPECT_EQ(DecodeLines(text), lines) << testing::PrintToString(text);
  }
}

TEST(DecodeLines, ReplacesMalformedUtf8) {
  const std::string r = "\xEF\xBF\xBD";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"\xE2\x82\xAC \xF0\x9F\x98\x80 \xC3\xA4", "\xE2\x82\xAC \xF0\x9F\x98\x80 \xC3\xA4"},
      {"a\xFF"
       "b",
       "a" + r + "b"},
      {"\x80", r},
      {"\xC0\xAF", r + r},                  // overlong
      {"\xE0\x80\xAF", r + r + r},          // overlong
      {"\xED\xA0\x80", r + r + r},          // surrogate
      {"\xF4\x90\x80\x80", r + r + r + r},  // above U+10FFFF
      {"x\xE2\x82", "x" + r + r},           // cut short at the end
  };
  for (const auto& [text, line] : cases) {
    EXPECT_EQ(DecodeLines(text), std::vector<std::string>{line}) << testing::PrintToString(text);
  }
  // A sequence cut short by a line break ends the line with replacements.
  EXPECT_EQ(DecodeLines("\xE2\x82\nb"), (std::vector<std::string>{r + r, "b"}));
}

TEST(ParseVersionNumber, AcceptsDigitsWithSurroundingBlanksOnly) {
  const std::vector<std::pair<std::string, std::optional<int32_t>>> cases = {
      {"11", 11},
      {"0", 0},
      {"011", 11},
      {" 11", 11},
      {"11 ", 11},
      {"\t105\t", 105},
      {"2147483647", 2147483647},
      {"2147483648", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"", std::nullopt},
      {" ", std::nullopt},
      {"+11", std::nullopt},
      {"-1", std::nullopt},
      {"1 1", std::nullopt},
      {"1.1", std::nullopt},
      {"0x10", std::nullopt},
      {"11a", std::nullopt},
      {"\xEF\xBC\x91\xEF\xBC\x91", std::nullopt},  // full-width digits
  };
  for (const auto& [text, value] : cases) {
    EXPECT_EQ(ParseVersionNumber(text), value) << testing::PrintToString(text);
  }
}

TEST(ParseVersionLine, SplitsAtTheFirstSlash) {
  const std::vector<std::pair<std::string, std::optional<VersionLine>>> cases = {
      {"11/10", VersionLine{11, 10}},
      {" 12 / 11 ", VersionLine{12, 11}},
      {"105/100", VersionLine{105, 100}},
      {"11/10/9", std::nullopt},
      {"11", std::nullopt},
      {"11/", std::nullopt},
      {"/11", std::nullopt},
      {"/", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [text, value] : cases) {
    EXPECT_EQ(ParseVersionLine(text), value) << testing::PrintToString(text);
  }
}

TEST(DisplayVersion, PutsThePointBeforeTheLastDigit) {
  const std::vector<std::pair<int32_t, std::string>> cases = {
      {10, "1.0"}, {11, "1.1"}, {20, "2.0"}, {105, "10.5"}, {5, "0.5"}, {0, "0.0"}};
  for (const auto& [version, text] : cases) EXPECT_EQ(DisplayVersion(version), text) << version;
}

TEST(DecideOffer, ComparesStrictlyWithTheOwnVersion) {
  EXPECT_FALSE(DecideOffer({10, 10}, {}));
  EXPECT_FALSE(DecideOffer({10, 9}, {}));
  const auto optional = DecideOffer({11, 10}, {});
  ASSERT_TRUE(optional);
  EXPECT_FALSE(optional->Required);
  // A minimum above the own version is mandatory even when the latest is not newer; the
  // message names the latest version.
  const auto mandatory = DecideOffer({10, 11}, {});
  ASSERT_TRUE(mandatory);
  EXPECT_TRUE(mandatory->Required);
  EXPECT_TRUE(mandatory->Message.starts_with(
      "This version of the software is out of date. You must download the current version 1.0 "
      "to continue using the software.\r\n"));
}

TEST(UpdateServer, UsesTheOverrideOrTheDefault) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "http://www.zuradivudiv.example"},
      {"  \t", "http://www.zuradivudiv.example"},
      {"/", "http://www.zuradivudiv.example"},
      {"http://127.0.0.1:8123", "http://127.0.0.1:8123"},
      {" http://127.0.0.1:8123/ ", "http://127.0.0.1:8123"},
      {"https://mirror.example//", "https://mirror.example"},
      {"127.0.0.1:8123", "http://127.0.0.1:8123"},
      {"http://host.example/updates", "http://host.example/updates"},
  };
  for (const auto& [configured, server] : cases) {
    EXPECT_EQ(UpdateServer(configured), server) << configured;
  }
}

}  // namespace
}  // namespace update
