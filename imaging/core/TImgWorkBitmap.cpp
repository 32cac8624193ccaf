#include "imaging/core/TImgWorkBitmap.h"

#include <new>

#include "imaging/core/ImgErrors.h"
#include "imaging/core/SizeMath.h"

TImgWorkBitmap::TImgWorkBitmap(int width, int bitsPerPixel, int height) {
  Allocate(width, bitsPerPixel, height);
}

void TImgWorkBitmap::Allocate(int width, int bitsPerPixel, int height) {
  if (block_ && width == width_ && height == height_ && bitsPerPixel == bitsPerPixel_)
    return;
  Free();
  if (width <= 0 || height <= 0 || bitsPerPixel <= 0)
    return;
  const auto row = RowBytes(width, bitsPerPixel);
  const auto size = row ? CheckedMul(*row, height) : std::nullopt;
  if (!size || *row > INT32_MAX || *size > kMaxImageBytes)
    throw EImgOutOfMemory("Out of memory");
  block_.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(*size)]);
  if (!block_)
    throw EImgOutOfMemory("Out of memory");
  width_ = width;
  height_ = height;
  bitsPerPixel_ = bitsPerPixel;
  rowLength_ = static_cast<int>(*row);
}

void TImgWorkBitmap::Free() {
  block_.reset();
  width_ = height_ = bitsPerPixel_ = rowLength_ = 0;
}

std::uint8_t* TImgWorkBitmap::RowPtr(int row) {
  if (!block_ || row < 0 || row >= height_)
    return nullptr;
  return block_.get() + static_cast<std::int64_t>(height_ - 1 - row) * rowLength_;
}
