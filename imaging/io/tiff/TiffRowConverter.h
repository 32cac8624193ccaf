#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/core/ImgTypes.h"
#include "imaging/io/ByteReader.h"

struct TTIFFVars;

/// Converts post-processed rows of one photometric layout into the container's pixel format,
/// with alpha samples going into a mask row. The layout is picked once per page.
class TTiffRowConverter {
 public:
  enum class Kind {
    Rgb8,          ///< red, green, blue (and alpha) bytes
    Rgb16,         ///< 16-bit red, green, blue (and alpha)
    Rgb555,        ///< one 16-bit sample with 5 bits each of red, green, blue
    PaletteAlpha,  ///< 8-bit index and alpha
    Palette,       ///< one index of up to 8 bits
    Gray8,         ///< 8-bit gray, or 4-bit gray already in the high nibble
    Gray16,
    Bilevel,
    Cmyk,
    Lab,
    Unsupported,
  };

  TTiffRowConverter(const TTIFFVars& vars, TImgBitmapFormat format);

  Kind GetKind() const { return kind_; }
  bool Supported() const { return kind_ != Kind::Unsupported; }
  /// Converts the first pixels of row into destination (the container row at the block's
  /// first pixel) and, when alpha is not null, the alpha samples into it.
  void Convert(std::span<const std::uint8_t> row, int pixels, std::uint8_t* destination,
               std::uint8_t* alpha);

 private:
  static Kind PickKind(const TTIFFVars& vars, TImgBitmapFormat format);
  void ConvertRgb16(std::span<const std::uint8_t> row, int pixels, std::uint8_t* destination) const;
  void ConvertPalette(std::span<const std::uint8_t> row, int pixels,
                      std::uint8_t* destination) const;
  void ConvertGray16(std::span<const std::uint8_t> row, int pixels,
                     std::uint8_t* destination) const;
  void ConvertBilevel(std::span<const std::uint8_t> row, int pixels,
                      std::uint8_t* destination) const;
  void ConvertCmykRow(std::span<const std::uint8_t> row, int pixels, std::uint8_t* destination);

  Kind kind_;
  TImgBitmapFormat format_;
  std::size_t samplesPerPixel_;
  std::uint32_t bitsPerSample_;
  bool whiteIsZero_;
  bool invertBits_;
  bool bigEndian_;
  int grayShift_;
  const std::vector<std::uint8_t>& colorMap_;
  std::vector<std::uint8_t> scratch_;
};
