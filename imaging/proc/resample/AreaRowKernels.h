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
