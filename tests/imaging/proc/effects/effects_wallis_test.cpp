#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

#include "imaging/proc/effects/wallis/WallisRaster.h"
#include "tests/imaging/proc/effects/EffectsTestRaster.h"
#include "tests/imaging/proc/effects/HslReference.h"

namespace {

using Bgr = std::array<std::uint8_t, 3>;

// The filter step by step as the procedure reads: the padded view, every padded pixel written
// into a separate result (which starts as the source, for pixels nothing writes), border
// columns, sliding sums.
EffectsTestRaster ReferenceWallis(EffectsTestRaster& source, const WallisArguments& a) {
  const int w = source.Width();
  const int h = source.Height();
  const int ww = WallisWindowSize(a.WindowWidthPercent, std::min(w, h));
  const int wh = WallisWindowSize(a.WindowHeightPercent, std::min(w, h));
  const int hw = (ww + 1) / 2;
  const int hh = (wh + 1) / 2;
  const double n = static_cast<double>(ww) * wh;
  const int xe = (w + 29) - hw;
  const double md = a.TargetMean * 1.0 / 100;
  const double sd = a.TargetDeviation * 3.0 / 100;
  const double gain = a.Gain * 100.0 / 100;
  const double alpha = a.MeanWeight * 1.0 / 100;
  const double smax = a.DeviationLimit * 6.0 / 100;
  auto padded = [&](int x, int y) {
    return source.Bgr(std::clamp(x - 15, 0, w - 1), std::clamp(y - 15, 0, h - 1));
  };
  auto lightness = [&](int x, int y) {
    const Bgr p = padded(x, y);
    return RgbToHsl(p[2], p[1], p[0]).Lightness;
  };
  EffectsTestRaster result;
  result.Assign(&source);
  auto write = [&](int x, int y, Bgr bgr) {
    result.SetBgr(std::clamp(x - 15, 0, w - 1), std::clamp(y - 15, 0, h - 1), bgr[0], bgr[1],
                  bgr[2]);
  };
  auto border = [&](int x, int y) { write(x, y, a.Threshold ? Bgr{255, 255, 255} : padded(x, y)); };
  std::vector<long double> sum1(static_cast<std::size_t>(w + 30));
  std::vector<long double> sum2(static_cast<std::size_t>(w + 30));
  for (int row = 0; row < wh; ++row) {
    for (int x = 0; x < w + 30; ++x) {
      const double l = lightness(x, row);
      sum1[x] += l;
      sum2[x] += static_cast<long double>(l) * l;
    }
  }
  for (int y = 0; y <= h + 29; ++y) {
    if (!(y - hh >= 0 && y + hh <= h + 29))
      continue;
    double s1 = 0.0;
    double s2 = 0.0;
    for (int x = 0; x < ww && x < w + 30; ++x) {
      s1 = static_cast<double>(s1 + sum1[x]);
      s2 = static_cast<double>(s2 + sum2[x]);
    }
    for (int x = 0; x < hw; ++x)
      border(x, y);
    for (int x = hw; x <= xe; ++x) {
      const int k = x - hw;
      const Bgr p = padded(x, y);
      HslColor hsl = RgbToHsl(p[2], p[1], p[0]);
      const double m = s1 / n;
      double s = std::sqrt(s2 / n - m * m + 1.0);
      if (s > smax)
        s = smax;
      double l = (hsl.Lightness - m) * (gain * sd) / (gain * s + sd + 0.00001) + (1 - alpha) * m +
                 alpha * md;
      l = std::clamp(l, 0.0, 1.0);
      Bgr out;
      if (a.Threshold) {
        out.fill(l > 0.5 ? 255 : 0);
      } else {
        hsl.Lightness = l;
        HslToBgr(hsl, out.data());
      }
      write(x, y, out);
      s1 = static_cast<double>(s1 + sum1[ww + k] - sum1[k]);
      s2 = static_cast<double>(s2 + sum2[ww + k] - sum2[k]);
    }
    for (int x = xe + 1; x <= w + 29; ++x)
      border(x, y);
    for (int x = 0; x < w + 30; ++x) {
      const double out = lightness(x, y - hh);
      const double in = lightness(x, y + hh);
      sum1[x] = sum1[x] - out + in;
      sum2[x] = sum2[x] - static_cast<long double>(out) * out + static_cast<long double>(in) * in;
    }
  }
  return result;
}

TEST(WallisWindowTest, PercentOfTheShorterSideWithAFloorOf21) {
  EXPECT_EQ(WallisWindowSize(2, 1000), 21);  // 0.02 x 1029 = 20.58
  EXPECT_EQ(WallisWindowSize(2, 3000), 60);  // 0.02 x 3029 = 60.58
  EXPECT_EQ(WallisWindowSize(50, 100), 64);
  EXPECT_EQ(WallisWindowSize(-40, 100), 21);
  EXPECT_GT(WallisWindowSize(2000000000, 2000000000), 1000000);
}

TEST(WallisFilterTest, FlatLightnessSixTenthsBecomesFiftyNineHundredths) {
  // Gray 153 is lightness 0.6: the mean is 0.6 and the deviation 1.0, so
  // L' = 0.9 x 0.6 + 0.1 x 0.5 = 0.59, 150.45 rounds to 150.
  EffectsTestRaster gray(40, 30, pfBGR24);
  gray.FillBgr(153, 153, 153);
  WallisFilterRaster(gray, WallisArguments{}, {});
  // Colour (R 204, G 102, B 153) is also lightness 0.6 (saturation 0.5, hue 11/12): at 0.59,
  // q = 0.795 and p = 0.385 give red 202.7, green 98.2, blue 150.45.
  EffectsTestRaster colour(40, 30, pfBGR24);
  colour.FillBgr(153, 102, 204);
  WallisFilterRaster(colour, WallisArguments{}, {});
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 39; ++x) {
      EXPECT_EQ(gray.Bgr(x, y), (Bgr{150, 150, 150})) << x << "," << y;
      EXPECT_EQ(colour.Bgr(x, y), (Bgr{150, 98, 203})) << x << "," << y;
    }
    // The last column is written last by the right border: it keeps its colour.
    EXPECT_EQ(gray.Bgr(39, y), (Bgr{153, 153, 153})) << y;
    EXPECT_EQ(colour.Bgr(39, y), (Bgr{153, 102, 204})) << y;
  }
}

TEST(WallisFilterTest, ThresholdWritesBlackOrWhiteAndAWhiteLastColumn) {
  EffectsTestRaster image(33, 25, pfBGR24);
  image.FillRandom(4);
  WallisArguments arguments;
  arguments.Threshold = true;
  WallisFilterRaster(image, arguments, {});
  for (int y = 0; y < 25; ++y) {
    EXPECT_EQ(image.Bgr(32, y), (Bgr{255, 255, 255}));
    for (int x = 0; x < 32; ++x) {
      const Bgr p = image.Bgr(x, y);
      EXPECT_TRUE(p == (Bgr{0, 0, 0}) || p == (Bgr{255, 255, 255})) << x << "," << y;
    }
  }
}

TEST(WallisFilterTest, WindowBeyondThePaddingLeavesTheOuterBandUnfiltered) {
  // 58 % of 40 + 29 gives a 40 x 40 window: hw = hh = 20, five rows and columns more than the
  // padding. Those rows get no value and keep their pixels; those columns are borders.
  EffectsTestRaster image(40, 40, pfBGR24);
  image.FillBgr(153, 153, 153);
  WallisArguments arguments;
  arguments.WindowWidthPercent = arguments.WindowHeightPercent = 58;
  WallisFilterRaster(image, arguments, {});
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) {
      const bool filtered = x >= 5 && x <= 34 && y >= 5 && y <= 34;
      const std::uint8_t level = filtered ? 150 : 153;
      EXPECT_EQ(image.Bgr(x, y), (Bgr{level, level, level})) << x << "," << y;
    }
  }
}

struct WallisCase {
  int width, height, widthPercent, heightPercent;
  bool threshold;
};

WallisArguments ArgumentsOf(const WallisCase& c) {
  WallisArguments arguments;
  arguments.WindowWidthPercent = c.widthPercent;
  arguments.WindowHeightPercent = c.heightPercent;
  arguments.Threshold = c.threshold;
  return arguments;
}

// Windows odd and even, within and beyond the padding; row counts that leave every remainder
// of the filter's row batches and pixel counts that leave every remainder of its vector steps;
// rows filtered on the calling thread and on one or several workers.
TEST(WallisFilterTest, MatchesTheProcedureOnVariedImagesWindowsAndWorkers) {
  const WallisCase cases[] = {
      {40, 33, 2, 2, false},   {40, 33, 2, 2, true},     {1, 1, 2, 2, false},
      {1, 20, 2, 2, false},    {2, 2, 2, 2, true},       {17, 3, 2, 2, false},
      {45, 41, 60, 30, false}, {30, 36, 100, 100, true}, {26, 24, 80, 10, false},
      {64, 50, 30, 40, false}, {70, 40, 36, 2, true},    {37, 20, 2, 2, false},
      {38, 21, 2, 2, false},   {39, 22, 2, 2, true},     {42, 23, 2, 2, false},
      {300, 45, 2, 60, false}, {259, 31, 50, 2, false},  {57, 70, 2, 45, true},
      {3, 9, 2, 2, false},     {5, 4, 2, 2, true},       {7, 30, 2, 2, false}};
  for (const WallisCase& c : cases) {
    EffectsTestRaster source(c.width, c.height, pfBGR24);
    source.FillRandom(static_cast<unsigned>(c.width * 7 + c.height));
    const WallisArguments arguments = ArgumentsOf(c);
    const EffectsTestRaster expected = ReferenceWallis(source, arguments);
    for (std::size_t workers : {0u, 1u, 3u}) {
      EffectsTestRaster image;
      image.Assign(&source);
      WallisFilterRaster(image, arguments, {}, workers);
      EXPECT_TRUE(image == expected) << c.width << "x" << c.height << " " << c.widthPercent << "% "
                                     << c.heightPercent << "% on " << workers << " workers";
    }
  }
}

// Smooth areas with flat runs, as in photos: equal column sums entering and leaving the window.
TEST(WallisFilterTest, MatchesTheProcedureOnALargeBandedImageWithTheMachinesCores) {
  const int width = 530;
  const int height = 500;
  EffectsTestRaster image(width, height, pfBGR24);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int band = (x / 40 + y / 25) % 5;
      image.SetBgr(x, y, static_cast<std::uint8_t>(band * 50), static_cast<std::uint8_t>(x % 256),
                   static_cast<std::uint8_t>(y < 250 ? 200 : (x * y) % 256));
    }
  }
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  const EffectsTestRaster expected = ReferenceWallis(image, WallisArguments{});
  WallisFilterRaster(image, WallisArguments{}, {}, WallisWorkers(width, height, cores));
  EXPECT_TRUE(image == expected);
}

TEST(WallisFilterTest, LargeImagesUseTheBudgetSmallOnesStayOnTheCallingThread) {
  EXPECT_EQ(WallisWorkers(100, 100, 8), 0u);
  EXPECT_EQ(WallisWorkers(1, 1000000, 1), 0u);
  EXPECT_EQ(WallisWorkers(1, 1000000, 3), 2u);
}

TEST(WallisFilterTest, ProgressOncePerPaddedRow) {
  EffectsTestRaster image(12, 10, pfBGR24);
  image.FillRandom(2);
  std::vector<int> percents;
  WallisFilterRaster(image, WallisArguments{}, [&](int percent) { percents.push_back(percent); });
  ASSERT_EQ(percents.size(), 40u);
  EXPECT_EQ(percents.front(), 1);
  EXPECT_EQ(percents[20], 51);
  EXPECT_EQ(percents.back(), 98);  // trunc(39 / 40 x 100) + 1
}

TEST(WallisFilterTest, LeavesOtherFormatsAlone) {
  EffectsTestRaster image(30, 30, pfGray8);
  image.FillRandom(9);
  EffectsTestRaster before;
  before.Assign(&image);
  WallisFilterRaster(image, WallisArguments{}, {});
  EXPECT_TRUE(image == before);
}

}  // namespace
