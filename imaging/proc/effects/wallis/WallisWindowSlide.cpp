#include "imaging/proc/effects/wallis/WallisWindowSlide.h"

namespace {

// One row's column sums as plain arrays, so that the loops below keep them in registers.
struct ColumnParts {
  const double* SumHigh;
  const double* SumLow;
  const double* SquareHigh;
  const double* SquareLow;

  long double Sum(std::size_t x) const { return static_cast<long double>(SumHigh[x]) + SumLow[x]; }
  long double Square(std::size_t x) const {
    return static_cast<long double>(SquareHigh[x]) + SquareLow[x];
  }
};

template <std::size_t Rows>
void SlideRows(const WallisColumnSums* const* columnSums, const WallisSlideRange& range,
               double* const* sums, double* const* squares) {
  ColumnParts parts[Rows];
  for (std::size_t r = 0; r < Rows; ++r) {
    parts[r] = {columnSums[r]->SumHigh(), columnSums[r]->SumLow(), columnSums[r]->SquareHigh(),
                columnSums[r]->SquareLow()};
  }
  double sum[Rows] = {};
  double square[Rows] = {};
  for (std::size_t x = 0; x < static_cast<std::size_t>(range.Width); ++x) {
    for (std::size_t r = 0; r < Rows; ++r) {
      sum[r] = static_cast<double>(sum[r] + parts[r].Sum(x));
      square[r] = static_cast<double>(square[r] + parts[r].Square(x));
    }
  }
  auto slide = [&](int x) {
    const std::size_t enter = static_cast<std::size_t>(range.Width + x - range.HalfWidth);
    const std::size_t leave = static_cast<std::size_t>(x - range.HalfWidth);
    for (std::size_t r = 0; r < Rows; ++r) {
      sum[r] = static_cast<double>(sum[r] + parts[r].Sum(enter) - parts[r].Sum(leave));
      square[r] = static_cast<double>(square[r] + parts[r].Square(enter) - parts[r].Square(leave));
    }
  };
  for (int x = range.HalfWidth; x < range.FirstKept; ++x)
    slide(x);
  for (int x = range.FirstKept;; ++x) {
    const std::size_t kept = static_cast<std::size_t>(x - range.FirstKept);
    for (std::size_t r = 0; r < Rows; ++r) {
      sums[r][kept] = sum[r];
      squares[r][kept] = square[r];
    }
    if (x == range.LastKept)
      return;
    slide(x);
  }
}

}  // namespace

void SlideWallisWindows(const WallisColumnSums* const* columnSums, std::size_t count,
                        const WallisSlideRange& range, double* const* sums,
                        double* const* squares) {
  static_assert(kWallisSlideRows == 4);
  if (range.FirstKept > range.LastKept)
    return;
  switch (count) {
    case 1:
      SlideRows<1>(columnSums, range, sums, squares);
      break;
    case 2:
      SlideRows<2>(columnSums, range, sums, squares);
      break;
    case 3:
      SlideRows<3>(columnSums, range, sums, squares);
      break;
    default:
      SlideRows<4>(columnSums, range, sums, squares);
      break;
  }
}
