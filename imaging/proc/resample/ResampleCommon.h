#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>

class TImgBitmap;

/// Progress of one resampling path in percent; empty when nobody listens.
using ResampleProgress = std::function<void(int percent)>;

inline void ReportProgress(const ResampleProgress& progress, int percent) {
  if (progress)
    progress(percent);
}

/// Slack added before truncating a sum of weighted levels. Summing in a different order moves
/// a result by far less than this; without it an exact level, such as a flat area's, could
/// come out as 39.99999999999999 and truncate a whole level low.
constexpr double kTruncationSlack = 1e-9;

/// A double as a pixel byte: truncated toward zero (after kTruncationSlack), clamped to 0..255.
inline std::uint8_t TruncToByte(double value) {
  // Levels are small, so the integer conversion cannot overflow; clamping in integers keeps
  // the hot loops free of floating-point branches.
  const int truncated = static_cast<int>(value + kTruncationSlack);
  return static_cast<std::uint8_t>(std::min(std::max(truncated, 0), 255));
}

inline std::uint8_t ClampToByte(int value) {
  return static_cast<std::uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

/// Value (0 or 255) of pixel x of a 1-bit row: leftmost pixel in the most significant bit.
inline std::uint8_t BitValue(const std::uint8_t* row, int x) {
  return (row[x >> 3] & (0x80u >> (x & 7))) ? 255 : 0;
}

/// Expands a 1-bit row into one byte (0 or 255) per pixel.
inline void ExpandBitRow(const std::uint8_t* row, int width, std::uint8_t* out) {
  for (int x = 0; x < width; ++x)
    out[x] = BitValue(row, x);
}

/// Writes one gray byte per pixel into the three bytes of a 24-bit row.
inline void GrayToBgrRow(const std::uint8_t* gray, int width, std::uint8_t* out) {
  for (int x = 0; x < width; ++x) {
    out[3 * x] = gray[x];
    out[3 * x + 1] = gray[x];
    out[3 * x + 2] = gray[x];
  }
}
