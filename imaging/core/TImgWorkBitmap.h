#pragma once

#include <cstdint>
#include <memory>

/// A plain-memory scratch raster for algorithms: rows aligned to 4 bytes, stored bottom-up as
/// in a container's memory block. Pixel contents are undefined after allocation.
class TImgWorkBitmap {
 public:
  TImgWorkBitmap() = default;
  /// Allocates at once; nothing is allocated when width or height is 0 or less.
  TImgWorkBitmap(int width, int bitsPerPixel, int height);
  TImgWorkBitmap(const TImgWorkBitmap&) = delete;
  TImgWorkBitmap& operator=(const TImgWorkBitmap&) = delete;

  /// Re-allocates; the same three values keep the block. Throws EImgOutOfMemory when the size
  /// cannot be had (the raster is then freed).
  void Allocate(int width, int bitsPerPixel, int height);
  /// Releases the block and zeroes the fields.
  void Free();

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const { return bitsPerPixel_; }
  int RowLength() const { return rowLength_; }
  /// Row 0 is the top row; null outside the raster.
  std::uint8_t* RowPtr(int row);
  std::uint8_t* Bits() { return block_.get(); }

 private:
  int width_ = 0;
  int height_ = 0;
  int bitsPerPixel_ = 0;
  int rowLength_ = 0;
  std::unique_ptr<std::uint8_t[]> block_;
};
