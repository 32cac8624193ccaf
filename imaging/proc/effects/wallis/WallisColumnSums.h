#pragma once

#include <cstddef>
#include <vector>

/// Per padded column, the lightness sum and the squared-lightness sum of the window's rows, in
/// extended precision. Each extended value is kept as two doubles whose exact sum it is (the
/// nearest double and the remainder, which needs at most 12 bits): it travels through memory as
/// plain doubles rather than in the slow 80-bit format, and comes back unchanged.
class WallisColumnSums {
 public:
  /// Zero sums for `columns` columns.
  void Reset(std::size_t columns);

  /// Adds a row of lightness values, and their squares, to the sums.
  void AddRow(const double* lightness);

  /// Sets these sums to `from` with the `leaving` row taken out and the `entering` row added,
  /// column by column in that order.
  void MoveFrom(const WallisColumnSums& from, const double* leaving, const double* entering);

  /// The two parts of the sums, for loops that rebuild many of them: Sum(x) is
  /// SumHigh()[x] + SumLow()[x] in extended precision, likewise for the squares.
  const double* SumHigh() const { return sumHigh_.data(); }
  const double* SumLow() const { return sumLow_.data(); }
  const double* SquareHigh() const { return squareHigh_.data(); }
  const double* SquareLow() const { return squareLow_.data(); }

  long double Sum(std::size_t x) const {
    return static_cast<long double>(sumHigh_[x]) + sumLow_[x];
  }
  long double Square(std::size_t x) const {
    return static_cast<long double>(squareHigh_[x]) + squareLow_[x];
  }

 private:
  static void Store(long double value, double& high, double& low) {
    high = static_cast<double>(value);
    low = static_cast<double>(value - high);
  }

  std::vector<double> sumHigh_;
  std::vector<double> sumLow_;
  std::vector<double> squareHigh_;
  std::vector<double> squareLow_;
};
