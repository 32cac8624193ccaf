#pragma once

#include <cstdint>

#include "imaging/core/TImgBaseBitmap.h"
#include "platform/PlatformBitmap.h"

/// A raster over a device-independent platform bitmap, used by the view as a drawing surface.
/// Only pfBit1 and pfBGR24; rows bottom-up, 4-byte aligned.
class TImgDibBitmap : public TImgBaseBitmap {
 public:
  std::uint8_t* RowPtr(int row) override;
  int BitsPerPixel() override { return format_ == pfNoFormat ? 0 : bitmap_.BitsPerPixel(); }
  int Height() override { return bitmap_.Height(); }
  int Width() override { return bitmap_.Width(); }
  TImgBitmapFormat PixelFormat() override { return format_; }
  int RowLength() override { return static_cast<int>(bitmap_.RowLength()); }
  /// Any format other than pfBit1 and pfBGR24 is ignored. Throws EImgOutOfMemory when the
  /// pixels cannot be had (the raster is then empty).
  void Allocate(int width, int height, TImgBitmapFormat format) override;
  /// Copies another TImgDibBitmap; any other source is ignored.
  void Assign(TImgBaseBitmap* source) override;

  TPlatformBitmap& Bitmap() { return bitmap_; }

 private:
  TPlatformBitmap bitmap_;
  TImgBitmapFormat format_ = pfNoFormat;
};
