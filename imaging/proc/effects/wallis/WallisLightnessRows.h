#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/core/TImgBaseBitmap.h"

/// The Wallis filter sees the image through a border of this many clamped pixels on every side.
constexpr int kWallisPad = 15;

/// HSL lightness of `width` pfBGR24 pixels.
void WallisLightnessOfRow(const std::uint8_t* pixels, int width, double* lightness);

/// Lightness rows of the padded view, computed once per image row while the row is still
/// unfiltered, and kept while the window may still need them. Rows are loaded in order, so each
/// is read before the filter writes it.
class WallisLightnessRows {
 public:
  WallisLightnessRows(TImgBaseBitmap& image, int width, int keepRows)
      : image_(image),
        width_(width),
        paddedWidth_(static_cast<std::size_t>(width) + 2 * kWallisPad),
        keepRows_(keepRows),
        values_(paddedWidth_ * static_cast<std::size_t>(keepRows)) {}

  void LoadThrough(int imageRow) {
    for (; nextToLoad_ <= imageRow; ++nextToLoad_) {
      double* target = MutableRow(nextToLoad_);
      WallisLightnessOfRow(image_.RowPtr(nextToLoad_), width_, target + kWallisPad);
      std::fill(target, target + kWallisPad, target[kWallisPad]);
      std::fill(target + kWallisPad + width_, target + paddedWidth_,
                target[kWallisPad + width_ - 1]);
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
