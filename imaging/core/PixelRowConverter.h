#pragma once

#include <cstdint>
#include <vector>

#include "imaging/core/ImgTypes.h"

class TColorQuantizer;

/// The 8 x 8 ordered-dither matrix, indexed [x mod 8][y mod 8].
extern const std::uint8_t kOrderedDitherMatrix[8][8];

/// Converts rows of one pixel format into another, one row at a time, by the container's
/// conversion rules. Set up once per image; holds a scratch row so no row allocates.
class TPixelRowConverter {
 public:
  /// sourcePalette: 256 entries of blue, green, red (pfPalette8 sources only).
  TPixelRowConverter(TImgBitmapFormat source, const std::uint8_t* sourcePalette,
                     TImgBitmapFormat target, int width);

  /// For pfBit1 targets: ordered dithering, or white where the 8-bit gray level reaches
  /// threshold.
  void SetBlackWhite(TImgBWConversion mode, int threshold);
  /// For pfBGR24 to pfPalette8: the built quantizer that maps colours to palette indices.
  void SetQuantizer(const TColorQuantizer* quantizer) { quantizer_ = quantizer; }

  /// Converts one row; y is the row index (the dither pattern depends on it).
  void Convert(const std::uint8_t* source, std::uint8_t* target, int y);

  /// The palette a pfPalette8 target gets from a non-colour source: a gray ramp, or black and
  /// white for pfBit1. Writes 256 entries of blue, green, red.
  static void WriteFixedPalette(TImgBitmapFormat source, std::uint8_t* palette);
  /// The 8-bit gray level of each pixel of a row.
  static void GrayRow(TImgBitmapFormat format, const std::uint8_t* palette,
                      const std::uint8_t* source, std::uint8_t* gray, int width);

 private:
  void ToGray16(const std::uint8_t* source, std::uint8_t* target) const;
  void To32f(const std::uint8_t* source, std::uint8_t* target) const;
  void ToBGR24(const std::uint8_t* source, std::uint8_t* target);
  void ToPalette8(const std::uint8_t* source, std::uint8_t* target);
  void ToBit1(const std::uint8_t* source, std::uint8_t* target, int y);

  TImgBitmapFormat source_;
  TImgBitmapFormat target_;
  const std::uint8_t* palette_;
  int width_;
  TImgBWConversion bwMode_ = bwThreshold;
  int threshold_ = 128;
  const TColorQuantizer* quantizer_ = nullptr;
  std::vector<std::uint8_t> gray_;
};
