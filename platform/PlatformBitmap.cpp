#include "platform/PlatformBitmap.h"

#include <new>

namespace {

std::int64_t RowBytesOf(int width, int bitsPerPixel) {
  return (static_cast<std::int64_t>(width) * bitsPerPixel + 31) / 32 * 4;
}

// Gives pixels zeroed pixels for a size and depth. A block that is large enough is reused, which
// spares the page faults of fresh memory; a larger one is made before anything changes, so that
// std::bad_alloc leaves the bitmap as it was. An empty size lets the block go.
void ResetPixels(std::vector<std::uint8_t>& pixels, int width, int height, int bitsPerPixel) {
  std::int64_t bytes = 0;
  if (__builtin_mul_overflow(RowBytesOf(width, bitsPerPixel), std::int64_t{height}, &bytes) ||
      static_cast<std::uint64_t>(bytes) > std::vector<std::uint8_t>().max_size()) {
    throw std::bad_alloc();
  }
  const auto size = static_cast<std::size_t>(bytes);
  if (size == 0) {
    std::vector<std::uint8_t>().swap(pixels);
  } else if (size <= pixels.capacity()) {
    pixels.assign(size, 0);
  } else {
    std::vector<std::uint8_t> fresh(size, 0);
    pixels.swap(fresh);
  }
}

}  // namespace

std::int64_t TPlatformBitmap::RowLength() const {
  return RowBytesOf(width_, bitsPerPixel_);
}

void TPlatformBitmap::SetSize(int width, int height) {
  const int newWidth = width > 0 ? width : 0;
  const int newHeight = height > 0 ? height : 0;
  ResetPixels(pixels_, newWidth, newHeight, bitsPerPixel_);
  width_ = newWidth;
  height_ = newHeight;
}

void TPlatformBitmap::SetBitsPerPixel(int bitsPerPixel) {
  const int newBits = bitsPerPixel == 1 || bitsPerPixel == 8 ? bitsPerPixel : 24;
  ResetPixels(pixels_, width_, height_, newBits);
  bitsPerPixel_ = newBits;
}

std::vector<std::uint8_t> TPlatformBitmap::TakePixels() {
  std::vector<std::uint8_t> pixels;
  pixels.swap(pixels_);
  width_ = 0;
  height_ = 0;
  return pixels;
}

void TPlatformBitmap::GiveSpareBlock(std::vector<std::uint8_t> block) {
  if (width_ == 0 && height_ == 0 && block.capacity() > pixels_.capacity()) {
    block.clear();
    pixels_.swap(block);
  }
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
