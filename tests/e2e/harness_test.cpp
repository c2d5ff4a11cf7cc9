// Checks of the test environment itself: if these fail, the program's tests cannot be trusted.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "harness.h"

namespace e2e {
namespace {

// Input injected by one process reaches another process's window (here: our own target, on
// another thread) at the client point asked for, and a quick second click is a double click.
TEST(Environment, InjectedClicksReachTheTargetWindow) {
  TargetWindow target(RECT{20, 20, 320, 180});
  const POINT client{37, 101};
  ClickAtScreen(target.ToScreen(client));
  ClickAtScreen(target.ToScreen(client));
  ASSERT_TRUE(WaitUntil([&] { return target.Events().size() >= 4; }, Ms{3000}))
      << Describe(target.Events());
  PumpFor(Ms{100});
  std::vector<TargetWindow::Event> events = target.Events();
  ASSERT_EQ(events.size(), 4u) << Describe(events);
  const UINT expected[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(MouseMessageName(events[i].message), MouseMessageName(expected[i]));
    EXPECT_EQ(events[i].client.x, client.x);
    EXPECT_EQ(events[i].client.y, client.y);
  }
}

// The arguments a test gives the program reach it as they were, split as the program splits its
// command line.
TEST(Environment, ArgumentsReachTheProgramAsGiven) {
  const std::wstring exe = L"C:\\Program Files\\zd\\zivavavazezire.exe";
  const std::vector<std::vector<std::wstring>> cases = {
      {},
      {L"--start"},
      {L"--play", L"Daily report clicks", L"--repeat", L"2"},
      {L""},
      {L"say \"hi\"", L"C:\\folder\\", L"C:\\a b\\", L"back\\\\slash", L"\\\"q"},
  };
  for (const std::vector<std::wstring>& args : cases) {
    const std::wstring line = CommandLineFor(exe, args);
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(line.c_str(), &count);
    ASSERT_NE(argv, nullptr) << Narrow(line);
    const std::vector<std::wstring> back(argv, argv + count);
    LocalFree(argv);
    std::vector<std::wstring> expected = {exe};
    expected.insert(expected.end(), args.begin(), args.end());
    EXPECT_EQ(back, expected) << Narrow(line);
  }
}

}  // namespace
}  // namespace e2e
