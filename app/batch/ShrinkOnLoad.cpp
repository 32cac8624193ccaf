#include "app/batch/ShrinkOnLoad.h"

#include <cstdint>

namespace {

std::int64_t ScaledSide(int side, int denominator) {
  return (static_cast<std::int64_t>(side) + denominator - 1) / denominator;
}

}  // namespace

int ShrinkDenominator(int width, int height, int targetWidth, int targetHeight) {
  if (width <= 0 || height <= 0 || targetWidth <= 0 || targetHeight <= 0)
    return 1;
  if (2 * static_cast<std::int64_t>(targetWidth) > width ||
      2 * static_cast<std::int64_t>(targetHeight) > height) {
    return 1;
  }
  for (int denominator = 8; denominator > 1; denominator /= 2) {
    if (ScaledSide(width, denominator) >= targetWidth &&
        ScaledSide(height, denominator) >= targetHeight) {
      return denominator;
    }
  }
  return 1;
}
