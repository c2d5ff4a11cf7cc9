// The main window's real layout at 96 and 144 DPI: no control's window lies over another's (a
// group box or the status panel with what lies inside it aside, and a spin edit's up-down on its
// edit's border), and a real click anywhere on
// Pick's face opens the cover that picks a point.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness.h"
#include "mainform/control_ids.h"
#include "program_test.h"

namespace e2e {
namespace {

bool IsContainer(int id) {
  for (int container :
       {ids::targetGroup, ids::intervalGroup, ids::clickTypeGroup, ids::startDelayGroup,
        ids::repeatGroup, ids::additionalGroup, ids::statusPanel})
    if (id == container) return true;
  return false;
}

bool Within(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

struct ChildWindow {
  HWND hwnd;
  HWND buddy;  // the edit of a spin edit's up-down, which sits on the edit's border
  int id;
  std::string name;  // the ID, or the class of a window without one (an up-down)
  RECT rect;         // in the main window's client area
};

std::vector<ChildWindow> VisibleChildren(HWND main) {
  std::vector<HWND> all;
  EnumChildWindows(
      main,
      [](HWND hwnd, LPARAM lp) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  std::vector<ChildWindow> children;
  for (HWND hwnd : all) {
    if (!IsWindowVisible(hwnd)) continue;
    const int id = GetDlgCtrlID(hwnd);
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    const HWND buddy = _wcsicmp(cls, UPDOWN_CLASSW) == 0
                           ? reinterpret_cast<HWND>(Ask(hwnd, UDM_GETBUDDY))
                           : nullptr;
    children.push_back(
        {hwnd, buddy, id, std::to_string(id) + " " + Narrow(cls), RectIn(hwnd, main)});
  }
  return children;
}

class LayoutTest : public ProgramTest {
 protected:
  // The window at its DPI, then at the other DPI of these tests (144 from 96, 96 from higher).
  template <typename F>
  void AtBothDpis(F&& check) {
    const UINT base = GetDpiForWindow(App().MainWindow());
    check(base);
    const UINT other = base < 144 ? 144 : 96;
    SendDpiChanged(App(), other, WindowRect(App().MainWindow()));
    PumpFor(Ms{200});
    // Laid out for it (the Start button is 105 pixels wide at 96 DPI).
    const RECT start = RectIn(App().Control(ids::startButton), App().MainWindow());
    ASSERT_EQ(start.right - start.left, MulDiv(105, static_cast<int>(other), 96))
        << "not laid out for " << other << " DPI";
    check(other);
  }
};

TEST_F(LayoutTest, NoControlLiesOverAnother) {
  Start();
  AtBothDpis([&](UINT dpi) {
    const std::vector<ChildWindow> children = VisibleChildren(App().MainWindow());
    ASSERT_GT(children.size(), 40u) << "the controls were not found";
    for (size_t i = 0; i < children.size(); ++i)
      for (size_t j = i + 1; j < children.size(); ++j) {
        const ChildWindow& a = children[i];
        const ChildWindow& b = children[j];
        if ((IsContainer(a.id) && Within(b.rect, a.rect)) ||
            (IsContainer(b.id) && Within(a.rect, b.rect)))
          continue;
        if (a.buddy == b.hwnd || b.buddy == a.hwnd) continue;  // one spin edit
        RECT both{};
        EXPECT_FALSE(IntersectRect(&both, &a.rect, &b.rect))
            << a.name << " " << Str(a.rect) << " and " << b.name << " " << Str(b.rect) << " at "
            << dpi << " DPI";
      }
  });
}

// The user's own click (an injected move and press) at 20, 50 and 80 % of Pick's width opens
// the cover; Esc takes it away and the window comes back in coordinates mode.
TEST_F(LayoutTest, PickAnswersOnItsWholeFace) {
  Start();
  App().Click(ids::coordinatesRadio);
  ASSERT_TRUE(App().Enabled(ids::pickButton));
  AtBothDpis([&](UINT dpi) {
    for (const int percent : {20, 50, 80}) {
      SCOPED_TRACE(std::to_string(percent) + " % at " + std::to_string(dpi) + " DPI");
      const RECT pick = WindowRect(App().Control(ids::pickButton));
      const POINT at{pick.left + (pick.right - pick.left) * percent / 100,
                     (pick.top + pick.bottom) / 2};
      SetForegroundWindow(App().MainWindow());
      PumpFor(Ms{100});
      MoveTo(at);
      PumpFor(Ms{50});
      // Each button record carries its point too: Wine may put the pointer back where X has it.
      constexpr DWORD kHere = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
      SendMouse(MOUSEEVENTF_LEFTDOWN | kHere, at);
      PumpFor(Ms{30});
      SendMouse(MOUSEEVENTF_LEFTUP | kHere, at);
      HWND cover = nullptr;
      ASSERT_TRUE(WaitUntil(
          [&] {
            cover = FindWindowOf(App().ProcessId(), L"PickPointCover");
            return cover != nullptr;
          },
          Ms{5000}))
          << "no cover; coordinates mode: " << App().Checked(ids::coordinatesRadio)
          << ", cursor position: " << App().Checked(ids::cursorPositionRadio);
      PumpFor(Ms{100});
      PressHotkey(0, VK_ESCAPE);
      ASSERT_TRUE(WaitUntil([&] { return !IsWindow(cover); }, Ms{5000})) << "the cover stayed";
      ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(App().MainWindow()) != FALSE; }, Ms{5000}))
          << "the window did not come back";
      EXPECT_TRUE(App().Checked(ids::coordinatesRadio));
    }
  });
}

}  // namespace
}  // namespace e2e
