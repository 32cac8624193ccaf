#include "imaging/proc/WallisRaster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
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

// The column sums of one window position: per padded column, the lightness sum and the
// squared-lightness sum of the window's rows.
struct ColumnSums {
  std::vector<long double> Sums;
  std::vector<long double> Squares;
};

// The filter over the padded view, row by row. Only the last padded row that maps onto an image
// row is filtered (later writes replace earlier ones); the others only move the column sums on.
// Two consecutive filtered rows have their window sums slid in one loop: each row's sums are a
// chain of roundings, and two independent chains keep the processor busy.
class WallisPass {
 public:
  WallisPass(TImgBaseBitmap& image, const WallisArguments& arguments, int width, int height)
      : image_(image),
        width_(width),
        height_(height),
        threshold_(arguments.Threshold),
        ww_(WallisWindowSize(arguments.WindowWidthPercent, std::min(width, height))),
        wh_(WallisWindowSize(arguments.WindowHeightPercent, std::min(width, height))),
        hw_((ww_ + 1) / 2),
        hh_((wh_ + 1) / 2),
        lastPaddedRow_(height + 2 * kPad - 1),
        lastPaddedColumn_(width + 2 * kPad - 1),
        lastFilteredColumn_(lastPaddedColumn_ - hw_),
        paddedWidth_(static_cast<std::size_t>(lastPaddedColumn_) + 1),
        filter_(arguments, ww_, wh_) {}

  void Run(const EffectProgress& progress) {
    const int firstRow = hh_;
    const int lastRow = lastPaddedRow_ - hh_;
    auto report = [&](int y) {
      if (progress)
        progress(static_cast<int>(static_cast<double>(y) / (height_ + 2 * kPad) * 100) + 1);
    };
    if (firstRow > lastRow) {
      // The window never fits: nothing is written.
      for (int y = 0; y <= lastPaddedRow_; ++y)
        report(y);
      return;
    }
    // Rows leave the window 2 hh rows after they enter; one more is kept for the row pairs.
    rows_ = std::make_unique<LightnessRows>(image_, width_, std::min(2 * hh_ + 2, height_));
    Fill();
    for (int y = 0; y <= lastPaddedRow_; ++y) {
      report(y);
      if (y < firstRow || y > lastRow)
        continue;
      rows_->LoadThrough(ImageRowOf(y + hh_));
      if (!IsLastWriter(y, lastRow)) {
        MoveOn(y);
        continue;
      }
      if (y + 1 <= lastRow && IsLastWriter(y + 1, lastRow)) {
        report(y + 1);
        rows_->LoadThrough(ImageRowOf(y + 1 + hh_));
        MoveOn(y);
        SlidePair(sums_[1 - current_], sums_[current_]);
        WriteRow(y, 0);
        WriteRow(y + 1, 1);
        MoveOn(y + 1);
        ++y;
        continue;
      }
      SlidePair(sums_[current_], sums_[current_]);
      WriteRow(y, 0);
      MoveOn(y);
    }
  }

 private:
  int ImageRowOf(int paddedRow) const { return std::clamp(paddedRow - kPad, 0, height_ - 1); }

  bool IsLastWriter(int y, int lastRow) const {
    const int imageRow = ImageRowOf(y);
    const int lastMapped = imageRow == height_ - 1 ? lastPaddedRow_ : imageRow + kPad;
    return y == std::min(lastMapped, lastRow);
  }

  // The window's first rows, padded rows 0..wh - 1.
  void Fill() {
    for (ColumnSums& sums : sums_) {
      sums.Sums.assign(paddedWidth_, 0.0L);
      sums.Squares.assign(paddedWidth_, 0.0L);
    }
    ColumnSums& sums = sums_[current_];
    for (int p = 0; p < wh_; ++p) {
      rows_->LoadThrough(ImageRowOf(p));
      const double* lightness = rows_->Row(ImageRowOf(p));
      for (std::size_t x = 0; x < paddedWidth_; ++x) {
        sums.Sums[x] += lightness[x];
        sums.Squares[x] += static_cast<long double>(lightness[x]) * lightness[x];
      }
    }
  }

  // Moves the window from padded row y to y + 1, from the current sums into the other ones.
  void MoveOn(int y) {
    const double* leaving = rows_->Row(ImageRowOf(y - hh_));
    const double* entering = rows_->Row(ImageRowOf(y + hh_));
    const ColumnSums& from = sums_[current_];
    ColumnSums& to = sums_[1 - current_];
    for (std::size_t x = 0; x < paddedWidth_; ++x) {
      to.Sums[x] = from.Sums[x] - leaving[x] + entering[x];
      to.Squares[x] = from.Squares[x] - static_cast<long double>(leaving[x]) * leaving[x] +
                      static_cast<long double>(entering[x]) * entering[x];
    }
    current_ = 1 - current_;
  }

  // Padded columns that are filtered and are the last to write their image column.
  int FirstFiltered() const { return std::max(hw_, kPad); }
  int LastFiltered() const { return std::min(lastFilteredColumn_, width_ + kPad - 2); }

  // Window sums of every filtered column, for one or two rows (the same sums twice for one). The
  // sums are slid in order from the first window on, even through columns that are not written.
  void SlidePair(const ColumnSums& first, const ColumnSums& second) {
    const int firstFiltered = FirstFiltered();
    const int lastFiltered = LastFiltered();
    if (firstFiltered > lastFiltered)
      return;
    for (auto& span : spans_) {
      span.Sums.resize(static_cast<std::size_t>(width_));
      span.Squares.resize(static_cast<std::size_t>(width_));
    }
    double sum[2] = {0.0, 0.0};
    double squares[2] = {0.0, 0.0};
    const ColumnSums* source[2] = {&first, &second};
    for (std::size_t x = 0; x < static_cast<std::size_t>(ww_); ++x) {
      for (int r = 0; r < 2; ++r) {
        sum[r] = static_cast<double>(sum[r] + source[r]->Sums[x]);
        squares[r] = static_cast<double>(squares[r] + source[r]->Squares[x]);
      }
    }
    for (int x = hw_; x <= lastFiltered; ++x) {
      const std::size_t enter = static_cast<std::size_t>(ww_ + x - hw_);
      const std::size_t leave = static_cast<std::size_t>(x - hw_);
      for (int r = 0; r < 2; ++r) {
        if (x >= firstFiltered) {
          spans_[r].Sums[static_cast<std::size_t>(x - firstFiltered)] = sum[r];
          spans_[r].Squares[static_cast<std::size_t>(x - firstFiltered)] = squares[r];
        }
        sum[r] = static_cast<double>(sum[r] + source[r]->Sums[enter] - source[r]->Sums[leave]);
        squares[r] =
            static_cast<double>(squares[r] + source[r]->Squares[enter] - source[r]->Squares[leave]);
      }
    }
  }

  // Writes padded row y into its image row from the window sums of span `which`.
  void WriteRow(int y, int which) {
    std::uint8_t* pixels = image_.RowPtr(ImageRowOf(y));
    // Image columns 0..W-2 are last written at padded column x + 15; the last image column
    // always by the right border. Border columns keep their pixel, or turn white.
    if (threshold_) {
      for (int x = 0; x < width_; ++x) {
        const int padded = x == width_ - 1 ? lastPaddedColumn_ : x + kPad;
        if (padded < hw_ || padded > lastFilteredColumn_) {
          pixels[3 * x] = pixels[3 * x + 1] = pixels[3 * x + 2] = 255;
        }
      }
    }
    const int firstFiltered = FirstFiltered();
    const int lastFiltered = LastFiltered();
    if (firstFiltered > lastFiltered)
      return;
    filter_.FilterSpan(pixels + 3 * (firstFiltered - kPad), spans_[which].Sums.data(),
                       spans_[which].Squares.data(),
                       static_cast<std::size_t>(lastFiltered - firstFiltered + 1));
  }

  struct WindowSpan {
    std::vector<double> Sums;
    std::vector<double> Squares;
  };

  TImgBaseBitmap& image_;
  int width_;
  int height_;
  bool threshold_;
  int ww_;
  int wh_;
  int hw_;
  int hh_;
  int lastPaddedRow_;
  int lastPaddedColumn_;
  int lastFilteredColumn_;
  std::size_t paddedWidth_;
  WallisSpanFilter filter_;
  std::unique_ptr<LightnessRows> rows_;
  ColumnSums sums_[2];
  int current_ = 0;
  WindowSpan spans_[2];
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
  WallisPass(image, arguments, width, height).Run(progress);
}
