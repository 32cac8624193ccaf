#pragma once

#include <cstddef>
#include <cstdint>

// The area resampler's loops over whole rows of values. Each gives the same results on every
// vector path: integer sums are exact in any order, and the floating-point steps are the same
// single operations per value as the plain loops.

/// sums[k] = bytes[k] when fresh, else sums[k] += bytes[k], for k < count.
void AddBytesToSums(const std::uint8_t* bytes, std::size_t count, bool fresh, std::int32_t* sums);

/// sums[k] = weight * bytes[k] when fresh, else sums[k] += weight * bytes[k], for k < count.
void AddWeightedBytes(const std::uint8_t* bytes, std::size_t count, double weight, bool fresh,
                      double* sums);

/// out[k] = TruncToByte(sums[k] * scale) for k < count.
void ScaleSumsToBytes(const std::int32_t* sums, std::size_t count, double scale, std::uint8_t* out);
void ScaleSumsToBytes(const double* sums, std::size_t count, double scale, std::uint8_t* out);

// An exact halving both ways, where each target pixel is the truncated mean of a 2 x 2 block of
// whole source pixels, is one integer sum per value: the general walk's sums and scale give
// exactly these bytes.

/// pairs[4t + c] = bytes 6t + c and 6t + 3 + c of row added, for t < width and c < 3: the two
/// pixels of a source row under target pixel t (pairs[4t + 3] is left undefined).
void SumPixelPairs(const std::uint8_t* row, std::size_t width, std::uint16_t* pairs);

/// out[3t + c] = (pairs[4t + c] + the pair of row under it) / 4, truncated, for t < width.
void QuarterOfPairsAndRow(const std::uint16_t* pairs, const std::uint8_t* row, std::size_t width,
                          std::uint8_t* out);
