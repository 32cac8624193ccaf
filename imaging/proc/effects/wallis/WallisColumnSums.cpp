#include "imaging/proc/effects/wallis/WallisColumnSums.h"

void WallisColumnSums::Reset(std::size_t columns) {
  sumHigh_.assign(columns, 0.0);
  sumLow_.assign(columns, 0.0);
  squareHigh_.assign(columns, 0.0);
  squareLow_.assign(columns, 0.0);
}

void WallisColumnSums::AddRow(const double* lightness) {
  for (std::size_t x = 0; x < sumHigh_.size(); ++x) {
    const long double value = lightness[x];
    Store(Sum(x) + value, sumHigh_[x], sumLow_[x]);
    Store(Square(x) + value * value, squareHigh_[x], squareLow_[x]);
  }
}

void WallisColumnSums::MoveFrom(const WallisColumnSums& from, const double* leaving,
                                const double* entering) {
  const std::size_t columns = from.sumHigh_.size();
  sumHigh_.resize(columns);
  sumLow_.resize(columns);
  squareHigh_.resize(columns);
  squareLow_.resize(columns);
  for (std::size_t x = 0; x < columns; ++x) {
    const long double out = leaving[x];
    const long double in = entering[x];
    Store(from.Sum(x) - out + in, sumHigh_[x], sumLow_[x]);
    Store(from.Square(x) - out * out + in * in, squareHigh_[x], squareLow_[x]);
  }
}
