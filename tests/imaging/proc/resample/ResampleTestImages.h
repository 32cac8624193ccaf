#pragma once

#include <cstdint>
#include <functional>
#include <random>

#include "imaging/core/TImgBitmap.h"

// Small image builders and readers shared by the resampling tests.

inline void FillBgr(TImgBitmap& image, int width, int height,
                    const std::function<int(int x, int y, int channel)>& value) {
  image.Allocate(width, height, pfBGR24);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = image.RowPtr(y);
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c)
        row[3 * x + c] = static_cast<std::uint8_t>(value(x, y, c));
  }
}

inline void FillRandomBgr(TImgBitmap& image, int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> level(0, 255);
  FillBgr(image, width, height, [&](int, int, int) { return level(random); });
}

inline int BgrAt(TImgBitmap& image, int x, int y, int channel) {
  return image.RowPtr(y)[3 * x + channel];
}

inline void FillBits(TImgBitmap& image, int width, int height,
                     const std::function<bool(int x, int y)>& white) {
  image.Allocate(width, height, pfBit1);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = image.RowPtr(y);
    for (int i = 0; i < image.RowLength(); ++i)
      row[i] = 0;
    for (int x = 0; x < width; ++x)
      if (white(x, y))
        row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
  }
}

inline bool BitAt(TImgBitmap& image, int x, int y) {
  return (image.RowPtr(y)[x / 8] & (0x80 >> (x % 8))) != 0;
}

/// Largest difference between two pfBGR24 images of the same size.
inline int MaxDifference(TImgBitmap& a, TImgBitmap& b) {
  int worst = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width() * 3; ++x) {
      const int d = a.RowPtr(y)[x] - b.RowPtr(y)[x];
      worst = std::max(worst, d < 0 ? -d : d);
    }
  return worst;
}
