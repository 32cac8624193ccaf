#include "imaging/proc/WallisRaster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "imaging/proc/HslLightness.h"

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

struct WallisConstants {
  double Count;  // pixels in the window
  double TargetMean;
  double TargetDeviation;
  double Gain;
  double DeviationLimit;
  double GainTimesDeviation;
  double WeightTimesMean;
  double OneMinusWeight;
  bool Threshold;

  explicit WallisConstants(const WallisArguments& a, int ww, int wh)
      : Count(static_cast<double>(ww) * static_cast<double>(wh)),
        TargetMean(a.TargetMean * 1.0 / 100),
        TargetDeviation(a.TargetDeviation * 3.0 / 100),
        Gain(a.Gain * 100.0 / 100),
        DeviationLimit(a.DeviationLimit * 6.0 / 100),
        GainTimesDeviation(Gain * TargetDeviation),
        WeightTimesMean(a.MeanWeight * 1.0 / 100 * TargetMean),
        OneMinusWeight(1.0 - a.MeanWeight * 1.0 / 100),
        Threshold(a.Threshold) {}

  void FilterPixel(double windowSum, double windowSquares, std::uint8_t* bgr) const {
    const double mean = windowSum / Count;
    double deviation = std::sqrt(windowSquares / Count - mean * mean + 1.0);
    if (deviation > DeviationLimit)
      deviation = DeviationLimit;
    HslColor hsl = RgbToHsl(bgr[2], bgr[1], bgr[0]);
    double lightness = (hsl.Lightness - mean) * GainTimesDeviation /
                           (Gain * deviation + TargetDeviation + 0.00001) +
                       OneMinusWeight * mean + WeightTimesMean;
    lightness = std::clamp(lightness, 0.0, 1.0);
    if (Threshold) {
      const std::uint8_t level = lightness > 0.5 ? 255 : 0;
      bgr[0] = bgr[1] = bgr[2] = level;
      return;
    }
    hsl.Lightness = lightness;
    HslToBgr(hsl, bgr);
  }
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
  const WallisConstants constants(arguments, ww, wh);
  const std::size_t paddedWidth = static_cast<std::size_t>(lastPaddedColumn) + 1;
  auto imageRowOf = [&](int paddedRow) { return std::clamp(paddedRow - kPad, 0, height - 1); };

  // Per padded column, the lightness sum and squared-lightness sum of the window's rows.
  std::vector<long double> columnSums(paddedWidth);
  std::vector<long double> columnSquares(paddedWidth);
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
      if (constants.Threshold) {
        for (int x = 0; x < width; ++x) {
          const int padded = x == width - 1 ? lastPaddedColumn : x + kPad;
          if (padded < hw || padded > lastFilteredColumn) {
            pixels[3 * x] = pixels[3 * x + 1] = pixels[3 * x + 2] = 255;
          }
        }
      }
      if (hw <= lastFilteredColumn) {
        double windowSum = 0.0;
        double windowSquares = 0.0;
        for (int x = 0; x < ww; ++x) {
          windowSum = static_cast<double>(windowSum + columnSums[static_cast<std::size_t>(x)]);
          windowSquares =
              static_cast<double>(windowSquares + columnSquares[static_cast<std::size_t>(x)]);
        }
        for (int x = hw; x <= lastFilteredColumn; ++x) {
          if (x >= kPad && x <= width + kPad - 2) {
            constants.FilterPixel(windowSum, windowSquares, pixels + 3 * (x - kPad));
          }
          const std::size_t enter = static_cast<std::size_t>(ww + x - hw);
          const std::size_t leave = static_cast<std::size_t>(x - hw);
          windowSum = static_cast<double>(windowSum + columnSums[enter] - columnSums[leave]);
          windowSquares =
              static_cast<double>(windowSquares + columnSquares[enter] - columnSquares[leave]);
        }
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
