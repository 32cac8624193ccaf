#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "imaging/proc/effects/blur/BlurKernel.h"
#include "imaging/proc/effects/blur/BlurRaster.h"
#include "tests/imaging/proc/effects/EffectsTestRaster.h"

namespace {

// The blur as the rows-then-columns procedure reads: every row filtered and written back, then
// every column gathered, filtered and scattered back.
void ReferenceBlur(EffectsTestRaster& image, const BlurKernel& kernel) {
  const int channels = image.PixelFormat() == pfBGR24 ? 3 : 1;
  const int w = image.Width();
  const int h = image.Height();
  const int r = kernel.EffectiveRadius();
  auto filterLine = [&](std::vector<std::uint8_t>& line) {
    const int n = static_cast<int>(line.size());
    std::vector<std::uint8_t> out(line.size());
    for (int i = 0; i < n; ++i) {
      std::uint32_t sum = 0;
      for (int d = -r; d <= r; ++d)
        sum += kernel.Weight(d) * line[std::clamp(i + d, 0, n - 1)];
      out[i] = static_cast<std::uint8_t>((sum + 32768) >> 16);
    }
    line = out;
  };
  std::vector<std::uint8_t> line;
  for (int c = 0; c < channels; ++c) {
    for (int y = 0; y < h; ++y) {
      line.clear();
      for (int x = 0; x < w; ++x)
        line.push_back(image.RowPtr(y)[x * channels + c]);
      filterLine(line);
      for (int x = 0; x < w; ++x)
        image.RowPtr(y)[x * channels + c] = line[x];
    }
    for (int x = 0; x < w; ++x) {
      line.clear();
      for (int y = 0; y < h; ++y)
        line.push_back(image.RowPtr(y)[x * channels + c]);
      filterLine(line);
      for (int y = 0; y < h; ++y)
        image.RowPtr(y)[x * channels + c] = line[y];
    }
  }
}

TEST(BlurKernelTest, RadiusTwoHasTheKnownWeightsAndSevenTaps) {
  const BlurKernel kernel(2.0);
  const std::uint32_t expected[] = {15095, 12778, 7750, 3368, 1049, 234, 37, 4};
  for (int d = 0; d < 8; ++d) {
    EXPECT_EQ(kernel.Weight(d), expected[d]) << d;
    EXPECT_EQ(kernel.Weight(-d), expected[d]) << -d;
  }
  EXPECT_EQ(kernel.Weight(8), 0u);
  EXPECT_EQ(kernel.EffectiveRadius(), 7);
  std::uint32_t sum = 0;
  for (int d = -100; d <= 100; ++d)
    sum += kernel.Weight(d);
  EXPECT_EQ(sum, 65535u);
}

TEST(BlurKernelTest, KernelsAreSymmetricAndCutAtTheLastNonZeroWeight) {
  for (double radius : {0.01, 0.5, 1.0, 3.7, 10.0, 40.0, 1000.0}) {
    const BlurKernel kernel(radius);
    std::uint32_t sum = 0;
    for (int d = -100; d <= 100; ++d) {
      EXPECT_EQ(kernel.Weight(d), kernel.Weight(-d)) << radius;
      sum += kernel.Weight(d);
    }
    EXPECT_NEAR(sum, 65536.0, 101.0) << radius;
    const int r = kernel.EffectiveRadius();
    EXPECT_GE(r, 1);
    EXPECT_TRUE(r == 1 || kernel.Weight(r) != 0) << radius;
    for (int d = r + 1; d <= 100; ++d)
      EXPECT_EQ(kernel.Weight(d), 0u) << radius;
  }
  EXPECT_EQ(BlurKernel(0.01).Weight(0), 65536u);
  EXPECT_EQ(BlurKernel(1000.0).EffectiveRadius(), 100);
}

TEST(BlurRasterTest, FlatImagesStayFlat) {
  for (TImgBitmapFormat format : {pfGray8, pfBGR24}) {
    for (int level : {0, 1, 77, 254, 255}) {
      EffectsTestRaster image(19, 11, format);
      for (int y = 0; y < 11; ++y) {
        std::fill(image.RowPtr(y), image.RowPtr(y) + (format == pfBGR24 ? 57 : 19), level);
      }
      EffectsTestRaster before;
      before.Assign(&image);
      BlurRaster(image, BlurKernel(2.0), {});
      EXPECT_TRUE(image == before) << "format " << format << " level " << level;
    }
  }
}

TEST(BlurRasterTest, OnePixelWideOrHighImagesBlurOnlyAlongTheirLength) {
  EffectsTestRaster column(1, 30, pfBGR24);
  column.FillRandom(7);
  EffectsTestRaster row(30, 1, pfGray8);
  row.FillRandom(8);
  for (EffectsTestRaster* image : {&column, &row}) {
    EffectsTestRaster expected;
    expected.Assign(image);
    ReferenceBlur(expected, BlurKernel(2.0));
    BlurRaster(*image, BlurKernel(2.0), {});
    EXPECT_TRUE(*image == expected);
  }
  // A single pixel: every weight lands on it, and 65535 weights plus the rounding keep it.
  EffectsTestRaster pixel(1, 1, pfBGR24);
  pixel.SetBgr(0, 0, 255, 128, 3);
  BlurRaster(pixel, BlurKernel(2.0), {});
  EXPECT_EQ(pixel.Bgr(0, 0), (std::array<std::uint8_t, 3>{255, 128, 3}));
}

TEST(BlurRasterTest, MatchesRowsThenColumnsWithClampedEdges) {
  struct Case {
    int width, height;
    TImgBitmapFormat format;
    double radius;
  };
  for (const Case& c :
       {Case{37, 23, pfBGR24, 2.0}, Case{37, 23, pfGray8, 2.0}, Case{5, 40, pfBGR24, 0.7},
        Case{16, 9, pfGray8, 6.5}, Case{3, 2, pfBGR24, 30.0}, Case{64, 48, pfBGR24, 1.3},
        Case{90, 20, pfBGR24, 5.0}, Case{200, 6, pfGray8, 12.0}}) {
    EffectsTestRaster image(c.width, c.height, c.format);
    image.FillRandom(static_cast<unsigned>(c.width * 100 + c.height));
    EffectsTestRaster expected;
    expected.Assign(&image);
    ReferenceBlur(expected, BlurKernel(c.radius));
    BlurRaster(image, BlurKernel(c.radius), {});
    EXPECT_TRUE(image == expected) << c.width << "x" << c.height << " radius " << c.radius;
  }
}

TEST(BlurRasterTest, MatchesRowsThenColumnsForEveryTapCountAndLineLength) {
  // Radii from under 1 to 5 give effective radii 1 to about 17: each unrolled tap count and
  // the general loop. Line lengths fall on, just below and just above the vector block sizes,
  // and a few bytes short of any block.
  std::vector<bool> seen(101, false);
  const TImgBitmapFormat formats[] = {pfGray8, pfBGR24};
  const std::pair<int, int> sizes[] = {{31, 3}, {32, 1}, {33, 17}, {1, 33}, {11, 12},
                                       {65, 2}, {2, 9},  {3, 5},   {5, 3},  {7, 8}};
  int variant = 0;
  for (double radius : {0.2, 0.45, 0.6, 0.9, 1.1, 1.4, 1.7, 2.0, 2.2, 2.5, 2.7, 3.0, 3.3, 5.0}) {
    const BlurKernel kernel(radius);
    seen[static_cast<std::size_t>(kernel.EffectiveRadius())] = true;
    for (TImgBitmapFormat format : formats) {
      const auto& [width, height] = sizes[variant++ % std::size(sizes)];
      EffectsTestRaster image(width, height, format);
      image.FillRandom(static_cast<unsigned>(variant));
      EffectsTestRaster expected;
      expected.Assign(&image);
      ReferenceBlur(expected, kernel);
      BlurRaster(image, kernel, {});
      EXPECT_TRUE(image == expected)
          << width << "x" << height << " format " << format << " radius " << radius;
    }
  }
  for (int r = 1; r <= 11; ++r)
    EXPECT_TRUE(seen[static_cast<std::size_t>(r)]) << "no kernel with effective radius " << r;
}

TEST(BlurRasterTest, LeavesOtherFormatsAlone) {
  for (TImgBitmapFormat format : {pfBit1, pfPalette8, pfGray16, pf32f}) {
    EffectsTestRaster image(9, 7, format);
    image.FillRandom(3);
    EffectsTestRaster before;
    before.Assign(&image);
    BlurRaster(image, BlurKernel(2.0), {});
    EXPECT_TRUE(image == before) << format;
  }
}

TEST(BlurRasterTest, ProgressRisesToWhereTheColumnPassEnds) {
  EffectsTestRaster image(30, 10, pfGray8);
  image.FillRandom(1);
  std::vector<int> percents;
  BlurRaster(image, BlurKernel(2.0), [&](int percent) { percents.push_back(percent); });
  ASSERT_FALSE(percents.empty());
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_GE(percents.front(), 0);
  // After the last of 30 columns: trunc((10 + 29) * 100 / 40).
  EXPECT_EQ(percents.back(), 97);
}

}  // namespace
