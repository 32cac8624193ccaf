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

  /// A batch's values between its passes.
  struct Scratch {
    alignas(32) double Mean[kBatch];
    alignas(32) double Divisor[kBatch];
    alignas(32) double Hue[kBatch];
    alignas(32) double Saturation[kBatch];
    alignas(32) double Lightness[kBatch];
  };

  WallisSpanFilter(const WallisArguments& arguments, int windowWidth, int windowHeight);

  /// Filters `count` consecutive pfBGR24 pixels in place; windowSums[i] and windowSquares[i]
  /// are the lightness sum and squared-lightness sum of pixel i's window.
  void FilterSpan(std::uint8_t* pixels, const double* windowSums, const double* windowSquares,
                  std::size_t count);

 private:
  double count_;  // pixels in the window
  WallisKernelConstants kernel_;
  std::unique_ptr<Scratch> scratch_;
};
