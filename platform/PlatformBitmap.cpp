#include "platform/PlatformBitmap.h"

#include <new>

namespace {

std::int64_t RowBytesOf(int width, int bitsPerPixel) {
  return (static_cast<std::int64_t>(width) * bitsPerPixel + 31) / 32 * 4;
}

// The pixel block for a size and depth; std::bad_alloc when its byte count cannot be had, so
// that a failed change leaves the bitmap as it was.
std::vector<std::uint8_t> NewPixels(int width, int height, int bitsPerPixel) {
  std::int64_t bytes = 0;
  if (__builtin_mul_overflow(RowBytesOf(width, bitsPerPixel), std::int64_t{height}, &bytes) ||
      static_cast<std::uint64_t>(bytes) > std::vector<std::uint8_t>().max_size()) {
    throw std::bad_alloc();
  }
  return std::vector<std::uint8_t>(static_cast<std::size_t>(bytes), 0);
}

}  // namespace

std::int64_t TPlatformBitmap::RowLength() const {
  return RowBytesOf(width_, bitsPerPixel_);
}

void TPlatformBitmap::SetSize(int width, int height) {
  const int newWidth = width > 0 ? width : 0;
  const int newHeight = height > 0 ? height : 0;
  pixels_ = NewPixels(newWidth, newHeight, bitsPerPixel_);
  width_ = newWidth;
  height_ = newHeight;
}

void TPlatformBitmap::SetBitsPerPixel(int bitsPerPixel) {
  const int newBits = bitsPerPixel == 1 || bitsPerPixel == 8 ? bitsPerPixel : 24;
  pixels_ = NewPixels(width_, height_, newBits);
  bitsPerPixel_ = newBits;
}

std::vector<std::uint8_t> TPlatformBitmap::TakePixels() {
  std::vector<std::uint8_t> pixels;
  pixels.swap(pixels_);
  width_ = 0;
  height_ = 0;
  return pixels;
}

std::uint8_t* TPlatformBitmap::ScanLine(int row) {
  if (row < 0 || row >= height_)
    return nullptr;
  return pixels_.data() + static_cast<std::int64_t>(height_ - 1 - row) * RowLength();
}

const std::uint8_t* TPlatformBitmap::ScanLine(int row) const {
  if (row < 0 || row >= height_)
    return nullptr;
  return pixels_.data() + static_cast<std::int64_t>(height_ - 1 - row) * RowLength();
}
