#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "imaging/proc/effects/equalize/HistEqualizer.h"
#include "tests/imaging/proc/effects/EffectsTestRaster.h"

namespace {

using Bgr = std::array<std::uint8_t, 3>;

EffectsTestRaster GrayRamp() {
  // 256 x 256, row y at gray level y: exactly 256 pixels per luminance level.
  EffectsTestRaster image(256, 256, pfBGR24);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      const auto v = static_cast<std::uint8_t>(y);
      image.SetBgr(x, y, v, v, v);
    }
  }
  return image;
}

// The mapping as the four rules read, into a separate result image.
EffectsTestRaster ReferenceEqualize(EffectsTestRaster& source) {
  const int w = source.Width();
  const int h = source.Height();
  std::array<std::uint64_t, 256> counts{};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Bgr p = source.Bgr(x, y);
      ++counts[GrayLevel(p[2], p[1], p[0])];
    }
  }
  const EqualizerLevels levels = BuildEqualizerLevels(counts, w * h / 256.0);
  EffectsTestRaster result(w, h, pfBGR24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      int sums[3] = {0, 0, 0};
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const Bgr q = source.Bgr(std::clamp(x + dx, 0, w - 1), std::clamp(y + dy, 0, h - 1));
          for (int c = 0; c < 3; ++c)
            sums[c] += q[c];
        }
      }
      const Bgr mean{static_cast<std::uint8_t>(sums[0] / 9), static_cast<std::uint8_t>(sums[1] / 9),
                     static_cast<std::uint8_t>(sums[2] / 9)};
      const Bgr p = source.Bgr(x, y);
      const int l = GrayLevel(p[2], p[1], p[0]);
      const int lm = GrayLevel(mean[2], mean[1], mean[0]);
      Bgr out = mean;
      if (levels.Low[l] == levels.High[l] || (lm <= levels.High[l] && lm < levels.Low[l])) {
        out = {levels.Low[p[0]], levels.Low[p[1]], levels.Low[p[2]]};
      } else if (lm > levels.High[l]) {
        out = {levels.High[p[0]], levels.High[p[1]], levels.High[p[2]]};
      }
      result.SetBgr(x, y, out[0], out[1], out[2]);
    }
  }
  return result;
}

TEST(EqualizerLevelsTest, UniformImageSpansTheWholeRange) {
  std::array<std::uint64_t, 256> counts{};
  counts[90] = 40 * 30;
  const EqualizerLevels levels = BuildEqualizerLevels(counts, 40.0 * 30 / 256);
  EXPECT_EQ(levels.Low[90], 0);
  EXPECT_EQ(levels.High[90], 255);
  EXPECT_EQ(levels.Low[91], 255);
}

TEST(EqualizerLevelsTest, TwoHundredFiftySixPixelsPerLevel) {
  std::array<std::uint64_t, 256> counts;
  counts.fill(256);
  const EqualizerLevels levels = BuildEqualizerLevels(counts, 256.0);
  EXPECT_EQ(levels.Low[0], 0);
  EXPECT_EQ(levels.High[0], 0);
  for (int i = 1; i < 256; ++i) {
    EXPECT_EQ(levels.Low[i], i - 1) << i;
    EXPECT_EQ(levels.High[i], i) << i;
  }
}

TEST(EqualizeHistogramTest, UniformImagesStayUnchanged) {
  for (Bgr colour : {Bgr{90, 90, 90}, Bgr{10, 50, 200}, Bgr{255, 255, 255}}) {
    EffectsTestRaster image(40, 30, pfBGR24);
    image.FillBgr(colour[0], colour[1], colour[2]);
    EffectsTestRaster before;
    before.Assign(&image);
    EqualizeHistogram(image, 0, 0, 40, 30, {});
    EXPECT_TRUE(image == before);
  }
}

TEST(EqualizeHistogramTest, RampKeepsItsLevelsAndTheEdgeRowTakesItsMean) {
  EffectsTestRaster image = GrayRamp();
  EqualizeHistogram(image, 0, 0, 256, 256, {});
  // Inside, every neighbourhood mean equals the pixel and lies in its level's range. Row 255
  // sees rows 254, 255, 255 (clamped): mean 2292 div 9 = 254, inside 254..255.
  for (int y = 0; y < 255; ++y) {
    EXPECT_EQ(image.Bgr(0, y), (Bgr{static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(y),
                                    static_cast<std::uint8_t>(y)}))
        << y;
  }
  for (int x = 0; x < 256; ++x)
    EXPECT_EQ(image.Bgr(x, 255), (Bgr{254, 254, 254})) << x;
}

TEST(EqualizeHistogramTest, RareLevelMapsThroughLowLevelWhateverItsNeighbours) {
  // 64 x 64 pixels, S = 16: ten dark pixels (gray 50) do not carry the accumulator, so their
  // level has LowLevel = HighLevel = 0; the 200 level then spans 0..255.
  EffectsTestRaster image(64, 64, pfBGR24);
  image.FillBgr(200, 200, 200);
  for (int i = 0; i < 10; ++i)
    image.SetBgr(3 + 6 * i, 10, 50, 50, 50);
  EqualizeHistogram(image, 0, 0, 64, 64, {});
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(image.Bgr(3 + 6 * i, 10), (Bgr{0, 0, 0})) << i;
  // Beside a dark pixel the mean is (50 + 8 x 200) div 9 = 183; far from them it stays 200.
  EXPECT_EQ(image.Bgr(4, 10), (Bgr{183, 183, 183}));
  EXPECT_EQ(image.Bgr(3, 11), (Bgr{183, 183, 183}));
  EXPECT_EQ(image.Bgr(30, 40), (Bgr{200, 200, 200}));
}

TEST(EqualizeHistogramTest, MatchesTheFourRulesOnVariedImages) {
  for (int seed = 0; seed < 4; ++seed) {
    EffectsTestRaster image(23 + seed, 17, pfBGR24);
    image.FillRandom(static_cast<unsigned>(seed));
    // Smooth a band so that pixels fall on all sides of their level's range.
    for (int y = 0; y < 17; ++y) {
      for (int x = 0; x < 8; ++x) {
        const auto v = static_cast<std::uint8_t>(10 * y + x);
        image.SetBgr(x, y, v, static_cast<std::uint8_t>(v + 3), v);
      }
    }
    const EffectsTestRaster expected = ReferenceEqualize(image);
    EqualizeHistogram(image, 0, 0, image.Width(), image.Height(), {});
    EXPECT_TRUE(image == expected) << seed;
  }
}

TEST(EqualizerLevelsTest, EachHighLevelIsTheNextLowLevel) {
  // The mapping reads High[v] as Low[v + 1]; whatever the counts, the ranges must chain.
  std::mt19937 generator(5);
  for (int trial = 0; trial < 50; ++trial) {
    std::array<std::uint64_t, 256> counts{};
    std::uint64_t total = 0;
    for (auto& count : counts) {
      count = generator() % (trial % 2 == 0 ? 3000u : 40u);
      total += count;
    }
    const EqualizerLevels levels = BuildEqualizerLevels(counts, static_cast<double>(total) / 256.0);
    for (int i = 0; i < 255; ++i)
      ASSERT_EQ(levels.High[i], levels.Low[i + 1]) << trial << " " << i;
  }
}

// Random pixels with smooth patches (pixels inside their level's range), saturated blue pixels
// on dark luminance (the top of the High table) and flat runs; shapes that leave every vector
// loop a tail, and one-pixel-wide or -high images.
TEST(EqualizeHistogramTest, MatchesTheFourRulesForAllWidthsAndHeights) {
  const std::pair<int, int> sizes[] = {{1, 1},  {1, 7},  {7, 1},  {2, 2},   {17, 3},
                                       {18, 2}, {31, 4}, {32, 3}, {33, 5},  {34, 2},
                                       {47, 3}, {64, 2}, {65, 4}, {100, 3}, {129, 2}};
  for (const auto& [width, height] : sizes) {
    EffectsTestRaster image(width, height, pfBGR24);
    image.FillRandom(static_cast<unsigned>(width * 7 + height));
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (x % 11 < 4) {
          const auto v = static_cast<std::uint8_t>(3 * x + 5 * y);
          image.SetBgr(x, y, v, static_cast<std::uint8_t>(v + 2), v);
        } else if (x % 13 == 5) {
          image.SetBgr(x, y, 255, 0, 0);
        } else if (x % 17 == 9) {
          image.SetBgr(x, y, 255, 255, 255);
        }
      }
    }
    const EffectsTestRaster expected = ReferenceEqualize(image);
    EqualizeHistogram(image, 0, 0, width, height, {});
    EXPECT_TRUE(image == expected) << width << "x" << height;
  }
}

TEST(EqualizeHistogramTest, RectanglesOfEveryShapeMatchTheWholeImageResult) {
  EffectsTestRaster original(70, 9, pfBGR24);
  original.FillRandom(21);
  for (int x = 0; x < 70; x += 3)
    original.SetBgr(x, 4, 255, 10, 10);
  EffectsTestRaster whole;
  whole.Assign(&original);
  EffectsTestRaster equalized = ReferenceEqualize(whole);
  struct Rectangle {
    int x1, y1, x2, y2;
  };
  for (const Rectangle& r :
       {Rectangle{0, 0, 1, 9}, Rectangle{33, 2, 70, 3}, Rectangle{5, 0, 40, 9},
        Rectangle{69, 8, 70, 9}, Rectangle{1, 1, 69, 8}, Rectangle{20, 3, 53, 6}}) {
    EffectsTestRaster part;
    part.Assign(&original);
    EqualizeHistogram(part, r.x1, r.y1, r.x2, r.y2, {});
    for (int y = 0; y < 9; ++y) {
      for (int x = 0; x < 70; ++x) {
        const bool inside = x >= r.x1 && x < r.x2 && y >= r.y1 && y < r.y2;
        ASSERT_EQ(part.Bgr(x, y), inside ? equalized.Bgr(x, y) : original.Bgr(x, y))
            << r.x1 << "," << r.y1 << "," << r.x2 << "," << r.y2 << " at " << x << "," << y;
      }
    }
  }
}

TEST(EqualizeHistogramTest, RectangleUsesTheWholeImageAndTouchesNothingOutside) {
  EffectsTestRaster whole(50, 40, pfBGR24);
  whole.FillRandom(11);
  EffectsTestRaster original;
  original.Assign(&whole);
  EffectsTestRaster part;
  part.Assign(&whole);
  EqualizeHistogram(whole, 0, 0, 50, 40, {});
  // Beyond the image the rectangle is clipped.
  EqualizeHistogram(part, 10, 5, 80, 20, {});
  int changed = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 50; ++x) {
      const bool inside = x >= 10 && y >= 5 && y < 20;
      EXPECT_EQ(part.Bgr(x, y), inside ? whole.Bgr(x, y) : original.Bgr(x, y)) << x << "," << y;
      changed += inside && part.Bgr(x, y) != original.Bgr(x, y);
    }
  }
  EXPECT_GT(changed, 100);
}

TEST(EqualizeHistogramTest, ProgressPerRowNeverPassesOneHundred) {
  EffectsTestRaster image = GrayRamp();
  std::vector<int> percents;
  EqualizeHistogram(image, 0, 100, 256, 110, [&](int percent) { percents.push_back(percent); });
  // trunc((y - y1 + 1) x 100 / 9.5): 10, 21, 31, ..., 94, then 105 held at 100.
  ASSERT_EQ(percents.size(), 10u);
  EXPECT_EQ(percents[0], 10);
  EXPECT_EQ(percents[1], 21);
  EXPECT_EQ(percents[8], 94);
  EXPECT_EQ(percents[9], 100);
  percents.clear();
  EqualizeHistogram(image, 0, 7, 256, 8, [&](int percent) { percents.push_back(percent); });
  EXPECT_EQ(percents, std::vector<int>{100});
}

TEST(EqualizeHistogramTest, LeavesOtherFormatsAlone) {
  EffectsTestRaster image(16, 16, pfGray8);
  image.FillRandom(5);
  EffectsTestRaster before;
  before.Assign(&image);
  EqualizeHistogram(image, 0, 0, 16, 16, {});
  EXPECT_TRUE(image == before);
}

}  // namespace
