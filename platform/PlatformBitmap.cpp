#include "platform/PlatformBitmap.h"

#include <algorithm>
#include <new>

namespace {

std::int64_t RowBytesOf(int width, int bitsPerPixel) {
  return (static_cast<std::int64_t>(width) * bitsPerPixel + 31) / 32 * 4;
}

// Room reserved beyond a fresh block's size: a batch of photos of mixed sizes then grows a block
// in place instead of replacing it. Pages of the room that are never written cost nothing.
std::size_t RoomFor(std::size_t size) {
  constexpr std::size_t kMostRoom = std::size_t{256} << 20;
  return size < kMostRoom ? size : kMostRoom;
}

// Gives pixels the pixels of a size and depth. A block that is large enough is reused, which
// spares the page faults of fresh memory; a larger one is made before anything changes, so that
// std::bad_alloc leaves the bitmap as it was. An empty size lets the block go.
void ResetPixels(TPixelBlock& pixels, int width, int height, int bitsPerPixel,
                 TNewPixels newPixels) {
  std::int64_t bytes = 0;
  if (__builtin_mul_overflow(RowBytesOf(width, bitsPerPixel), std::int64_t{height}, &bytes) ||
      static_cast<std::uint64_t>(bytes) > TPixelBlock().max_size()) {
    throw std::bad_alloc();
  }
  const auto size = static_cast<std::size_t>(bytes);
  if (size == 0) {
    TPixelBlock().swap(pixels);
    return;
  }
  if (size > pixels.capacity()) {
    TPixelBlock fresh;
    try {
      fresh.reserve(size + RoomFor(size));
    } catch (const std::bad_alloc&) {
      fresh.reserve(size);
    }
    pixels.swap(fresh);
  }
  pixels.resize(size);
  if (newPixels == TNewPixels::Zero)
    std::fill(pixels.begin(), pixels.end(), std::uint8_t{0});
}

}  // namespace

std::int64_t TPlatformBitmap::RowLength() const {
  return RowBytesOf(width_, bitsPerPixel_);
}

void TPlatformBitmap::SetSize(int width, int height, TNewPixels newPixels) {
  const int newWidth = width > 0 ? width : 0;
  const int newHeight = height > 0 ? height : 0;
  ResetPixels(pixels_, newWidth, newHeight, bitsPerPixel_, newPixels);
  width_ = newWidth;
  height_ = newHeight;
}

void TPlatformBitmap::SetBitsPerPixel(int bitsPerPixel) {
  const int newBits = bitsPerPixel == 1 || bitsPerPixel == 8 ? bitsPerPixel : 24;
  ResetPixels(pixels_, width_, height_, newBits, TNewPixels::Zero);
  bitsPerPixel_ = newBits;
}

TPixelBlock TPlatformBitmap::TakePixels() {
  TPixelBlock pixels;
  pixels.swap(pixels_);
  width_ = 0;
  height_ = 0;
  return pixels;
}

void TPlatformBitmap::GiveSpareBlock(TPixelBlock block) {
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
