#pragma once

// Small helpers shared by the source files of TImgBitmap.

#include "imaging/core/ImgTypes.h"

inline constexpr char kOutOfMemory[] = "Out of memory";

/// Row alignment in bits, with anything but a positive multiple of 8 taken as 32.
inline int ValidAlignBits(int bits) {
  return bits > 0 && bits % 8 == 0 ? bits : 32;
}

/// Depth of the platform bitmap that holds a format (gray and 16-bit formats use 8 bits).
inline int PlatformDepth(TImgBitmapFormat format) {
  if (format == pfBit1)
    return 1;
  if (format == pfBGR24)
    return 24;
  return 8;
}
