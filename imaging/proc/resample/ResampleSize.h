#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>

/// Target size of a resample of a width x height image asked for newWidth x newHeight:
/// -1 follows the other side keeping the aspect ratio (truncated), 0 keeps the side, any other
/// negative acts as its absolute value, and a side below 1 becomes 1. Nothing when both
/// arguments are negative. Products are formed in 64 bits, so huge arguments cannot wrap.
struct ResampleSize {
  int width;
  int height;
};

inline std::optional<ResampleSize> ComputeResampleSize(int width, int height, int newWidth,
                                                       int newHeight) {
  if (newWidth < 0 && newHeight < 0)
    return std::nullopt;
  auto toSide = [](std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, 1, INT32_MAX));
  };
  auto magnitude = [](int value) { return value < 0 ? -static_cast<std::int64_t>(value) : value; };
  int w = 0;
  if (newWidth == -1) {
    w = toSide(static_cast<std::int64_t>(width) * newHeight / height);
  } else if (newWidth == 0) {
    w = toSide(width);
  } else {
    w = toSide(magnitude(newWidth));
  }
  int h = 0;
  if (newHeight == -1) {
    h = toSide(static_cast<std::int64_t>(height) * w / width);
  } else if (newHeight == 0) {
    h = toSide(height);
  } else {
    h = toSide(magnitude(newHeight));
  }
  return ResampleSize{w, h};
}
