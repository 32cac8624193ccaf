#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "imaging/proc/effects/bw/OrderedDither.h"
#include "tests/imaging/proc/effects/EffectsTestRaster.h"

namespace {

// Whites per position of the 8 x 8 tile, for a flat colour: tile[x mod 8][y mod 8].
std::array<std::array<int, 8>, 8> WhiteTile(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                            int* whites) {
  EffectsTestRaster source(16, 16, pfBGR24);
  source.FillBgr(blue, green, red);
  EffectsTestRaster target;
  DitherToBlackAndWhite(source, target, {});
  std::array<std::array<int, 8>, 8> tile{};
  *whites = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      if (target.Bit(x, y)) {
        ++tile[x % 8][y % 8];
        ++*whites;
      }
    }
  }
  return tile;
}

TEST(OrderedDitherTest, MatrixIsTheRecursiveBayerMatrix) {
  const auto& m = OrderedDitherMatrix();
  EXPECT_EQ(m[0], (std::array<std::uint8_t, 8>{0, 32, 8, 40, 2, 34, 10, 42}));
  EXPECT_EQ(m[1], (std::array<std::uint8_t, 8>{48, 16, 56, 24, 50, 18, 58, 26}));
  EXPECT_EQ(m[7], (std::array<std::uint8_t, 8>{63, 31, 55, 23, 61, 29, 53, 21}));
  const std::uint8_t firstColumn[8] = {0, 48, 12, 60, 3, 51, 15, 63};
  std::set<int> values;
  for (int r = 0; r < 8; ++r) {
    EXPECT_EQ(m[r][0], firstColumn[r]);
    values.insert(m[r].begin(), m[r].end());
  }
  EXPECT_EQ(values.size(), 64u);
  EXPECT_EQ(*values.rbegin(), 63);
}

TEST(OrderedDitherTest, ThresholdsAtTheEndsAndTheMiddle) {
  int whites = 0;
  WhiteTile(255, 255, 255, &whites);
  EXPECT_EQ(whites, 256);
  WhiteTile(251, 251, 251, &whites);  // level 64 beats every entry
  EXPECT_EQ(whites, 256);
  WhiteTile(0, 0, 0, &whites);
  EXPECT_EQ(whites, 0);
  WhiteTile(128, 128, 128, &whites);  // level 32: the entries 0..31 are white
  EXPECT_EQ(whites, 128);

  // Level 62: only the entries 62 (row 3, column 4) and 63 (row 7, column 0) stay black. The
  // pixel's column picks the row, so they sit at x mod 8 = 3, y mod 8 = 4 and x mod 8 = 7, y mod
  // 8 = 0.
  for (std::uint8_t blue : {250, 251}) {  // one channel under 251 is enough to lose level 64
    const auto tile = WhiteTile(250, 250, blue, &whites);
    EXPECT_EQ(whites, 256 - 8);
    for (int x = 0; x < 8; ++x) {
      for (int y = 0; y < 8; ++y) {
        const bool black = (x == 3 && y == 4) || (x == 7 && y == 0);
        EXPECT_EQ(tile[x][y], black ? 0 : 4) << x << "," << y;
      }
    }
  }
}

TEST(OrderedDitherTest, BitsArePackedFromTheLeftAndPaddingIsClear) {
  EffectsTestRaster source(13, 3, pfBGR24);
  source.FillBgr(0, 0, 0);
  source.SetBgr(0, 1, 255, 255, 255);
  source.SetBgr(9, 1, 255, 255, 255);
  source.SetBgr(12, 1, 255, 255, 255);
  EffectsTestRaster target;
  DitherToBlackAndWhite(source, target, {});
  ASSERT_EQ(target.PixelFormat(), pfBit1);
  ASSERT_EQ(target.Width(), 13);
  ASSERT_EQ(target.RowLength(), 4);
  const std::uint8_t* row = target.RowPtr(1);
  EXPECT_EQ(row[0], 0x80);
  EXPECT_EQ(row[1], 0x48);
  EXPECT_EQ(row[2], 0);
  EXPECT_EQ(row[3], 0);
}

TEST(OrderedDitherTest, ProgressAndRefusedFormats) {
  EffectsTestRaster source(5, 4, pfBGR24);
  source.FillRandom(1);
  EffectsTestRaster target;
  std::vector<int> percents;
  DitherToBlackAndWhite(source, target, [&](int percent) { percents.push_back(percent); });
  EXPECT_EQ(percents, (std::vector<int>{22, 44, 66, 88}));  // trunc(100 / 4.5 x rows done)

  EffectsTestRaster gray(5, 4, pfGray8);
  EffectsTestRaster untouched(2, 2, pfGray8);
  DitherToBlackAndWhite(gray, untouched, {});
  EXPECT_EQ(untouched.PixelFormat(), pfGray8);
  EXPECT_EQ(untouched.Width(), 2);
}

}  // namespace
