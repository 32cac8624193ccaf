#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/proc/effects/wallis/WallisSpan.h"

/// Scratch space of the four-pixel path for one batch of a span.
struct WallisWideScratch {
  alignas(32) double Mean[WallisSpanFilter::kBatch];
  alignas(32) double Divisor[WallisSpanFilter::kBatch];
  alignas(32) double Hue[WallisSpanFilter::kBatch];
  alignas(32) double Saturation[WallisSpanFilter::kBatch];
  alignas(32) double Lightness[WallisSpanFilter::kBatch];
};

/// Filters the pixels of a batch (at most kBatch) four at a time, with the same operations in the
/// same order as one at a time, and returns how many it did (a multiple of four). Only to be
/// called on the AVX2 path.
std::size_t FilterWallisQuads(const WallisKernelConstants& kernel, double windowCount,
                              std::uint8_t* pixels, const double* windowSums,
                              const double* windowSquares, std::size_t count,
                              WallisWideScratch& scratch);
