// The main window's design: no control lies over another at the DPIs the window is drawn at (a
// group box or the status panel with the controls inside it aside), so that a click lands on
// the control under the pointer and every caption is drawn whole.
#include <gtest/gtest.h>

#include <string>

#include "fakes.h"

namespace {

// A length in 96-DPI pixels at `dpi`, rounded as the Win32 binding rounds it (MulDiv).
int Scale(int value, int dpi) {
  const long long scaled = static_cast<long long>(value) * dpi;
  return static_cast<int>(scaled >= 0 ? (scaled + 48) / 96 : -((-scaled + 48) / 96));
}

struct Rect {
  int left, top, right, bottom;
};

// The control's window rectangle at `dpi`, as the binding places it (its origin and its size
// are scaled apart).
Rect AtDpi(const ui::Control& c, int dpi) {
  const ui::Bounds b = c.WindowBounds();
  const int left = Scale(b.Left, dpi), top = Scale(b.Top, dpi);
  return {left, top, left + Scale(b.Width, dpi), top + Scale(b.Height, dpi)};
}

bool Overlap(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Contains(const ui::Control& outer, const ui::Control& inner) {
  for (const ui::Control* p = inner.Parent(); p != nullptr; p = p->Parent())
    if (p == &outer) return true;
  return false;
}

std::string Describe(const ui::Control& c, int dpi) {
  const Rect r = AtDpi(c, dpi);
  return c.Name() + " {" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
         std::to_string(r.right) + ", " + std::to_string(r.bottom) + "}";
}

TEST(MainWindowLayoutTest, NoControlLiesOverAnother) {
  fakes::Form f;
  const std::vector<ui::Control*>& all = f.frm.AllControls();
  for (const int dpi : {96, 120, 144, 192}) {
    for (size_t i = 0; i < all.size(); ++i)
      for (size_t j = i + 1; j < all.size(); ++j) {
        const ui::Control& a = *all[i];
        const ui::Control& b = *all[j];
        if (Contains(a, b) || Contains(b, a)) continue;
        EXPECT_FALSE(Overlap(AtDpi(a, dpi), AtDpi(b, dpi)))
            << Describe(a, dpi) << " and " << Describe(b, dpi) << " at " << dpi << " DPI";
      }
  }
}

// What the rule above leaves out lies inside: a control in a group box or the panel stays
// within it.
TEST(MainWindowLayoutTest, ContentsLieWithinTheirGroup) {
  fakes::Form f;
  for (const ui::Control* c : f.frm.AllControls()) {
    const ui::Control* parent = c->Parent();
    if (parent == nullptr) continue;
    const ui::Bounds b = c->GetBounds();
    const ui::Bounds p = parent->GetBounds();
    EXPECT_GE(b.Left, 0) << c->Name();
    EXPECT_GE(b.Top, 0) << c->Name();
    EXPECT_LE(b.Left + b.Width, p.Width) << c->Name() << " in " << parent->Name();
    EXPECT_LE(b.Top + b.Height, p.Height) << c->Name() << " in " << parent->Name();
  }
}

}  // namespace
