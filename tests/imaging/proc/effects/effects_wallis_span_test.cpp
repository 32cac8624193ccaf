#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <random>
#include <vector>

#include "imaging/proc/effects/wallis/WallisSpan.h"
#include "platform/VectorPath.h"
#include "tests/imaging/proc/effects/HslReference.h"

namespace {

constexpr int kWindow = 21;

// One pixel as the procedure reads, from its window's lightness sums.
std::array<std::uint8_t, 3> ReferencePixel(const std::uint8_t* bgr, double sum, double squares,
                                           const WallisArguments& a) {
  const double n = static_cast<double>(kWindow) * kWindow;
  const double md = a.TargetMean * 1.0 / 100;
  const double sd = a.TargetDeviation * 3.0 / 100;
  const double gain = a.Gain * 100.0 / 100;
  const double alpha = a.MeanWeight * 1.0 / 100;
  const double smax = a.DeviationLimit * 6.0 / 100;
  HslColor hsl = RgbToHsl(bgr[2], bgr[1], bgr[0]);
  const double m = sum / n;
  double s = std::sqrt(squares / n - m * m + 1.0);
  if (s > smax)
    s = smax;
  double l =
      (hsl.Lightness - m) * (gain * sd) / (gain * s + sd + 0.00001) + (1 - alpha) * m + alpha * md;
  l = std::clamp(l, 0.0, 1.0);
  std::array<std::uint8_t, 3> out;
  if (a.Threshold) {
    out.fill(l > 0.5 ? 255 : 0);
  } else {
    hsl.Lightness = l;
    HslToBgr(hsl, out.data());
  }
  return out;
}

// Returns the process to its own vector path however a test ends.
struct PathReset {
  ~PathReset() { ForceVectorPath(std::nullopt); }
};

struct SpanCase {
  std::size_t count;
  int gain;
  int deviationLimit;
  bool threshold;
};

// Spans of every remainder of one, two and four pixels a step, batch boundaries, and kernels
// whose new lightness runs past 0 and 1 or whose deviation reaches its cap. Channels come from
// a few levels so that gray pixels and ties for the largest channel are common.
TEST(WallisSpanTest, EveryPathMatchesTheProcedurePixelByPixel) {
  const SpanCase cases[] = {{1, 50, 50, false},   {2, 50, 50, true},    {3, 50, 50, false},
                            {5, 200, 50, false},  {7, 50, 1, false},    {9, 50, 50, true},
                            {255, 50, 50, false}, {256, 400, 2, false}, {257, 50, 50, false},
                            {263, 900, 50, true}};
  const std::uint8_t levels[] = {0, 1, 2, 64, 127, 128, 129, 200, 254, 255};
  const double n = static_cast<double>(kWindow) * kWindow;
  std::mt19937 generator(12);
  std::uniform_int_distribution<std::size_t> level(0, std::size(levels));
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const PathReset reset;
  for (const SpanCase& c : cases) {
    WallisArguments arguments;
    arguments.Gain = c.gain;
    arguments.DeviationLimit = c.deviationLimit;
    arguments.Threshold = c.threshold;
    std::vector<std::uint8_t> source(3 * c.count);
    for (std::uint8_t& channel : source) {
      const std::size_t pick = level(generator);
      channel =
          static_cast<std::uint8_t>(pick < std::size(levels) ? levels[pick] : byte(generator));
    }
    std::vector<double> sums(c.count);
    std::vector<double> squares(c.count);
    for (std::size_t i = 0; i < c.count; ++i) {
      const double mean = unit(generator);
      const double variance = unit(generator) * unit(generator) * 0.25;
      sums[i] = mean * n;
      squares[i] = (variance + mean * mean) * n;
    }
    for (VectorPath path : {VectorPath::Scalar, VectorPath::Sse2, VectorPath::Avx2}) {
      if (path > SupportedVectorPath())
        continue;
      ForceVectorPath(path);
      std::vector<std::uint8_t> pixels = source;
      WallisSpanFilter(arguments, kWindow, kWindow)
          .FilterSpan(pixels.data(), sums.data(), squares.data(), c.count);
      for (std::size_t i = 0; i < c.count; ++i) {
        const auto expected = ReferencePixel(&source[3 * i], sums[i], squares[i], arguments);
        ASSERT_EQ(
            (std::array<std::uint8_t, 3>{pixels[3 * i], pixels[3 * i + 1], pixels[3 * i + 2]}),
            expected)
            << "pixel " << i << " of " << c.count << " on path " << static_cast<int>(path);
      }
    }
  }
}

}  // namespace
