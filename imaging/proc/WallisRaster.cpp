#include "imaging/proc/WallisRaster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "imaging/proc/HslLightness.h"
#include "imaging/proc/WallisSpan.h"

namespace {

// The image seen through a border of this many clamped pixels on every side.
constexpr int kPad = 15;

// Lightness rows of the padded view, computed once per image row while the row is still
// unfiltered, and kept while the window may still need them (rows leave the window 2 hh rows
// after they enter). Rows are loaded in order, so each is read before the filter writes it.
class LightnessRows {
 public:
  LightnessRows(TImgBaseBitmap& image, int width, int keepRows)
      : image_(image),
        width_(width),
        paddedWidth_(static_cast<std::size_t>(width) + 2 * kPad),
        keepRows_(keepRows),
        values_(paddedWidth_ * static_cast<std::size_t>(keepRows)) {}

  void LoadThrough(int imageRow) {
    for (; nextToLoad_ <= imageRow; ++nextToLoad_) {
      const std::uint8_t* pixels = image_.RowPtr(nextToLoad_);
      double* target = MutableRow(nextToLoad_);
      for (int x = 0; x < width_; ++x) {
        const std::uint8_t* p = pixels + 3 * x;
        target[kPad + x] = HslLightnessOf(p[2], p[1], p[0]);
      }
      std::fill(target, target + kPad, target[kPad]);
      std::fill(target + kPad + width_, target + paddedWidth_, target[kPad + width_ - 1]);
    }
  }
  const double* Row(int imageRow) const {
    return values_.data() + paddedWidth_ * static_cast<std::size_t>(imageRow % keepRows_);
  }

 private:
  double* MutableRow(int imageRow) {
    return values_.data() + paddedWidth_ * static_cast<std::size_t>(imageRow % keepRows_);
  }

  TImgBaseBitmap& image_;
  int width_;
  std::size_t paddedWidth_;
  int keepRows_;
  int nextToLoad_ = 0;
  std::vector<double> values_;
};

}  // namespace

int WallisWindowSize(int percent, int shorterSide) {
  const double side = std::trunc(percent / 100.0 * (shorterSide + 29.0));
  // Far beyond any image; keeps absurd percentages from overflowing the integer.
  constexpr double kLargest = 1 << 30;
  return std::max(static_cast<int>(std::clamp(side, -kLargest, kLargest)), 21);
}

void WallisFilterRaster(TImgBaseBitmap& image, const WallisArguments& arguments,
                        const EffectProgress& progress) {
  if (image.PixelFormat() != pfBGR24)
    return;
  const int width = image.Width();
  const int height = image.Height();
  if (width <= 0 || height <= 0)
    return;

  const int ww = WallisWindowSize(arguments.WindowWidthPercent, std::min(width, height));
  const int wh = WallisWindowSize(arguments.WindowHeightPercent, std::min(width, height));
  const int hw = (ww + 1) / 2;
  const int hh = (wh + 1) / 2;
  const int lastPaddedRow = height + 2 * kPad - 1;
  const int lastPaddedColumn = width + 2 * kPad - 1;
  const int lastFilteredColumn = lastPaddedColumn - hw;
  const int firstRow = hh;
  const int lastRow = lastPaddedRow - hh;
  WallisSpanFilter filter(arguments, ww, wh);
  const std::size_t paddedWidth = static_cast<std::size_t>(lastPaddedColumn) + 1;
  auto imageRowOf = [&](int paddedRow) { return std::clamp(paddedRow - kPad, 0, height - 1); };

  // Per padded column, the lightness sum and squared-lightness sum of the window's rows.
  std::vector<long double> columnSums(paddedWidth);
  std::vector<long double> columnSquares(paddedWidth);
  std::vector<double> spanSums(static_cast<std::size_t>(width));
  std::vector<double> spanSquares(static_cast<std::size_t>(width));
  std::optional<LightnessRows> rows;
  if (firstRow <= lastRow) {
    rows.emplace(image, width, std::min(2 * hh + 1, height));
    for (int p = 0; p < wh; ++p) {
      rows->LoadThrough(imageRowOf(p));
      const double* lightness = rows->Row(imageRowOf(p));
      for (std::size_t x = 0; x < paddedWidth; ++x) {
        columnSums[x] += lightness[x];
        columnSquares[x] += static_cast<long double>(lightness[x]) * lightness[x];
      }
    }
  }

  for (int y = 0; y <= lastPaddedRow; ++y) {
    if (progress)
      progress(static_cast<int>(static_cast<double>(y) / (height + 2 * kPad) * 100) + 1);
    if (y < firstRow || y > lastRow)
      continue;
    const int enteringRow = imageRowOf(y + hh);
    const int leavingRow = imageRowOf(y - hh);
    rows->LoadThrough(enteringRow);

    // Later writes to an image pixel replace earlier ones, so only the last padded row that
    // maps onto an image row is filtered; the others only move the column sums on.
    const int imageRow = imageRowOf(y);
    const int lastMapped = imageRow == height - 1 ? lastPaddedRow : imageRow + kPad;
    if (y == std::min(lastMapped, lastRow)) {
      std::uint8_t* pixels = image.RowPtr(imageRow);
      // Image columns 0..W-2 are last written at padded column x + 15; the last image column
      // always by the right border. Border columns keep their pixel, or turn white.
      if (arguments.Threshold) {
        for (int x = 0; x < width; ++x) {
          const int padded = x == width - 1 ? lastPaddedColumn : x + kPad;
          if (padded < hw || padded > lastFilteredColumn) {
            pixels[3 * x] = pixels[3 * x + 1] = pixels[3 * x + 2] = 255;
          }
        }
      }
      // Padded columns that are filtered and are the last to write their image column.
      const int firstFiltered = std::max(hw, kPad);
      const int lastFiltered = std::min(lastFilteredColumn, width + kPad - 2);
      if (firstFiltered <= lastFiltered) {
        double windowSum = 0.0;
        double windowSquares = 0.0;
        for (int x = 0; x < ww; ++x) {
          windowSum = static_cast<double>(windowSum + columnSums[static_cast<std::size_t>(x)]);
          windowSquares =
              static_cast<double>(windowSquares + columnSquares[static_cast<std::size_t>(x)]);
        }
        // The sliding sums are one chain of roundings from the first window on, so they are
        // taken in order even through columns that are not written.
        for (int x = hw; x <= lastFiltered; ++x) {
          if (x >= firstFiltered) {
            spanSums[static_cast<std::size_t>(x - firstFiltered)] = windowSum;
            spanSquares[static_cast<std::size_t>(x - firstFiltered)] = windowSquares;
          }
          const std::size_t enter = static_cast<std::size_t>(ww + x - hw);
          const std::size_t leave = static_cast<std::size_t>(x - hw);
          windowSum = static_cast<double>(windowSum + columnSums[enter] - columnSums[leave]);
          windowSquares =
              static_cast<double>(windowSquares + columnSquares[enter] - columnSquares[leave]);
        }
        filter.FilterSpan(pixels + 3 * (firstFiltered - kPad), spanSums.data(), spanSquares.data(),
                          static_cast<std::size_t>(lastFiltered - firstFiltered + 1));
      }
    }

    const double* leaving = rows->Row(leavingRow);
    const double* entering = rows->Row(enteringRow);
    for (std::size_t x = 0; x < paddedWidth; ++x) {
      columnSums[x] = columnSums[x] - leaving[x] + entering[x];
      columnSquares[x] = columnSquares[x] - static_cast<long double>(leaving[x]) * leaving[x] +
                         static_cast<long double>(entering[x]) * entering[x];
    }
  }
}
