#pragma once

#include <cstdint>
#include <optional>

// Every byte count derived from sizes in a file goes through these helpers, so that
// width x bytes x height and offset + length can never wrap.

/// a x b, or nothing when the product does not fit an int64 or a factor is negative.
inline std::optional<std::int64_t> CheckedMul(std::int64_t a, std::int64_t b) {
  std::int64_t result = 0;
  if (a < 0 || b < 0 || __builtin_mul_overflow(a, b, &result))
    return std::nullopt;
  return result;
}

/// a + b, or nothing on overflow or a negative term.
inline std::optional<std::int64_t> CheckedAdd(std::int64_t a, std::int64_t b) {
  std::int64_t result = 0;
  if (a < 0 || b < 0 || __builtin_add_overflow(a, b, &result))
    return std::nullopt;
  return result;
}

/// Bytes of one row of width pixels at bitsPerPixel, padded to alignBits (a multiple of 8).
inline std::optional<std::int64_t> RowBytes(std::int64_t width, std::int64_t bitsPerPixel,
                                            std::int64_t alignBits = 32) {
  auto bits = CheckedMul(width, bitsPerPixel);
  if (!bits || alignBits <= 0)
    return std::nullopt;
  return (*bits + alignBits - 1) / alignBits * (alignBits / 8);
}

/// Largest pixel block a reader may ask for: keeps a 54-byte file from claiming terabytes.
inline constexpr std::int64_t kMaxImageBytes = std::int64_t{1} << 36;

/// True when width x height at bitsPerPixel can be allocated at all.
inline bool ImageSizeAllowed(std::int64_t width, std::int64_t height, std::int64_t bitsPerPixel) {
  if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX)
    return false;
  auto row = RowBytes(width, bitsPerPixel);
  if (!row)
    return false;
  auto total = CheckedMul(*row, height);
  return total && *total <= kMaxImageBytes;
}
