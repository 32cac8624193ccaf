#pragma once

#include <cstdint>

#include "imaging/core/ImgTypes.h"

/// Abstract raster: the eight operations every container offers.
class TImgBaseBitmap {
 public:
  virtual ~TImgBaseBitmap() = default;

  /// Address of the first byte of a row; row 0 is the top row.
  virtual std::uint8_t* RowPtr(int row) = 0;
  virtual int BitsPerPixel() = 0;
  virtual int Height() = 0;
  virtual int Width() = 0;
  virtual TImgBitmapFormat PixelFormat() = 0;
  virtual int RowLength() = 0;
  virtual void Allocate(int width, int height, TImgBitmapFormat format) = 0;
  virtual void Assign(TImgBaseBitmap* source) = 0;
};

/// Bits per pixel of a format (0 for pfNoFormat).
constexpr int FormatBitsPerPixel(TImgBitmapFormat format) {
  switch (format) {
    case pfBit1:
      return 1;
    case pfPalette8:
      return 8;
    case pfGray8:
      return 8;
    case pfGray16:
      return 16;
    case pfBGR24:
      return 24;
    case pf32f:
      return 32;
    default:
      return 0;
  }
}
