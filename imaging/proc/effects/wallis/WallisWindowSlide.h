#pragma once

#include <cstddef>

#include "imaging/proc/effects/wallis/WallisColumnSums.h"

/// Where the window slides along a padded row: it starts over columns 0..Width - 1 (centred on
/// column HalfWidth) and moves one column at a time; the sums of the windows centred on columns
/// FirstKept..LastKept are kept.
struct WallisSlideRange {
  int Width;
  int HalfWidth;
  int FirstKept;
  int LastKept;
};

/// The rows handled side by side: each row's sums are a chain of roundings, and independent
/// chains in flight keep the processor busy.
constexpr std::size_t kWallisSlideRows = 4;

/// Slides the window along `count` (1..kWallisSlideRows) rows at once, each over its own column
/// sums. Each step rounds the extended sum `window + entering column - leaving column` to double,
/// so the results are those of sliding row by row. sums[r][i] and squares[r][i] receive the
/// window sums of row r centred on column FirstKept + i.
void SlideWallisWindows(const WallisColumnSums* const* columnSums, std::size_t count,
                        const WallisSlideRange& range, double* const* sums, double* const* squares);
