#pragma once

#include <cstdint>
#include <functional>

/// Pixel formats of an image container; the value is stored in one byte.
enum TImgBitmapFormat : std::uint8_t {
  pfNoFormat = 0,
  pfBit1 = 1,
  pfPalette8 = 2,
  pfGray8 = 3,
  pfGray16 = 4,
  pfBGR24 = 5,
  pf32f = 6,
};

/// Where a container keeps its pixels.
enum TImgBitmapLocation : std::uint8_t {
  locInMemory = 0,
  locOnDisk = 1,
  locPlatformBitmap = 2,
};

/// How a conversion to pfBit1 decides black and white.
enum TImgBWConversion : std::uint8_t {
  bwOrdered = 0,
  bwThreshold = 1,
};

/// Resampling filters, in their stored order.
enum TResampleFilter : std::uint8_t {
  rfNone = 0,
  rfTriangle,
  rfHermite,
  rfBell,
  rfBSpline,
  rfLanczos3,
  rfMitchell,
  rfNearest,
  rfLinear,
  rfFastLinear,
  rfBilinear,
  rfBicubic,
};

/// A set of pixel formats: bit n stands for format value n.
class TImgFormatSet {
 public:
  constexpr TImgFormatSet() = default;
  constexpr TImgFormatSet(std::initializer_list<TImgBitmapFormat> formats) {
    for (TImgBitmapFormat format : formats)
      bits_ |= static_cast<std::uint8_t>(1u << format);
  }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool Contains(TImgBitmapFormat format) const { return (bits_ >> format) & 1u; }

 private:
  std::uint8_t bits_ = 0;
};

/// Progress callback: sender and percent done (0..100).
using TImgProgressEvent = std::function<void(void* sender, int per)>;

/// Gray level of a colour pixel wherever colour is reduced to gray.
constexpr int GrayLevel(int red, int green, int blue) {
  return (21 * red + 71 * green + 8 * blue) / 100;
}

/// A colour as the platform stores it: red in the low byte, then green, then blue.
using TColor = std::uint32_t;
constexpr TColor RgbColor(int red, int green, int blue) {
  return static_cast<TColor>(red & 0xFF) | (static_cast<TColor>(green & 0xFF) << 8) |
         (static_cast<TColor>(blue & 0xFF) << 16);
}
constexpr int ColorRed(TColor color) {
  return color & 0xFF;
}
constexpr int ColorGreen(TColor color) {
  return (color >> 8) & 0xFF;
}
constexpr int ColorBlue(TColor color) {
  return (color >> 16) & 0xFF;
}
