// Pixel to normalised coordinate: every pixel must come back as itself when the system maps
// the value back, whichever of the two known readings it uses.
#include <gtest/gtest.h>

#include <cmath>

#include "mainform/main_form.h"

namespace {

TEST(ToAbsoluteCoordTest, KnownValues) {
  struct Case {
    int32_t value, origin, size, expected;
  } cases[] = {
      {960, 0, 1920, 32785},
      {100, -1920, 3840, 34483},
      {0, 0, 1920, 17},
      {1919, 0, 1920, 65518},
      {2500, 0, 1920, 65535},
      {-5, 0, 1920, 0},
      {5, 0, 1, 0},
      {5, 0, 0, 0},
      {5, 0, -7, 0},
      {-1920, -1920, 3840, 8},
      {INT32_MIN, 0, 1920, 0},
      {INT32_MAX, 0, 1920, 65535},
  };
  for (const Case& c : cases)
    EXPECT_EQ(clicker::ToAbsoluteCoord(c.value, c.origin, c.size), c.expected)
        << c.value << " in " << c.origin << "+" << c.size;
}

// The two ways a normalised coordinate becomes a pixel again.
int32_t BackByFloor(int32_t n, int32_t origin, int32_t size) {
  return origin + static_cast<int32_t>((int64_t{n} * size) / 65536);
}
int32_t BackByRounding(int32_t n, int32_t origin, int32_t size) {
  return origin + static_cast<int32_t>(std::lround(double(n) * (size - 1) / 65535.0));
}

TEST(ToAbsoluteCoordTest, EveryPixelRoundTripsUnderBothReadings) {
  struct Desktop {
    int32_t origin, size;
  } desktops[] = {{0, 1920}, {0, 2560}, {-1920, 3840}, {0, 1081}, {0, 7680}, {-300, 2}};
  for (const Desktop& d : desktops) {
    int floorMisses = 0, roundMisses = 0;
    for (int32_t x = d.origin; x < d.origin + d.size; ++x) {
      const int32_t n = clicker::ToAbsoluteCoord(x, d.origin, d.size);
      floorMisses += BackByFloor(n, d.origin, d.size) != x;
      roundMisses += BackByRounding(n, d.origin, d.size) != x;
    }
    EXPECT_EQ(floorMisses, 0) << d.origin << "+" << d.size;
    EXPECT_EQ(roundMisses, 0) << d.origin << "+" << d.size;
  }
}

}  // namespace
