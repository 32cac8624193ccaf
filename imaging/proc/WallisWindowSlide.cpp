#include "imaging/proc/WallisWindowSlide.h"

namespace {

template <std::size_t Rows>
void SlideRows(const WallisColumnSums* const* columnSums, const WallisSlideRange& range,
               double* const* sums, double* const* squares) {
  double sum[Rows] = {};
  double square[Rows] = {};
  for (std::size_t x = 0; x < static_cast<std::size_t>(range.Width); ++x) {
    for (std::size_t r = 0; r < Rows; ++r) {
      sum[r] = static_cast<double>(sum[r] + columnSums[r]->Sum(x));
      square[r] = static_cast<double>(square[r] + columnSums[r]->Square(x));
    }
  }
  for (int x = range.HalfWidth;; ++x) {
    if (x >= range.FirstKept) {
      const std::size_t kept = static_cast<std::size_t>(x - range.FirstKept);
      for (std::size_t r = 0; r < Rows; ++r) {
        sums[r][kept] = sum[r];
        squares[r][kept] = square[r];
      }
    }
    if (x == range.LastKept)
      return;
    const std::size_t enter = static_cast<std::size_t>(range.Width + x - range.HalfWidth);
    const std::size_t leave = static_cast<std::size_t>(x - range.HalfWidth);
    for (std::size_t r = 0; r < Rows; ++r) {
      const WallisColumnSums& columns = *columnSums[r];
      sum[r] = static_cast<double>(sum[r] + columns.Sum(enter) - columns.Sum(leave));
      square[r] = static_cast<double>(square[r] + columns.Square(enter) - columns.Square(leave));
    }
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
