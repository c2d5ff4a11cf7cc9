// Checks of the test environment itself: if these fail, the program's tests cannot be trusted.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace e2e
