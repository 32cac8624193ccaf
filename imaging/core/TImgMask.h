#pragma once

#include <cstdint>
#include <vector>

class TImgBitmap;

/// A coverage raster of 8 bits (0 = not covered, 255 = fully covered) or 1 bit (leftmost pixel
/// in the most significant bit) per pixel. It serves as a reader's transparency mask, as a
/// view's selection and as an 8-bit scratch raster. Rows are top-down, each RowLength() bytes.
class TImgMask {
 public:
  TImgMask() = default;
  /// See Allocate.
  TImgMask(int width, int height, int bitsPerPixel);

  /// Re-creates the mask with every value 0. A bit depth other than 1 is taken as 8; a size of
  /// 0 or less leaves the mask empty. Throws EImgOutOfMemory when the size cannot be held.
  void Allocate(int width, int height, int bitsPerPixel);
  void Clear();

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const { return bitsPerPixel_; }
  int RowLength() const { return rowLength_; }

  /// Address of a row's first byte; row 0 is the top row.
  std::uint8_t* RowPtr(int row);
  const std::uint8_t* RowPtr(int row) const;

  /// The value at (x, y): 0..255, or 0 and 255 for a 1-bit mask; 0 outside the mask.
  std::uint8_t GetPixel(int x, int y) const;
  /// Sets one value; a 1-bit mask sets the bit for any non-zero value. Outside: nothing.
  void SetPixel(int x, int y, std::uint8_t value);
  /// Sets every value (a 1-bit mask: every bit when value is non-zero).
  void Fill(std::uint8_t value);

  /// True when no value is non-zero.
  bool IsEmpty() const;
  /// The smallest rectangle holding every non-zero value, with inclusive edges; false (and
  /// all edges 0) when the mask is empty.
  bool BoundingBox(int& left, int& top, int& right, int& bottom) const;

  /// Copies the mask into the container's alpha channel (created on demand at the container's
  /// size); a 1-bit mask gives 0 and 255. The overlap of both sizes is copied.
  void CopyToAlphaChannel(TImgBitmap& bitmap) const;

 private:
  /// Column range [first, last] of non-zero values in a row; false when the row has none.
  bool RowExtent(int row, int& first, int& last) const;

  int width_ = 0;
  int height_ = 0;
  int bitsPerPixel_ = 8;
  int rowLength_ = 0;
  std::vector<std::uint8_t> bits_;
};
