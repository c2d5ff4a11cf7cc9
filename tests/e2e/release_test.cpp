// The program file tells one version everywhere: its version resource (what Explorer's
// Properties show), its window caption and its About box. Run against the release program by
// scripts/check-reproducible, and against the test build by scripts/test.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "harness.h"
#include "mainform/control_ids.h"
#include "program_test.h"

namespace e2e {
namespace {

// A string of the file's version resource (StringFileInfo, US English, Unicode), or empty.
std::wstring VersionString(const std::wstring& file, const wchar_t* name) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return {};
  void* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueW(data.data(), path.c_str(), &value, &length) || length == 0) return {};
  return std::wstring(static_cast<const wchar_t*>(value));
}

class ReleaseTest : public ProgramTest {};

TEST_F(ReleaseTest, TheVersionIsTheSameInTheResourceTheCaptionAndTheAboutBox) {
  const std::wstring version = VersionString(ProgramPath(), L"ProductVersion");
  ASSERT_FALSE(version.empty()) << "no version resource in " << Narrow(ProgramPath());
  EXPECT_EQ(VersionString(ProgramPath(), L"FileVersion"), version);
  EXPECT_EQ(VersionString(ProgramPath(), L"OriginalFilename"), L"zivavavazezire.exe");
  std::printf("version resource: %ls\n", version.c_str());
  Start();
  EXPECT_EQ(App().Caption(), L"  JUX Zura Divudiv " + version);
  ASSERT_EQ(App().Click(ids::aboutButton), Program::ClickOutcome::MessageBoxShown);
  const MessageBoxInfo box = App().WaitForMessageBox();
  EXPECT_NE(box.text.find(L"Version: " + version), std::wstring::npos) << Narrow(box.text);
  App().AnswerMessageBox(box, IDOK);
}

}  // namespace
}  // namespace e2e
