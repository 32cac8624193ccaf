#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/proc/resample/ContributionResampler.h"
#include "imaging/proc/resample/FastLinearResampler.h"
#include "tests/imaging/proc/resample/ResampleTestImages.h"

namespace {

// The eight kernels and supports, written out from their definitions.
double Support(TResampleFilter f) {
  const double supports[] = {0, 1, 1, 1.5, 2, 3, 2, 1, 1};
  return supports[f];
}

double Kernel(TResampleFilter f, double x) {
  const double a = std::fabs(x);
  auto sinc = [](double t) {
    return t == 0 ? 1.0 : std::sin(std::numbers::pi * t) / (std::numbers::pi * t);
  };
  switch (f) {
    case rfTriangle:
      return a < 1 ? 1 - a : 0;
    case rfHermite:
      return a < 1 ? 2 * a * a * a - 3 * a * a + 1 : 0;
    case rfBell:
      return a < 0.5 ? 0.75 - a * a : (a < 1.5 ? 0.5 * std::pow(a - 1.5, 2) : 0);
    case rfBSpline:
      return a < 1 ? 0.5 * a * a * a - a * a + 2.0 / 3 : (a < 2 ? std::pow(2 - a, 3) / 6 : 0);
    case rfLanczos3:
      return a < 3 ? sinc(x) * sinc(x / 3) : 0;
    case rfMitchell: {
      const double b = 1.0 / 3, c = 1.0 / 3;
      if (a < 1)
        return ((12 - 9 * b - 6 * c) * a * a * a + (-18 + 12 * b + 6 * c) * a * a + (6 - 2 * b)) /
               6;
      if (a < 2)
        return ((-b - 6 * c) * a * a * a + (6 * b + 30 * c) * a * a + (-12 * b - 48 * c) * a +
                (8 * b + 24 * c)) /
               6;
      return 0;
    }
    case rfNearest:
      return x > -0.5 && x <= 0.5 ? 1 : 0;
    case rfLinear:
      return x >= -1 && x < 1 ? 1 - a : 0;
    default:
      return 0;
  }
}

// One axis of the reference: integer weights as the filter defines them, sums in doubles.
std::vector<std::vector<std::pair<int, double>>> Weights(TResampleFilter f, int size, int target) {
  const double s =
      (size == 1 || target == 1) ? double(target) / size : double(target - 1) / (size - 1);
  const double radius = s >= 1 ? Support(f) : Support(f) / s;
  std::vector<std::vector<std::pair<int, double>>> lists(target);
  for (int i = 0; i < target; ++i) {
    const double centre = i / s;
    for (int k = int(std::floor(centre - radius)); k <= int(std::ceil(centre + radius)); ++k) {
      const double w =
          std::nearbyint((s >= 1 ? Kernel(f, centre - k) : Kernel(f, (centre - k) * s) * s) * 256);
      int index = k < 0 ? -k : (k >= size ? 2 * size - 1 - k : k);
      index = std::clamp(index, 0, size - 1);
      if (w != 0)
        lists[i].push_back({index, w});
    }
  }
  return lists;
}

int Apply(const std::vector<std::pair<int, double>>& list, const std::function<int(int)>& value) {
  double sum = 0, total = 0;
  for (auto [index, w] : list)
    sum += w * value(index), total += w;
  const double v = total != 0 ? std::trunc(sum / total) : std::floor(sum / 256);
  return int(std::clamp(v, 0.0, 255.0));
}

TEST(ResampleContribution, EachKernelMatchesADoubleEvaluation) {
  const int shapes[][4] = {{13, 9, 29, 20}, {29, 20, 11, 7}, {17, 3, 17, 8}};
  for (int f = rfTriangle; f <= rfLinear; ++f)
    for (const auto& shape : shapes) {
      const auto filter = static_cast<TResampleFilter>(f);
      TImgBitmap source, target;
      FillRandomBgr(source, shape[0], shape[1], 21);
      target.Allocate(shape[2], shape[3], pfBGR24);
      ContributionResample(source, target, filter, ContributionLayout::kBgr24, {});
      const auto columns = Weights(filter, shape[0], shape[2]);
      const auto rows = Weights(filter, shape[1], shape[3]);
      for (int c = 0; c < 3; ++c) {
        std::vector<std::vector<int>> work(shape[1], std::vector<int>(shape[2]));
        for (int y = 0; y < shape[1]; ++y)
          for (int i = 0; i < shape[2]; ++i)
            work[y][i] = Apply(columns[i], [&](int x) { return BgrAt(source, x, y, c); });
        for (int j = 0; j < shape[3]; ++j)
          for (int i = 0; i < shape[2]; ++i) {
            const int expected = Apply(rows[j], [&](int y) { return work[y][i]; });
            ASSERT_NEAR(BgrAt(target, i, j, c), expected, 1)
                << "filter " << f << " at " << i << "," << j;
          }
      }
    }
}

TEST(ResampleContribution, InterpolatingKernelsKeepTheImageAtItsSize) {
  for (TResampleFilter filter : {rfTriangle, rfHermite, rfLanczos3, rfNearest, rfLinear}) {
    TImgBitmap source, target;
    FillRandomBgr(source, 11, 7, 5);
    target.Allocate(11, 7, pfBGR24);
    ContributionResample(source, target, filter, ContributionLayout::kBgr24, {});
    EXPECT_EQ(MaxDifference(source, target), 0) << filter;
  }
}

TEST(ResampleContribution, BitAndByteVariantsReadTheSameLevels) {
  TImgBitmap bits, bytes, gray, bgr;
  auto white = [](int x, int y) { return (x * 3 + y) % 5 < 2; };
  FillBits(bits, 19, 6, white);
  bytes.Allocate(19, 6, pfGray8);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 19; ++x)
      bytes.RowPtr(y)[x] = white(x, y) ? 255 : 0;
  bgr.Allocate(7, 10, pfBGR24);
  gray.Allocate(7, 10, pfGray8);
  ContributionResample(bits, bgr, rfMitchell, ContributionLayout::kBitToGray24, {});
  ContributionResample(bytes, gray, rfMitchell, ContributionLayout::kGray8, {});
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 7; ++x)
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(BgrAt(bgr, x, y, c), gray.RowPtr(y)[x]);
}

// The fast path's rule per axis, from its definition: linear in 17-bit steps when enlarging,
// else the integer mean of the covered source indices.
int FastAxis(int i, int target, int size, bool withEndSlack, const std::function<int(int)>& v) {
  const double ratio = double(target) / size;
  const double position = i / ratio;
  const int first = int(position);
  if (ratio > 1) {
    const int fraction = int((position - first) * 131072);
    const int a = v(first), b = v(std::min(first + 1, size - 1));
    return a + int((long long)(b - a) * fraction / 131072);
  }
  const int last = int(std::min(i + 1, target - 1) / ratio + (withEndSlack ? 1e-10 : 0));
  int sum = 0;
  for (int k = first; k <= last; ++k)
    sum += v(k);
  return sum / (last - first + 1);
}

TEST(ResampleFastLinear, FollowsItsAxisRules) {
  const int shapes[][4] = {{12, 10, 5, 4}, {5, 4, 13, 11}, {9, 6, 9, 6}, {8, 9, 20, 3}};
  for (const auto& shape : shapes) {
    TImgBitmap source, target;
    FillRandomBgr(source, shape[0], shape[1], 8);
    target.Allocate(shape[2], shape[3], pfBGR24);
    FastLinearResample(source, target, 3, {});
    if (shape[0] == shape[2] && shape[1] == shape[3]) {
      EXPECT_EQ(MaxDifference(source, target), 0) << "the same size is a plain copy";
      continue;
    }
    for (int j = 0; j < shape[3]; ++j)
      for (int i = 0; i < shape[2]; ++i)
        for (int c = 0; c < 3; ++c) {
          const int expected = FastAxis(j, shape[3], shape[1], false, [&](int y) {
            return FastAxis(i, shape[2], shape[0], true,
                            [&](int x) { return BgrAt(source, x, y, c); });
          });
          ASSERT_EQ(BgrAt(target, i, j, c), expected) << i << "," << j;
        }
  }
}

}  // namespace
