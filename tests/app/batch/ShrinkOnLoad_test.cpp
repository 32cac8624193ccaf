#include "app/batch/ShrinkOnLoad.h"

#include <gtest/gtest.h>

namespace {

// Expected denominators worked out by hand: the codec delivers ceil(side / d), and the largest
// d of 8, 4, 2 whose delivery covers the target in both directions wins.
struct ShrinkCase {
  const char* what;
  int width, height, targetWidth, targetHeight, denominator;
};

constexpr ShrinkCase kCases[] = {
    {"half of a camera photo", 6000, 4000, 3000, 2000, 2},
    {"a quarter", 6000, 4000, 1500, 1000, 4},
    {"a tenth: 750 x 500 covers 600 x 400", 6000, 4000, 600, 400, 8},
    {"1024 x 768 frame, landscape: 750 < 1024 at an eighth", 6000, 4000, 1024, 682, 4},
    {"1024 x 768 frame, portrait: 500 < 512 at an eighth", 4000, 6000, 512, 768, 4},
    {"a panorama wider than tall: only the width limits", 8000, 1000, 1024, 128, 4},
    {"a strip taller than wide: only the height limits", 1000, 8000, 96, 768, 8},
    {"odd sides at half: 2001 x 1501 covers 2000 x 1500", 4001, 3001, 2000, 1500, 2},
    {"odd sides rounded up: 101 covers 101 where 801 / 8 = 100.1", 801, 600, 101, 75, 8},
    {"exactly a quarter is still a quarter, not an eighth", 4000, 3000, 1000, 750, 4},
    {"one pixel short of an eighth", 8000, 6000, 1001, 750, 4},
    {"the full size needs no shrink", 6000, 4000, 6000, 4000, 1},
    {"an enlargement needs no shrink", 640, 480, 1600, 1200, 1},
    {"more than half in width", 2000, 1500, 1001, 750, 1},
    {"more than half in height", 2000, 1500, 1000, 751, 1},
    {"a frame near the photo's size", 2000, 1500, 1600, 1200, 1},
    {"a tiny photo to one pixel", 7, 5, 1, 1, 8},
    {"a one-pixel-wide photo cannot halve", 1, 400, 1, 40, 1},
    {"a nonsense target is left to the exact road", 6000, 4000, 0, 0, 1},
};

TEST(ShrinkOnLoad, PicksTheSmallestDecodeThatCoversTheTarget) {
  for (const ShrinkCase& c : kCases) {
    SCOPED_TRACE(c.what);
    const int d = ShrinkDenominator(c.width, c.height, c.targetWidth, c.targetHeight);
    EXPECT_EQ(d, c.denominator);
    if (d > 1) {
      // A shrunk decode never falls below the target.
      EXPECT_GE((c.width + d - 1) / d, c.targetWidth);
      EXPECT_GE((c.height + d - 1) / d, c.targetHeight);
    }
  }
}

}  // namespace
