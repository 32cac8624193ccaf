#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/proc/effects/wallis/WallisRaster.h"

/// The filter's constants derived from its arguments.
struct WallisKernelConstants {
  double TargetDeviation;
  double Gain;
  double DeviationLimit;
  double GainTimesDeviation;
  double WeightTimesMean;
  double OneMinusWeight;
  bool Threshold;
};

/// The per-pixel part of the Wallis filter: from a window's lightness sums to the pixel's new
/// colour, through the HSL model.
class WallisSpanFilter {
 public:
  /// Pixels handled per batch; the scratch arrays of a batch stay in the first-level cache.
  static constexpr std::size_t kBatch = 256;

  WallisSpanFilter(const WallisArguments& arguments, int windowWidth, int windowHeight);
  WallisSpanFilter(WallisSpanFilter&&) noexcept;
  ~WallisSpanFilter();

  /// Filters `count` consecutive pfBGR24 pixels in place; windowSums[i] and windowSquares[i]
  /// are the lightness sum and squared-lightness sum of pixel i's window.
  void FilterSpan(std::uint8_t* pixels, const double* windowSums, const double* windowSquares,
                  std::size_t count);

 private:
  void FilterBatch(std::uint8_t* pixels, const double* windowSums, const double* windowSquares,
                   std::size_t count);
  /// Pixel i of the batch, one at a time.
  void FilterPixel(std::size_t i, std::uint8_t* bgr) const;
  double TargetLightness(double lightness, double mean, double deviation) const;

  double count_;  // pixels in the window
  WallisKernelConstants kernel_;
  alignas(16) double mean_[kBatch];
  alignas(16) double deviation_[kBatch];
  std::unique_ptr<struct WallisWideScratch> wide_;
};
