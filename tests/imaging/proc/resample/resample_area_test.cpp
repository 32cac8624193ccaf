#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include "imaging/core/RowSource.h"
#include "imaging/core/TImgBitmap.h"
#include "imaging/proc/resample/AreaResampler.h"
#include "tests/imaging/proc/resample/ResampleTestImages.h"

namespace {

// The area resampler written out the slow, obvious way: one walk per strip over the segment
// table, each piece interpolated and weighted on its own. The real one regroups these sums.
// Truncations allow for summation error, so that exact levels (flat areas) stay exact.
class LiteralAreaResampler {
 public:
  LiteralAreaResampler(TImgBitmap& source, bool cubic)
      : source_(source), cubic_(cubic), w_(source.Width()), h_(source.Height()) {}

  std::vector<int> Run(int width, int height) {
    const double gx = static_cast<double>(w_) / width, gy = static_cast<double>(h_) / height;
    mode_ = (gx < 1 ? 0 : 2) + (gy < 1 ? 0 : 1);  // 0 both, 1 x only, 2 y only, 3 none
    std::vector<double> segments;
    double p = 0, sb = 1, tb = gx;
    for (int done = 0; done < width;) {
      if (sb + 0.0001 >= tb) {
        segments.push_back(tb - p), p = tb, tb += gx, ++done;
      } else {
        segments.push_back(sb - p), p = sb, sb += 1;
      }
    }
    std::vector<int> result(static_cast<std::size_t>(width) * height * 3);
    std::vector<double> acc(static_cast<std::size_t>(width) * 3, 0.0);
    double y = 0, d = 0;
    int j = 0, remaining = height;
    while (remaining > 0) {
      double fy = 1, stripHeight = 0;
      const bool sourceEnd = (j + 1) + 0.0001 < d + gy;
      if (sourceEnd) {
        stripHeight = (j + 1) - y;
      } else {
        fy = d + gy - j, stripHeight = d + gy - y, d += gy;
      }
      y += stripHeight;
      const int rows[4] = {j <= 0 ? j : j - 1, j, j >= h_ - 1 ? j : j + 1,
                           j + 1 >= h_ - 1 ? (j >= h_ - 1 ? j : j + 1) : j + 2};
      int i = 0, t = 0;
      double sBound = 1, tBound = gx;
      for (double length : segments) {
        const bool targetEnd = sBound + 0.0001 >= tBound;
        const double fx = targetEnd ? tBound - i : 1.0;
        for (int c = 0; c < 3; ++c)
          acc[t * 3 + c] += length * stripHeight * Value(rows, std::min(i, w_ - 1), c, fx, fy);
        if (targetEnd) {
          ++t, tBound += gx;
        } else {
          ++i, sBound += 1;
        }
      }
      if (sourceEnd) {
        ++j;
      } else {
        const int row = height - remaining;
        for (int k = 0; k < width * 3; ++k) {
          const double v = std::trunc(acc[k] * (1.0 / (gx * gy)) + kSlack);
          result[static_cast<std::size_t>(row) * width * 3 + k] =
              static_cast<int>(std::clamp(v, 0.0, 255.0));
          acc[k] = 0;
        }
        --remaining;
      }
    }
    return result;
  }

 private:
  static double Kernel(double s) {
    if (s < 1)
      return s * s * s - 2 * s * s + 1;
    if (s < 2)
      return -s * s * s + 5 * s * s - 8 * s + 4;
    return 0;
  }
  static double Cubic(double l, double m, double r, double f, double fr) {
    const double v = l * Kernel(fr + 1) + m * Kernel(fr) + r * Kernel(std::fabs(fr - 1)) +
                     f * Kernel(std::fabs(fr - 2));
    return std::clamp(v, 0.0, 255.0);
  }
  double Pixel(int row, int column, int c) { return source_.RowPtr(row)[column * 3 + c]; }
  double InterpolateRow(int row, int i, int c, double fx) {
    const int l = i <= 0 ? i : i - 1, r = i >= w_ - 1 ? i : i + 1;
    const int f = i + 1 >= w_ - 1 ? r : i + 2;
    if (!cubic_)
      return (1 - fx) * Pixel(row, i, c) + fx * Pixel(row, r, c);
    const double v = Pixel(row, l, c) * Kernel(fx + 1) + Pixel(row, i, c) * Kernel(fx) +
                     Pixel(row, r, c) * Kernel(std::fabs(fx - 1)) +
                     Pixel(row, f, c) * Kernel(std::fabs(fx - 2));
    return std::clamp(v, 0.0, 255.0);
  }
  double Value(const int rows[4], int i, int c, double fx, double fy) {
    if (mode_ == 3)
      return Pixel(rows[1], i, c);
    if (mode_ == 1)
      return InterpolateRow(rows[1], i, c, fx);
    double v[4];
    for (int k = 0; k < 4; ++k) {
      v[k] = mode_ == 2 ? Pixel(rows[k], i, c) : InterpolateRow(rows[k], i, c, fx);
      if (mode_ == 0 && cubic_)
        v[k] = std::trunc(v[k] + kSlack);
    }
    if (!cubic_)
      return (1 - fy) * v[1] + fy * v[2];
    return Cubic(v[0], v[1], v[2], v[3], fy);
  }

  static constexpr double kSlack = 1e-9;
  TImgBitmap& source_;
  bool cubic_;
  int w_, h_, mode_ = 3;
};

// Hands out a picture's rows as a decoder does: only the newest four may be asked for, and each
// through a pointer that goes stale at the next call (its bytes are then overwritten).
class ForwardOnlyRows : public TRowSource {
 public:
  explicit ForwardOnlyRows(TImgBitmap& bitmap) : bitmap_(bitmap) {}
  int Width() override { return bitmap_.Width(); }
  int Height() override { return bitmap_.Height(); }
  const std::uint8_t* Row(int y) override {
    EXPECT_GE(y, lowest_ + 1 - 4) << "row " << y << " asked for after row " << lowest_;
    lowest_ = std::max(lowest_, y);
    std::fill(handedOut_.begin(), handedOut_.end(), 0xA5);
    const std::uint8_t* row = bitmap_.RowPtr(y);
    handedOut_.assign(row, row + 3 * static_cast<std::size_t>(Width()));
    return handedOut_.data();
  }

 private:
  TImgBitmap& bitmap_;
  int lowest_ = 0;
  std::vector<std::uint8_t> handedOut_;
};

struct Ratio {
  int sourceWidth, sourceHeight, width, height;
};

class AreaAgainstLiteral : public ::testing::TestWithParam<Ratio> {};

TEST_P(AreaAgainstLiteral, MatchesTheWalkPieceByPiece) {
  const Ratio r = GetParam();
  for (bool cubic : {true, false}) {
    TImgBitmap source;
    FillRandomBgr(source, r.sourceWidth, r.sourceHeight, 7);
    TImgBitmap target;
    target.Allocate(r.width, r.height, pfBGR24);
    AreaResample(source, target, cubic, {});
    const std::vector<int> expected = LiteralAreaResampler(source, cubic).Run(r.width, r.height);
    int offByOne = 0;
    for (int y = 0; y < r.height; ++y)
      for (int k = 0; k < r.width * 3; ++k) {
        const int diff = std::abs(target.RowPtr(y)[k] - expected[y * r.width * 3 + k]);
        ASSERT_LE(diff, 1) << "cubic " << cubic << " at row " << y << " byte " << k;
        offByOne += diff;
      }
    // One level only where a truncation meets a value within rounding error: rare.
    EXPECT_LE(offByOne, r.width * r.height * 3 / 50 + 1) << "cubic " << cubic;

    // Row by row from a source read once from the top down: the very same bytes, and the
    // newest four rows may be asked for again.
    ForwardOnlyRows streamed(source);
    const std::unique_ptr<TRowSource> rows =
        AreaResampledRowsOf(streamed, r.width, r.height, cubic);
    const auto rowBytes = static_cast<std::size_t>(r.width) * 3;
    for (int y = 0; y < r.height; ++y) {
      ASSERT_EQ(std::memcmp(rows->Row(y), target.RowPtr(y), rowBytes), 0) << "row " << y;
      const int again = std::max(0, y - 3);
      ASSERT_EQ(std::memcmp(rows->Row(again), target.RowPtr(again), rowBytes), 0) << again;
    }
    if (r.height > 4) {
      EXPECT_THROW(rows->Row(r.height - 5), std::out_of_range);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, AreaAgainstLiteral,
                         ::testing::Values(Ratio{37, 23, 100, 61}, Ratio{37, 23, 80, 11},
                                           Ratio{37, 23, 13, 50}, Ratio{37, 23, 13, 7},
                                           Ratio{100, 80, 33, 27}, Ratio{7, 5, 50, 45},
                                           Ratio{64, 48, 21, 16}, Ratio{3, 2, 7, 5},
                                           Ratio{2, 3, 1, 1}, Ratio{1, 9, 4, 4},
                                           Ratio{10, 10, 30, 3}, Ratio{64, 48, 32, 24}));

TEST(AreaResample, EqualSizeReproducesTheImage) {
  for (bool cubic : {true, false}) {
    TImgBitmap source, target;
    FillRandomBgr(source, 29, 17, 3);
    target.Allocate(29, 17, pfBGR24);
    AreaResample(source, target, cubic, {});
    EXPECT_EQ(MaxDifference(source, target), 0) << "cubic " << cubic;
  }
}

TEST(AreaResample, HalvingGivesTruncatedBlockMeans) {
  TImgBitmap source, target;
  FillRandomBgr(source, 40, 30, 11);
  target.Allocate(20, 15, pfBGR24);
  AreaResample(source, target, true, {});
  for (int y = 0; y < 15; ++y)
    for (int x = 0; x < 20; ++x)
      for (int c = 0; c < 3; ++c) {
        const int sum = BgrAt(source, 2 * x, 2 * y, c) + BgrAt(source, 2 * x + 1, 2 * y, c) +
                        BgrAt(source, 2 * x, 2 * y + 1, c) + BgrAt(source, 2 * x + 1, 2 * y + 1, c);
        ASSERT_EQ(BgrAt(target, x, y, c), sum / 4) << x << "," << y;
      }
}

TEST(AreaResample, EnlargedHardEdgeNeitherWrapsNorRings) {
  TImgBitmap source, target;
  FillBgr(source, 8, 4, [](int x, int, int) { return x < 4 ? 0 : 255; });
  target.Allocate(61, 9, pfBGR24);
  AreaResample(source, target, true, {});
  for (int y = 0; y < 9; ++y) {
    EXPECT_EQ(BgrAt(target, 0, y, 0), 0);
    EXPECT_EQ(BgrAt(target, 60, y, 2), 255);
    // Overshoot clamped at 0 and 255 keeps the ramp monotonic; a wrapped byte would break it.
    for (int x = 1; x < 61; ++x)
      ASSERT_GE(BgrAt(target, x, y, 1), BgrAt(target, x - 1, y, 1));
  }
}

TEST(AreaResample, SinglePixelBecomesFlat) {
  const int sizes[][2] = {{1, 1}, {5, 3}, {64, 1}, {1, 40}, {17, 29}};
  for (bool cubic : {true, false})
    for (const auto& size : sizes) {
      TImgBitmap source, target;
      FillBgr(source, 1, 1, [](int, int, int c) { return 40 + 70 * c; });
      target.Allocate(size[0], size[1], pfBGR24);
      AreaResample(source, target, cubic, {});
      for (int y = 0; y < size[1]; ++y)
        for (int x = 0; x < size[0]; ++x)
          for (int c = 0; c < 3; ++c)
            ASSERT_EQ(BgrAt(target, x, y, c), 40 + 70 * c);
    }
}

TEST(AreaResample, ReportsRisingProgressUpToHundred) {
  TImgBitmap source, target;
  FillRandomBgr(source, 30, 20, 5);
  target.Allocate(12, 8, pfBGR24);
  std::vector<int> seen;
  AreaResample(source, target, true, [&](int percent) { seen.push_back(percent); });
  ASSERT_EQ(seen.size(), 8u);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.front(), 12);
  EXPECT_EQ(seen.back(), 100);
}

}  // namespace
