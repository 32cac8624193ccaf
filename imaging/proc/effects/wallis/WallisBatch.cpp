#include "imaging/proc/effects/wallis/WallisBatch.h"

#include <algorithm>

#include "imaging/proc/effects/wallis/WallisLightnessRows.h"

int WallisRowLayout::FirstWritten() const {
  return std::max(HalfWidth, kWallisPad);
}

int WallisRowLayout::LastWritten() const {
  return std::min(LastFilteredColumn, ImageWidth + kWallisPad - 2);
}

WallisBatchFilter::WallisBatchFilter(const WallisArguments& arguments,
                                     const WallisRowLayout& layout, int windowHeight)
    : layout_(layout), filter_(arguments, layout.WindowWidth, windowHeight) {
  for (std::size_t r = 0; r < kWallisSlideRows; ++r) {
    sums_[r].resize(static_cast<std::size_t>(layout.ImageWidth));
    squares_[r].resize(static_cast<std::size_t>(layout.ImageWidth));
  }
}

void WallisBatchFilter::Filter(WallisBatch& batch, const std::vector<WallisColumnSums>& slots) {
  const WallisColumnSums* columnSums[kWallisSlideRows];
  double* sums[kWallisSlideRows];
  double* squares[kWallisSlideRows];
  for (std::size_t r = 0; r < batch.Rows; ++r) {
    columnSums[r] = &slots[static_cast<std::size_t>(batch.Slot[r])];
    sums[r] = sums_[r].data();
    squares[r] = squares_[r].data();
  }
  const WallisSlideRange range{layout_.WindowWidth, layout_.HalfWidth, layout_.FirstWritten(),
                               layout_.LastWritten()};
  SlideWallisWindows(columnSums, batch.Rows, range, sums, squares);
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(layout_.ImageWidth);
  for (std::size_t r = 0; r < batch.Rows; ++r)
    WriteRow(batch.Pixels.data() + r * rowBytes, r);
}

void WallisBatchFilter::WriteRow(std::uint8_t* pixels, std::size_t span) {
  const int width = layout_.ImageWidth;
  // Image columns 0..W-2 are last written at padded column x + 15; the last image column
  // always by the right border. Border columns keep their pixel, or turn white.
  if (layout_.Threshold) {
    for (int x = 0; x < width; ++x) {
      const int padded = x == width - 1 ? layout_.LastPaddedColumn : x + kWallisPad;
      if (padded < layout_.HalfWidth || padded > layout_.LastFilteredColumn)
        pixels[3 * x] = pixels[3 * x + 1] = pixels[3 * x + 2] = 255;
    }
  }
  const int first = layout_.FirstWritten();
  const int last = layout_.LastWritten();
  if (first > last)
    return;
  filter_.FilterSpan(pixels + 3 * (first - kWallisPad), sums_[span].data(), squares_[span].data(),
                     static_cast<std::size_t>(last - first + 1));
}
