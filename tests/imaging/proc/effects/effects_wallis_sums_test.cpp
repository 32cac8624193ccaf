#include <gtest/gtest.h>

#include <cstddef>
#include <random>
#include <vector>

#include "imaging/proc/effects/wallis/HslLightness.h"
#include "imaging/proc/effects/wallis/WallisColumnSums.h"
#include "imaging/proc/effects/wallis/WallisWindowSlide.h"

namespace {

// Extended-precision column sums kept the plain way, beside the double pairs.
struct PlainSums {
  std::vector<long double> Sums;
  std::vector<long double> Squares;
};

std::vector<double> LightnessRow(std::mt19937& generator, std::size_t columns) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<double> row(columns);
  for (double& value : row) {
    value = HslLightnessOf(static_cast<std::uint8_t>(byte(generator)),
                           static_cast<std::uint8_t>(byte(generator)),
                           static_cast<std::uint8_t>(byte(generator)));
  }
  return row;
}

// The pairs must give back every bit of the extended sums: large sums whose additions round,
// rows leaving and entering, and rows of black and white that leave only rounding residue.
TEST(WallisColumnSumsTest, PairsHoldTheExtendedSumsExactly) {
  constexpr std::size_t kColumns = 37;
  std::mt19937 generator(11);
  std::vector<std::vector<double>> rows;
  for (int r = 0; r < 90; ++r)
    rows.push_back(LightnessRow(generator, kColumns));
  for (int r = 0; r < 40; ++r)
    rows.emplace_back(kColumns, r % 2 == 0 ? 0.0 : 1.0);

  WallisColumnSums sums[2];
  sums[0].Reset(kColumns);
  PlainSums plain{std::vector<long double>(kColumns), std::vector<long double>(kColumns)};
  constexpr std::size_t kWindow = 60;
  for (std::size_t r = 0; r < kWindow; ++r) {
    sums[0].AddRow(rows[r].data());
    for (std::size_t x = 0; x < kColumns; ++x) {
      plain.Sums[x] += rows[r][x];
      plain.Squares[x] += static_cast<long double>(rows[r][x]) * rows[r][x];
    }
  }
  int current = 0;
  for (std::size_t r = kWindow; r < rows.size(); ++r) {
    const double* leaving = rows[r - kWindow].data();
    sums[1 - current].MoveFrom(sums[current], leaving, rows[r].data());
    current = 1 - current;
    for (std::size_t x = 0; x < kColumns; ++x) {
      plain.Sums[x] = plain.Sums[x] - leaving[x] + rows[r][x];
      plain.Squares[x] = plain.Squares[x] - static_cast<long double>(leaving[x]) * leaving[x] +
                         static_cast<long double>(rows[r][x]) * rows[r][x];
      ASSERT_EQ(sums[current].Sum(x), plain.Sums[x]) << "row " << r << " column " << x;
      ASSERT_EQ(sums[current].Square(x), plain.Squares[x]) << "row " << r << " column " << x;
    }
  }
}

// Sliding several rows side by side gives each row's sums as sliding it alone.
TEST(WallisColumnSumsTest, RowsSlideTogetherAsEachAlone) {
  constexpr std::size_t kColumns = 70;
  std::mt19937 generator(5);
  std::vector<WallisColumnSums> rows(kWallisSlideRows);
  for (WallisColumnSums& sums : rows) {
    sums.Reset(kColumns);
    for (int r = 0; r < 25; ++r)
      sums.AddRow(LightnessRow(generator, kColumns).data());
  }
  const WallisSlideRange range{23, 12, 15, 46};
  const std::size_t kept = static_cast<std::size_t>(range.LastKept - range.FirstKept + 1);
  std::vector<std::vector<double>> together(2 * kWallisSlideRows, std::vector<double>(kept));
  const WallisColumnSums* all[kWallisSlideRows];
  double* sums[kWallisSlideRows];
  double* squares[kWallisSlideRows];
  for (std::size_t r = 0; r < kWallisSlideRows; ++r) {
    all[r] = &rows[r];
    sums[r] = together[r].data();
    squares[r] = together[kWallisSlideRows + r].data();
  }
  for (std::size_t count = 1; count <= kWallisSlideRows; ++count) {
    SlideWallisWindows(all, count, range, sums, squares);
    for (std::size_t r = 0; r < count; ++r) {
      std::vector<double> aloneSums(kept);
      std::vector<double> aloneSquares(kept);
      double* aloneSum = aloneSums.data();
      double* aloneSquare = aloneSquares.data();
      SlideWallisWindows(&all[r], 1, range, &aloneSum, &aloneSquare);
      EXPECT_EQ(aloneSums, together[r]) << count << " rows, row " << r;
      EXPECT_EQ(aloneSquares, together[kWallisSlideRows + r]) << count << " rows, row " << r;
    }
  }
}

}  // namespace
