// The program's look as a user meets it, read back from its windows under Wine (or on Windows):
// the palette's colours at known places of the main window, the list box's selection, the
// layout, fonts and pictures after a change of DPI (also while the window is the compact running
// bar), and the keyboard: the tab order, the arrow keys in a radio group, Space and Enter on the
// focused control, Esc in the dialogs.
//
// With ZD_SCREENSHOTS naming a folder, the Screenshots tests pose the scenes that
// scripts/screenshots photographs (see there); without it they are skipped.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"
#include "mainform/control_ids.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Colours and pictures.

struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "RGB(" << c.r << ", " << c.g << ", " << c.b << ")";
}

// The largest difference in one channel.
int Distance(const Rgb& a, const Rgb& b) {
  return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

// The palette of the look.
constexpr Rgb kFace{35, 45, 63};
constexpr Rgb kField{58, 71, 88};
constexpr Rgb kStaticText{225, 225, 225};
constexpr Rgb kDisabledText{141, 144, 150};
constexpr Rgb kGroupCaption{192, 192, 192};
constexpr Rgb kAccent{108, 214, 51};
constexpr Rgb kLink{107, 212, 51};  // the colour value 3396715

// Text is drawn smoothed: the core of its strokes has the text's colour, give or take this.
constexpr int kInkTolerance = 6;

// A window's client area as the screen shows it: read through the window's device context,
// which works across processes (PrintWindow does not, under Wine).
class Picture {
 public:
  explicit Picture(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    width_ = client.right;
    height_ = client.bottom;
    pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    const HDC source = GetDC(window);
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HDC memory = CreateCompatibleDC(source);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, width_, height_, source, 0, 0, SRCCOPY) != FALSE;
    GdiFlush();
    if (copied && bits)
      std::copy_n(static_cast<const uint32_t*>(bits), pixels_.size(), pixels_.begin());
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    ReleaseDC(window, source);
    if (!copied) throw HarnessError("cannot read the window's pixels");
  }

  Rgb At(POINT p) const {
    if (p.x < 0 || p.y < 0 || p.x >= width_ || p.y >= height_)
      throw HarnessError("a point outside the picture");
    const uint32_t v = pixels_[static_cast<size_t>(p.y) * width_ + p.x];
    return {static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
            static_cast<int>(v & 0xFF)};
  }

  // The colour of most pixels in `r`.
  Rgb MostCommon(const RECT& r) const {
    std::map<uint32_t, int> counts;
    ForEach(r, [&](POINT p) {
      const Rgb c = At(p);
      ++counts[(c.r << 16) | (c.g << 8) | c.b];
    });
    if (counts.empty()) throw HarnessError("an empty rectangle");
    const auto best =
        std::max_element(counts.begin(), counts.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    return {static_cast<int>(best->first >> 16), static_cast<int>((best->first >> 8) & 0xFF),
            static_cast<int>(best->first & 0xFF)};
  }

  // The pixel in `r` that differs most from `background`: the core of a text's strokes.
  Rgb Strongest(const RECT& r, const Rgb& background) const {
    Rgb best = background;
    ForEach(r, [&](POINT p) {
      const Rgb c = At(p);
      if (Distance(c, background) > Distance(best, background)) best = c;
    });
    return best;
  }

  // How many rows of `r` hold a pixel that differs from `background` by more than `threshold`:
  // the height of the text in it.
  int InkRows(const RECT& r, const Rgb& background, int threshold) const {
    int rows = 0;
    for (LONG y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, height_); ++y) {
      bool ink = false;
      for (LONG x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, width_) && !ink; ++x)
        ink = Distance(At({x, y}), background) > threshold;
      rows += ink ? 1 : 0;
    }
    return rows;
  }

 private:
  template <typename F>
  void ForEach(const RECT& r, F f) const {
    for (LONG y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, height_); ++y)
      for (LONG x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, width_); ++x) f({x, y});
  }

  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};

// ---------------------------------------------------------------------------------------------
// Geometry and messages across the process boundary.

// A control's client area in the client coordinates of `window`.
RECT ClientRectIn(HWND control, HWND window) {
  RECT r{};
  GetClientRect(control, &r);
  MapWindowPoints(control, window, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int Scale(int v, UINT dpi) {
  return MulDiv(v, static_cast<int>(dpi), 96);
}

// The focus of the program's user-interface thread.
HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

std::string NameOf(HWND control) {
  return control ? std::to_string(GetDlgCtrlID(control)) : "no control";
}

constexpr char kBom[] = "\xEF\xBB\xBF";

void WriteBytes(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out.flush()) throw HarnessError("cannot write " + file.string());
}

// A short macro file as the program writes it.
std::string MacroFile(const std::string& name) {
  return std::string(kBom) + "Name=" + name +
         "\r\nDurationMs=900\r\nE=0|0|100|100|-1\r\nE=400|1|100|100|0\r\nE=450|2|100|100|0\r\n";
}

// ---------------------------------------------------------------------------------------------

class LookTest : public testing::Test {
 protected:
  fs::path SettingsFolder() const { return fs::path(appData_.Path()) / L"JUX Zura Divudiv"; }
  void AddMacros(const std::vector<std::string>& names) {
    for (const std::string& name : names)
      WriteBytes(SettingsFolder() / "Macros" / (name + ".juxmac"), MacroFile(name));
  }

  Program& Start() {
    program_.emplace(appData_.Path());
    SetForegroundWindow(program_->MainWindow());
    PumpFor(Ms{800});  // painted
    return *program_;
  }
  Program& App() { return *program_; }
  HWND Main() { return program_->MainWindow(); }
  UINT Dpi() { return GetDpiForWindow(Main()); }

  void TearDown() override {
    if (program_) {
      EXPECT_TRUE(program_->Close()) << "the program did not close";
      program_.reset();
    }
  }

  TempDir appData_;
  std::optional<Program> program_;
};

// Where to look in the main window, and what colour to find there.
struct Place {
  const char* what;
  enum class Probe {
    Point,  // one pixel at (x, y), 96-DPI pixels of the window's client area
    Fill,   // the most common colour of the control's client area
    Ink,    // the core of the text or picture in the control (or the given part of it)
  } probe;
  int id;       // the control (0: the window)
  POINT point;  // Point: where; Ink: the part's left and right edges within the control (96 DPI)
  Rgb expected;
  int tolerance;
};

void PrintTo(const Place& p, std::ostream* out) {
  *out << p.what;
}

const Place kPlaces[] = {
    {"the window face between the buttons and the groups",
     Place::Probe::Point,
     0,
     {244, 30},
     kFace,
     0},
    {"an edit box (Hours)", Place::Probe::Fill, ids::hoursEdit, {}, kField, 0},
    {"a disabled label (Hold time)",
     Place::Probe::Ink,
     ids::holdLabel,
     {0, 200},
     kDisabledText,
     kInkTolerance},
    {"an enabled label (Delay)",
     Place::Probe::Ink,
     ids::startDelayLabel,
     {0, 200},
     kStaticText,
     kInkTolerance},
    {"the link", Place::Probe::Ink, ids::websiteLink, {0, 400}, kLink, kInkTolerance},
    {"a group box caption (Start Delay)",
     Place::Probe::Ink,
     ids::startDelayGroup,
     {8, 60},
     kGroupCaption,
     kInkTolerance},
    {"the Start picture, enabled", Place::Probe::Ink, ids::startButton, {10, 26}, kAccent, 8},
    {"the Stop picture, disabled", Place::Probe::Ink, ids::stopButton, {10, 26}, kDisabledText, 8},
};

class PaletteTest : public LookTest, public testing::WithParamInterface<Place> {};

TEST_P(PaletteTest, KnownPlaceHasItsColour) {
  const Place& place = GetParam();
  Start();
  const UINT dpi = Dpi();
  const Picture picture(Main());
  Rgb seen;
  switch (place.probe) {
    case Place::Probe::Point:
      seen = picture.At({Scale(place.point.x, dpi), Scale(place.point.y, dpi)});
      break;
    case Place::Probe::Fill:
      seen = picture.MostCommon(ClientRectIn(App().Control(place.id), Main()));
      break;
    case Place::Probe::Ink: {
      RECT r = RectIn(App().Control(place.id), Main());
      const LONG left = r.left;
      r.left = left + Scale(place.point.x, dpi);
      r.right = std::min<LONG>(r.right, left + Scale(place.point.y, dpi));
      if (place.id == ids::startDelayGroup)
        r.bottom = r.top + Scale(14, dpi);  // the caption's band
      if (place.id == ids::startButton || place.id == ids::stopButton) {
        // Inside the button's frame, which may be in the accent itself.
        r.top += Scale(3, dpi);
        r.bottom -= Scale(3, dpi);
      }
      seen = picture.Strongest(r, kFace);
      break;
    }
  }
  EXPECT_LE(Distance(seen, place.expected), place.tolerance)
      << place.what << ": saw " << seen << ", expected " << place.expected;
}

INSTANTIATE_TEST_SUITE_P(MainWindow, PaletteTest, testing::ValuesIn(kPlaces),
                         [](const testing::TestParamInfo<Place>& param) {
                           std::string name;
                           for (const char* p = param.param.what; *p; ++p)
                             if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
                           return name;
                         });

TEST_F(LookTest, DisabledTextReadsAsDisabled) {
  Start();
  const Picture picture(Main());
  const Rgb disabled = picture.Strongest(RectIn(App().Control(ids::holdLabel), Main()), kFace);
  const Rgb enabled = picture.Strongest(RectIn(App().Control(ids::startDelayLabel), Main()), kFace);
  EXPECT_GT(Distance(disabled, enabled), 60) << disabled << " against " << enabled;
  // The Hold label follows its control's state: enabled with "Hold".
  App().SelectCombo(ids::clickTypeCombo, 2);
  ASSERT_TRUE(App().Enabled(ids::holdLabel));
  PumpFor(Ms{300});
  const Picture after(Main());
  EXPECT_LE(
      Distance(after.Strongest(RectIn(App().Control(ids::holdLabel), Main()), kFace), kStaticText),
      kInkTolerance);
}

TEST_F(LookTest, ListSelectionTakesTheAccent) {
  AddMacros({"first", "second", "third"});
  Start();
  App().Click(ids::macrosRadio);
  ASSERT_TRUE(App().Enabled(ids::macroList));
  const HWND list = App().Control(ids::macroList);
  ASSERT_EQ(Ask(list, LB_GETCOUNT), 3);
  ASSERT_EQ(Ask(list, LB_GETCURSEL), 0);
  const int itemHeight = static_cast<int>(Ask(list, LB_GETITEMHEIGHT, 0));
  ASSERT_GT(itemHeight, 0);
  PumpFor(Ms{300});
  const Picture picture(Main());
  const RECT client = ClientRectIn(list, Main());
  const auto item = [&](int i) {
    return RECT{client.left, client.top + i * itemHeight, client.right,
                client.top + (i + 1) * itemHeight};
  };
  EXPECT_EQ(picture.MostCommon(item(0)), kAccent) << "the selected item";
  EXPECT_EQ(picture.MostCommon(item(1)), kField) << "an item that is not selected";
  EXPECT_EQ(
      picture.MostCommon({client.left, client.top + 4 * itemHeight, client.right, client.bottom}),
      kField)
      << "the empty part of the list";
}

// ---------------------------------------------------------------------------------------------
// DPI.

// The control rectangles of the design (96-DPI pixels in the window's client area) that show
// whether the window was laid out for a DPI.
struct DesignBox {
  int id;
  RECT bounds;  // left, top, width, height
};
const DesignBox kDesign[] = {
    {ids::startButton, {10, 14, 105, 25}},
    {ids::aboutButton, {473, 507, 75, 25}},
    {ids::macroList, {20, 215, 204, 236}},      // in targetGroup at (10, 58)
    {ids::recordKeysCheck, {21, 463, 80, 17}},  // below the list
    {ids::speedEdit, {166, 460, 58, 24}},
    {ids::startDelayEdit, {365, 251, 73, 24}},  // in startDelayGroup at (253, 231)
};

void ExpectLaidOutFor(const Program& app, UINT dpi) {
  for (const DesignBox& box : kDesign) {
    const RECT r = RectIn(app.Control(box.id), app.MainWindow());
    const RECT& b = box.bounds;
    if (box.id == ids::startDelayEdit || box.id == ids::speedEdit) {
      // A spin edit: its up-down is placed at its right, inside or beside its bounds.
      EXPECT_EQ(r.left, Scale(b.left, dpi)) << box.id << " at " << dpi << ": " << Str(r);
      EXPECT_EQ(r.top, Scale(b.top, dpi)) << box.id << " at " << dpi << ": " << Str(r);
      EXPECT_EQ(r.bottom - r.top, Scale(b.bottom, dpi)) << box.id << " at " << dpi;
      continue;
    }
    EXPECT_EQ(r.left, Scale(b.left, dpi)) << box.id << " at " << dpi << ": " << Str(r);
    EXPECT_EQ(r.top, Scale(b.top, dpi)) << box.id << " at " << dpi << ": " << Str(r);
    EXPECT_EQ(r.right - r.left, Scale(b.right, dpi)) << box.id << " at " << dpi << ": " << Str(r);
    EXPECT_EQ(r.bottom - r.top, Scale(b.bottom, dpi)) << box.id << " at " << dpi << ": " << Str(r);
  }
  // The drop-down lists keep their design height of 23.
  const RECT combo = WindowRect(app.Control(ids::buttonCombo));
  EXPECT_NEAR(combo.bottom - combo.top, Scale(23, dpi), 1) << "at " << dpi;
}

// The height of the text of the "Hours" label, in pixels.
int LabelTextHeight(const Program& app) {
  const Picture picture(app.MainWindow());
  return picture.InkRows(RectIn(app.Control(ids::hoursLabel), app.MainWindow()), kFace, 60);
}

// The height of the "play" picture on the Start button, in pixels: its rows inside the button's
// frame, in the part left of the caption.
int PlayPictureHeight(const Program& app, UINT dpi) {
  const Picture picture(app.MainWindow());
  const RECT button = RectIn(app.Control(ids::startButton), app.MainWindow());
  const RECT part{button.left + Scale(8, dpi), button.top + Scale(3, dpi),
                  button.left + Scale(28, dpi), button.bottom - Scale(3, dpi)};
  return picture.InkRows(part, kFace, 60);
}

SIZE SizeOf(const RECT& r) {
  return {r.right - r.left, r.bottom - r.top};
}

TEST_F(LookTest, LayoutFontsAndCompactBarFollowTheDpi) {
  Start();
  const UINT base = Dpi();
  // Upwards from 96 DPI (the test's usual screen); downwards from higher ones, where the window
  // for a higher DPI would not fit on the virtual screen.
  const UINT other = base < 144 ? 144 : 96;
  const RECT normalBase = WindowRect(Main());
  ExpectLaidOutFor(App(), base);
  const int textBase = LabelTextHeight(App());
  ASSERT_GT(textBase, 4);
  const int pictureBase = PlayPictureHeight(App(), base);
  ASSERT_GT(pictureBase, 4);

  // The window moves to a monitor with another DPI: everything is laid out, sized and drawn
  // for it.
  SendDpiChanged(App(), other, normalBase);
  PumpFor(Ms{500});
  const RECT normalOther = WindowRect(Main());
  EXPECT_EQ(normalOther.left, normalBase.left) << "placed where the system suggests";
  EXPECT_EQ(normalOther.top, normalBase.top) << "placed where the system suggests";
  ExpectLaidOutFor(App(), other);
  // Sized for the design's client area at the new DPI, with the frame the system gives a window
  // at that DPI.
  RECT outer{0, 0, Scale(559, other), Scale(561, other)};
  AdjustWindowRectExForDpi(&outer, static_cast<DWORD>(GetWindowLongPtrW(Main(), GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(Main(), GWL_EXSTYLE)), other);
  EXPECT_EQ(SizeOf(normalOther).cx, outer.right - outer.left) << Str(normalOther);
  EXPECT_EQ(SizeOf(normalOther).cy, outer.bottom - outer.top) << Str(normalOther);
  const int textOther = LabelTextHeight(App());
  const double ratio = static_cast<double>(textOther) / textBase;
  const double expected = static_cast<double>(other) / base;
  EXPECT_NEAR(ratio, expected, 0.25 * expected) << textBase << " then " << textOther << " rows";
  const int pictureOther = PlayPictureHeight(App(), other);
  EXPECT_NEAR(static_cast<double>(pictureOther) / pictureBase, expected, 0.15 * expected)
      << "the Start picture: " << pictureBase << " then " << pictureOther << " rows";

  // And back.
  SendDpiChanged(App(), base, normalOther);
  PumpFor(Ms{300});
  EXPECT_EQ(SizeOf(WindowRect(Main())).cx, SizeOf(normalBase).cx);
  EXPECT_EQ(SizeOf(WindowRect(Main())).cy, SizeOf(normalBase).cy);
  ExpectLaidOutFor(App(), base);

  // A run (an hour between clicks: none comes) shows the compact bar; the DPI changes under it.
  App().SetText(ids::hoursEdit, L"1");
  ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
  ASSERT_TRUE(WaitUntil([&] { return App().Caption().rfind(L"  Running...", 0) == 0; }, Ms{5000}));
  const RECT compact = WindowRect(Main());
  ASSERT_LT(compact.bottom - compact.top, SizeOf(normalBase).cy / 2) << Str(compact);
  SendDpiChanged(App(), other, compact);
  PumpFor(Ms{300});
  const RECT compactOther = WindowRect(Main());
  const int barHeight =
      GetSystemMetricsForDpi(SM_CYCAPTION, other) + 2 * GetSystemMetricsForDpi(SM_CYFRAME, other);
  EXPECT_EQ(compactOther.right, compact.right) << "in its corner";
  if (other > base) {
    EXPECT_EQ(compactOther.bottom - compactOther.top, barHeight)
        << "the caption bar of the new DPI: " << Str(compactOther);
    EXPECT_EQ(compactOther.bottom, compact.bottom) << "in its corner";
  } else {
    // A message that only tells of a lower DPI leaves the system's frame as it is, and no
    // window is made lower than its own caption bar: the bar keeps at least that height.
    EXPECT_LE(compactOther.bottom - compactOther.top, compact.bottom - compact.top)
        << Str(compactOther);
  }

  // Stopped: the window comes back at its size for the DPI it has now, laid out for it.
  ASSERT_EQ(App().Click(ids::stopButton), Program::ClickOutcome::Handled);
  ASSERT_TRUE(WaitUntil([&] { return App().Caption() == L"  JUX Zura Divudiv 1.0"; }, Ms{5000}));
  const RECT back = WindowRect(Main());
  EXPECT_EQ(SizeOf(back).cx, SizeOf(normalOther).cx) << Str(back);
  EXPECT_EQ(SizeOf(back).cy, SizeOf(normalOther).cy) << Str(back);
  EXPECT_EQ(back.left, normalBase.left) << "where it was before the run";
  EXPECT_EQ(back.top, normalBase.top) << "where it was before the run";
  ExpectLaidOutFor(App(), other);

  SendDpiChanged(App(), base, back);
  PumpFor(Ms{300});
  EXPECT_EQ(SizeOf(WindowRect(Main())).cx, SizeOf(normalBase).cx);
  EXPECT_EQ(SizeOf(WindowRect(Main())).cy, SizeOf(normalBase).cy);
}

// ---------------------------------------------------------------------------------------------
// The status line: every text the program writes there shows in full, beside the link while it
// fits there, across the whole panel when it does not, on more lines (the window growing by
// them) when one line is not enough, at every DPI.

constexpr int kClientWidth = 559;  // the window's design client area, 96-DPI pixels
constexpr int kClientHeight = 561;
constexpr int kStatusHeight = 15;  // the status label's design height

// The look's font at a DPI, as the program makes it: Segoe UI, 12 pixels high at 96 DPI.
class LookFont {
 public:
  explicit LookFont(UINT dpi)
      : font_(CreateFontW(-Scale(12, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI")) {
    if (!font_) throw HarnessError("cannot create the look's font");
  }
  ~LookFont() { DeleteObject(font_); }
  LookFont(const LookFont&) = delete;
  LookFont& operator=(const LookFont&) = delete;
  HFONT Get() const { return font_; }

 private:
  HFONT font_;
};

// Whether the whole status text shows in its label, measured with the look's font at the
// window's DPI: on one line while the label's style cuts the text to one line (SS_ENDELLIPSIS,
// as the standard STATIC and the look both do) or the label is one line high, wrapped at the
// label's width otherwise.
testing::AssertionResult StatusShowsAllOf(const Program& app, UINT dpi) {
  const HWND label = app.Control(ids::statusLabel);
  const std::wstring text = app.Text(ids::statusLabel);
  RECT client{};
  GetClientRect(label, &client);
  const LookFont font(dpi);
  const HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font.Get());
  SIZE oneLine{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &oneLine);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  RECT wrapped{0, 0, client.right, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &wrapped,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);

  std::ostringstream described;
  described << '"' << Narrow(text) << "\" at " << dpi << " DPI in " << client.right << " x "
            << client.bottom;
  const std::string what = described.str();
  if (oneLine.cx <= client.right)
    return testing::AssertionSuccess() << what << ": fits on one line";
  const bool cutToOneLine = (GetWindowLongPtrW(label, GWL_STYLE) & SS_ENDELLIPSIS) != 0;
  if (cutToOneLine || client.bottom < 2 * tm.tmHeight)
    return testing::AssertionFailure() << what << ": needs " << oneLine.cx << " pixels on one line";
  if (wrapped.right > client.right || wrapped.bottom > client.bottom)
    return testing::AssertionFailure()
           << what << ": wrapped it needs " << wrapped.right << " x " << wrapped.bottom;
  return testing::AssertionSuccess() << what << ": fits wrapped";
}

// The status line lies along the bottom of the client area below every other control; the
// window is as much higher than its design as the status label is; the link shows only beside
// the label, never under it.
void ExpectStatusLineInPlace(const Program& app, UINT dpi) {
  const HWND main = app.MainWindow();
  RECT client{};
  GetClientRect(main, &client);
  const RECT label = RectIn(app.Control(ids::statusLabel), main);
  const RECT panel = RectIn(app.Control(ids::statusPanel), main);
  const int grown = (label.bottom - label.top) - Scale(kStatusHeight, dpi);
  EXPECT_GE(grown, 0) << Str(label);
  // The window's size for the design's client area at its DPI, and the lines the status grew by.
  RECT outer{0, 0, Scale(kClientWidth, dpi), Scale(kClientHeight, dpi) + grown};
  AdjustWindowRectExForDpi(&outer, static_cast<DWORD>(GetWindowLongPtrW(main, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(main, GWL_EXSTYLE)), dpi);
  EXPECT_EQ(SizeOf(WindowRect(main)).cy, outer.bottom - outer.top) << "at " << dpi;
  EXPECT_EQ(panel.bottom, Scale(kClientHeight, dpi) + grown) << Str(panel);
  EXPECT_EQ(label.top, Scale(543, dpi)) << Str(label);
  EXPECT_LE(label.bottom, client.bottom) << Str(label);
  EXPECT_LE(label.right, client.right) << Str(label);
  for (int above : {ids::hotkeysLabel, ids::aboutButton})
    EXPECT_LE(RectIn(app.Control(above), main).bottom, label.top) << above;
  const HWND link = app.Control(ids::websiteLink);
  if (IsWindowVisible(link)) {
    EXPECT_LE(label.right, RectIn(link, main).left) << "the link overlaps the status text";
    EXPECT_EQ(grown, 0) << "the link beside wrapped status text";
  }
}

void ExpectStatusLineShowsAll(const Program& app, UINT dpi) {
  EXPECT_TRUE(StatusShowsAllOf(app, dpi));
  ExpectStatusLineInPlace(app, dpi);
  ExpectLaidOutFor(app, dpi);
}

// At the window's DPI, after a change to the other DPI of these tests, and after the change back.
void ExpectStatusLineShowsAllThroughADpiChange(const Program& app) {
  const UINT base = GetDpiForWindow(app.MainWindow());
  ExpectStatusLineShowsAll(app, base);
  for (UINT dpi : {base < 144 ? 144u : 96u, base}) {
    SendDpiChanged(app, dpi, WindowRect(app.MainWindow()));
    PumpFor(Ms{300});
    ExpectStatusLineShowsAll(app, dpi);
  }
}

TEST_F(LookTest, StatusLineShowsTheSavedRecordingInFull) {
  Start();
  App().Click(ids::macrosRadio);
  App().Click(ids::createMacroButton);
  PressHotkey(MOD_CONTROL | MOD_SHIFT, 'R');
  ASSERT_TRUE(
      WaitUntil([&] { return App().Text(ids::statusLabel) == L"Recording macro..."; }, Ms{5000}));
  for (POINT p : {POINT{60, 200}, POINT{120, 260}}) {
    MoveTo(p);
    PumpFor(Ms{40});
  }
  PressHotkey(MOD_CONTROL | MOD_SHIFT, 'X');
  ASSERT_TRUE(WaitUntil(
      [&] { return App().Text(ids::statusLabel).rfind(L"Macro saved: ", 0) == 0; }, Ms{5000}))
      << Narrow(App().Text(ids::statusLabel));
  PumpFor(Ms{300});
  ExpectStatusLineShowsAllThroughADpiChange(App());
}

// Hotkeys that another program holds when the program starts are all named on the status line.
struct HeldChords {
  const char* name;
  std::vector<UINT> keys;  // with Ctrl+Shift
  const wchar_t* status;
};

class StatusLineTest : public LookTest, public testing::WithParamInterface<HeldChords> {};

TEST_P(StatusLineTest, HotkeysHeldElsewhereAreNamedInFull) {
  std::vector<std::unique_ptr<HeldHotkey>> held;
  for (UINT key : GetParam().keys) {
    held.push_back(std::make_unique<HeldHotkey>(MOD_CONTROL | MOD_SHIFT | MOD_NOREPEAT, key));
    ASSERT_TRUE(held.back()->Ok()) << "the driver could not hold Ctrl+Shift+" << char(key);
  }
  Start();
  ASSERT_EQ(App().Text(ids::statusLabel), GetParam().status);
  ExpectStatusLineShowsAllThroughADpiChange(App());
  // Drawn in full: the look paints every line of a wrapped text.
  const UINT base = Dpi();
  const RECT label = RectIn(App().Control(ids::statusLabel), Main());
  const int lines = (label.bottom - label.top) / Scale(kStatusHeight, base);
  if (lines > 1) {
    const Picture picture(Main());
    const RECT last{label.left, label.bottom - (label.bottom - label.top) / lines, label.right,
                    label.bottom};
    EXPECT_GT(picture.InkRows(last, kFace, 60), 3) << "nothing drawn on the last line";
  }

  // A run through the compact bar ends with a short text: the window comes back where it was at
  // its design size, the link beside the status again. (The other program lets the hotkeys go
  // first: no run starts while the stop hotkey is held elsewhere.)
  held.clear();
  const RECT before = WindowRect(Main());
  App().SetText(ids::hoursEdit, L"1");
  ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
  ASSERT_TRUE(WaitUntil([&] { return App().Caption().rfind(L"  Running...", 0) == 0; }, Ms{5000}));
  ASSERT_EQ(App().Click(ids::stopButton), Program::ClickOutcome::Handled);
  ASSERT_EQ(App().Text(ids::statusLabel), L"Stopped by button. Clicks done: 0");
  PumpFor(Ms{300});
  const RECT after = WindowRect(Main());
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  ExpectStatusLineShowsAll(App(), base);
  EXPECT_EQ(RectIn(App().Control(ids::statusLabel), Main()).bottom,
            Scale(543 + kStatusHeight, base));
  EXPECT_TRUE(IsWindowVisible(App().Control(ids::websiteLink)));
}

const HeldChords kHeldChords[] = {
    {"StartAndStop",
     {'S', 'X'},
     L"Start hotkey Shift+Ctrl+S is in use by another program. Stop hotkey Shift+Ctrl+X is in use "
     L"by another program."},
    {"AllThree",
     {'S', 'X', 'R'},
     L"Start hotkey Shift+Ctrl+S is in use by another program. Stop hotkey Shift+Ctrl+X is in use "
     L"by another program. Start-recording hotkey Shift+Ctrl+R is in use by another program."},
};

INSTANTIATE_TEST_SUITE_P(Held, StatusLineTest, testing::ValuesIn(kHeldChords),
                         [](const testing::TestParamInfo<HeldChords>& p) { return p.param.name; });

// ---------------------------------------------------------------------------------------------
// The keyboard.

class KeyboardTest : public LookTest {
 protected:
  // Brings the program to the front, so that keys reach it, and waits for the focus to settle
  // on `id`.
  void ExpectFocusOn(int id, const char* after) {
    const HWND control = App().Control(id);
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(Main()) == control; }, Ms{3000}))
        << "after " << after << " the focus is on " << NameOf(FocusOf(Main())) << ", not on " << id;
  }
  void Press(UINT vk, UINT modifiers = 0) {
    PressHotkey(modifiers, vk);
    PumpFor(Ms{100});
  }
  void StartInFront() {
    Start();
    SetForegroundWindow(Main());
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == Main(); }, Ms{3000}))
        << "the program's window did not come to the front";
  }
};

TEST_F(KeyboardTest, TabVisitsTheEnabledControlsInOrder) {
  StartInFront();
  // The first tab stop has the focus when the window opens.
  ExpectFocusOn(ids::startButton, "the start");
  // Stop is disabled, the radio group is one stop (its checked button), the coordinate, macro
  // and disabled boxes are skipped.
  const int order[] = {ids::cursorPositionRadio,  ids::hoursEdit,           ids::minutesEdit,
                       ids::secondsEdit,          ids::millisecondsEdit,    ids::jitterCheck,
                       ids::buttonCombo,          ids::clickTypeCombo,      ids::startDelayEdit,
                       ids::untilStoppedRadio,    ids::minimizeToTrayCheck, ids::alwaysOnTopCheck,
                       ids::stopOnMouseMoveCheck, ids::hotkeysButton,       ids::aboutButton,
                       ids::startButton};
  for (int id : order) {
    Press(VK_TAB);
    ExpectFocusOn(id, "Tab");
    if (HasFailure()) return;
  }
  Press(VK_TAB, MOD_SHIFT);
  ExpectFocusOn(ids::aboutButton, "Shift+Tab");
}

TEST_F(KeyboardTest, ArrowKeysChooseInARadioGroup) {
  StartInFront();
  Press(VK_TAB);
  ExpectFocusOn(ids::cursorPositionRadio, "Tab");
  Press(VK_DOWN);
  ExpectFocusOn(ids::coordinatesRadio, "Down");
  EXPECT_TRUE(App().Checked(ids::coordinatesRadio));
  EXPECT_FALSE(App().Checked(ids::cursorPositionRadio));
  EXPECT_TRUE(App().Enabled(ids::coordXEdit)) << "its handler ran";
  Press(VK_DOWN);
  ExpectFocusOn(ids::macrosRadio, "Down");
  EXPECT_TRUE(App().Checked(ids::macrosRadio));
  EXPECT_TRUE(App().Enabled(ids::renameMacroButton)) << "its handler ran";
  EXPECT_FALSE(App().Enabled(ids::hoursEdit)) << "its handler ran";
  Press(VK_UP);
  ExpectFocusOn(ids::coordinatesRadio, "Up");
  EXPECT_TRUE(App().Checked(ids::coordinatesRadio));
  EXPECT_FALSE(App().Checked(ids::macrosRadio));
  // Tab leaves the group from its checked button.
  Press(VK_TAB);
  ExpectFocusOn(ids::coordXEdit, "Tab");
}

TEST_F(KeyboardTest, SpaceTogglesTheFocusedCheckBox) {
  StartInFront();
  for (int i = 0; i < 6; ++i) Press(VK_TAB);
  ExpectFocusOn(ids::jitterCheck, "six Tabs");
  Press(VK_SPACE);
  EXPECT_TRUE(App().Checked(ids::jitterCheck));
  EXPECT_TRUE(App().Enabled(ids::jitterEdit)) << "its handler ran";
  Press(VK_SPACE);
  EXPECT_FALSE(App().Checked(ids::jitterCheck));
  EXPECT_FALSE(App().Enabled(ids::jitterEdit));
}

TEST_F(KeyboardTest, SpaceOnStartStartsARunAndEnterOnAboutOpensTheBoxThatEscCloses) {
  StartInFront();
  App().SetText(ids::hoursEdit, L"1");  // an hour before the first click: none comes
  ExpectFocusOn(ids::startButton, "the start");
  Press(VK_SPACE);
  ASSERT_TRUE(WaitUntil([&] { return App().Caption().rfind(L"  Running...", 0) == 0; }, Ms{5000}))
      << "Space on Start started no run";
  // Start has disabled itself; the focus stayed in the window, so the keys still work.
  EXPECT_TRUE(IsChild(Main(), FocusOf(Main()))) << NameOf(FocusOf(Main()));
  PressHotkey(MOD_CONTROL | MOD_SHIFT, 'X');
  ASSERT_TRUE(WaitUntil([&] { return App().Enabled(ids::startButton); }, Ms{5000}));
  SetForegroundWindow(Main());
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == Main(); }, Ms{3000}));

  const HWND about = App().Control(ids::aboutButton);
  // Back to the About button from wherever the focus is now.
  for (int i = 0; i < 20 && FocusOf(Main()) != about; ++i) Press(VK_TAB, MOD_SHIFT);
  ExpectFocusOn(ids::aboutButton, "Shift+Tab");
  Press(VK_RETURN);
  const MessageBoxInfo box = App().WaitForMessageBox();
  EXPECT_NE(box.text.find(L"Version: 1.0"), std::wstring::npos) << Narrow(box.text);
  Press(VK_ESCAPE);
  EXPECT_TRUE(
      WaitUntil([&] { return !IsWindow(box.hwnd) || !IsWindowVisible(box.hwnd); }, Ms{3000}))
      << "Esc did not close the About box";
}

TEST_F(KeyboardTest, TheRenameBoxTakesEnterAndEsc) {
  AddMacros({"alpha"});
  StartInFront();
  App().Click(ids::macrosRadio);
  ASSERT_TRUE(App().Enabled(ids::renameMacroButton));
  const HWND list = App().Control(ids::macroList);

  // Esc: the box closes and nothing is renamed.
  ASSERT_EQ(App().Click(ids::renameMacroButton), Program::ClickOutcome::MessageBoxShown);
  MessageBoxInfo box = App().WaitForMessageBox();
  SetForegroundWindow(box.hwnd);
  PumpFor(Ms{200});
  Press(VK_ESCAPE);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box.hwnd); }, Ms{3000})) << "Esc";
  EXPECT_EQ(Ask(list, LB_GETCOUNT), 1);
  EXPECT_TRUE(fs::exists(SettingsFolder() / "Macros" / "alpha.juxmac"));

  // Typing replaces the selected name; Enter confirms.
  ASSERT_EQ(App().Click(ids::renameMacroButton), Program::ClickOutcome::MessageBoxShown);
  box = App().WaitForMessageBox();
  SetForegroundWindow(box.hwnd);
  PumpFor(Ms{200});
  Press('B');
  Press('E');
  Press(VK_RETURN);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box.hwnd); }, Ms{3000})) << "Enter";
  EXPECT_TRUE(
      WaitUntil([&] { return fs::exists(SettingsFolder() / "Macros" / "be.juxmac"); }, Ms{3000}))
      << "renamed through the box";
}

// ---------------------------------------------------------------------------------------------
// Scenes for scripts/screenshots. ZD_SCREENSHOTS names the folder through which the driver and
// the script talk: for each scene the driver writes NAME.pose with the rectangle to photograph
// ("WxH+X+Y", screen pixels) and waits for NAME.done, which the script writes once it has the
// picture. ZD_SCREENSHOT_SERVER is the address of a local update server (update_server.py)
// that offers version 1.1 and sends its updater slowly.

std::wstring EnvironmentValue(const wchar_t* name) {
  wchar_t buffer[4096] = {};
  const DWORD n = GetEnvironmentVariableW(name, buffer, 4096);
  return n > 0 && n < 4096 ? buffer : L"";
}

// The environment of the driver with APPDATA replaced.
std::wstring EnvironmentWithAppData(const std::wstring& appData) {
  std::wstring block;
  if (wchar_t* all = GetEnvironmentStringsW()) {
    for (const wchar_t* p = all; *p; p += wcslen(p) + 1)
      if (_wcsnicmp(p, L"APPDATA=", 8) != 0) block += std::wstring(p) + L'\0';
    FreeEnvironmentStringsW(all);
  }
  return block + L"APPDATA=" + appData + L'\0' + L'\0';
}

class Screenshots : public LookTest {
 protected:
  void SetUp() override {
    folder_ = EnvironmentValue(L"ZD_SCREENSHOTS");
    if (folder_.empty()) GTEST_SKIP() << "ZD_SCREENSHOTS is not set: no screenshots wanted";
  }

  // Hands the rectangle of `window` to the script and waits until it has photographed it.
  void Pose(const std::string& name, HWND window) {
    PumpFor(Ms{800});  // painted
    const RECT r = WindowRect(window);
    std::ostringstream geometry;
    geometry << (r.right - r.left) << "x" << (r.bottom - r.top) << "+" << r.left << "+" << r.top
             << "\n";
    const fs::path done = fs::path(folder_) / (name + ".done");
    WriteBytes(fs::path(folder_) / (name + ".pose"), geometry.str());
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(done); }, Ms{60000}))
        << "the script took no picture of " << name;
  }

  std::wstring folder_;
};

TEST_F(Screenshots, MainWindow) {
  Start();
  Pose("main-window", Main());
}

TEST_F(Screenshots, CompactBarDuringARun) {
  Start();
  App().SetText(ids::hoursEdit, L"1");  // no click during the picture
  ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
  ASSERT_TRUE(WaitUntil([&] { return App().Caption().rfind(L"  Running...", 0) == 0; }, Ms{5000}));
  Pose("compact-run", Main());
  App().Click(ids::stopButton);
}

TEST_F(Screenshots, MacroTargetWithAList) {
  AddMacros({"2026-03-02 09.15.40 (12.4s)", "2026-03-02 09.31.07 (3.0s)", "Daily report clicks",
             "Login form"});
  Start();
  App().Click(ids::macrosRadio);
  ASSERT_TRUE(App().Enabled(ids::macroList));
  Pose("macros", Main());
}

TEST_F(Screenshots, AboutBox) {
  Start();
  ASSERT_EQ(App().Click(ids::aboutButton), Program::ClickOutcome::MessageBoxShown);
  const MessageBoxInfo box = App().WaitForMessageBox();
  Pose("about", box.hwnd);
  App().AnswerMessageBox(box, IDOK);
}

TEST_F(Screenshots, RenameBox) {
  AddMacros({"Daily report clicks"});
  Start();
  App().Click(ids::macrosRadio);
  ASSERT_EQ(App().Click(ids::renameMacroButton), Program::ClickOutcome::MessageBoxShown);
  const MessageBoxInfo box = App().WaitForMessageBox();
  Pose("rename", box.hwnd);
  App().AnswerMessageBox(box, IDCANCEL);
}

TEST_F(Screenshots, HotkeyDialog) {
  Start();
  ASSERT_EQ(App().Click(ids::hotkeysButton), Program::ClickOutcome::MessageBoxShown);
  const MessageBoxInfo box = App().WaitForMessageBox();
  Pose("hotkeys", box.hwnd);
  App().AnswerMessageBox(box, IDCANCEL);
}

TEST_F(Screenshots, PickCover) {
  UserWindow user;  // something on the screen to pick from
  Start();
  App().Click(ids::coordinatesRadio);
  MoveTo({120, 360});
  ASSERT_EQ(App().Click(ids::pickButton), Program::ClickOutcome::Handled);
  HWND cover = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] { return (cover = FindWindowOf(App().ProcessId(), L"PickPointCover")) != nullptr; },
      Ms{5000}));
  MoveTo({124, 362});  // the label follows the pointer
  Pose("pick", cover);
  SendMouse(MOUSEEVENTF_RIGHTDOWN);
  SendMouse(MOUSEEVENTF_RIGHTUP);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(cover); }, Ms{5000}));
}

TEST_F(Screenshots, NewVersionDialogAndItsDownload) {
  const std::wstring server = EnvironmentValue(L"ZD_SCREENSHOT_SERVER");
  if (server.empty()) GTEST_SKIP() << "ZD_SCREENSHOT_SERVER is not set";
  WriteBytes(SettingsFolder() / "settings.ini", "[Update]\r\nserver=" + Narrow(server) + "\r\n");
  TempDir temp;
  std::wstring environment = EnvironmentWithAppData(appData_.Path());
  environment.insert(0, L"TEMP=" + temp.Path() + L'\0' + L"TMP=" + temp.Path() + L'\0');
  std::wstring commandLine = L"\"" + ProgramPath() + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(ProgramPath().c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                             CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &si, &pi));
  UniqueHandle process(pi.hProcess);
  CloseHandle(pi.hThread);
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] { return (dialog = FindWindowOf(pi.dwProcessId, L"NewVersionDialog")) != nullptr; },
      Ms{30000}))
      << "no new-version dialog";
  Pose("new-version", dialog);

  // Update Now: the download runs slowly; the picture is taken with the bar part-way.
  PostMessageW(GetDlgItem(dialog, 203), BM_CLICK, 0, 0);
  const HWND bar = GetDlgItem(dialog, 202);
  DWORD_PTR position = 0;
  ASSERT_TRUE(WaitUntil(
      [&] {
        return IsWindowVisible(bar) &&
               SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 2000, &position) &&
               position >= 40;
      },
      Ms{30000}))
      << "the download did not get going";
  Pose("new-version-download", dialog);

  // Abort: the failure box, then the process ends.
  PostMessageW(GetDlgItem(dialog, 204), BM_CLICK, 0, 0);
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (box = FindWindowOf(pi.dwProcessId, L"#32770")) != nullptr; },
                        Ms{30000}));
  PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  if (WaitForSingleObject(process.Get(), 20000) != WAIT_OBJECT_0)
    TerminateProcess(process.Get(), 1);
}

}  // namespace
}  // namespace e2e
