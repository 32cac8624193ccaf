#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/proc/effects/wallis/WallisColumnSums.h"
#include "imaging/proc/effects/wallis/WallisRaster.h"
#include "imaging/proc/effects/wallis/WallisSpan.h"
#include "imaging/proc/effects/wallis/WallisWindowSlide.h"

/// Up to kWallisSlideRows padded rows filtered together: which column sums each one's window
/// has, and a copy of each one's image row, filtered in place.
struct WallisBatch {
  std::size_t Rows = 0;
  int PaddedRow[kWallisSlideRows] = {};
  int Slot[kWallisSlideRows] = {};
  std::vector<std::uint8_t> Pixels;  // Rows image rows of pfBGR24 pixels, one after the other
};

/// The columns of a padded row, as the filter sees them.
struct WallisRowLayout {
  int ImageWidth;
  int WindowWidth;
  int HalfWidth;
  int LastPaddedColumn;
  int LastFilteredColumn;
  bool Threshold;

  // Padded columns that are filtered and are the last to write their image column.
  int FirstWritten() const;
  int LastWritten() const;
};

/// Filters batches of rows. Holds the scratch space of one thread: each thread needs its own.
class WallisBatchFilter {
 public:
  WallisBatchFilter(const WallisArguments& arguments, const WallisRowLayout& layout,
                    int windowHeight);

  /// Filters the batch's pixel rows from the column sums slots[batch.Slot[r]].
  void Filter(WallisBatch& batch, const std::vector<WallisColumnSums>& slots);

 private:
  void WriteRow(std::uint8_t* pixels, std::size_t span);

  WallisRowLayout layout_;
  WallisSpanFilter filter_;
  std::vector<double> sums_[kWallisSlideRows];
  std::vector<double> squares_[kWallisSlideRows];
};
