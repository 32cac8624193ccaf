#include "platform/PlatformBitmap.h"

#include <new>

std::int64_t TPlatformBitmap::RowLength() const {
  return (static_cast<std::int64_t>(width_) * bitsPerPixel_ + 31) / 32 * 4;
}

void TPlatformBitmap::SetSize(int width, int height) {
  width_ = width > 0 ? width : 0;
  height_ = height > 0 ? height : 0;
  Reallocate();
}

void TPlatformBitmap::SetBitsPerPixel(int bitsPerPixel) {
  bitsPerPixel_ = bitsPerPixel == 1 || bitsPerPixel == 8 ? bitsPerPixel : 24;
  Reallocate();
}

void TPlatformBitmap::Reallocate() {
  const std::int64_t bytes = RowLength() * height_;
  pixels_.assign(static_cast<std::size_t>(bytes), 0);
}

std::uint8_t* TPlatformBitmap::ScanLine(int row) {
  return pixels_.data() + static_cast<std::int64_t>(height_ - 1 - row) * RowLength();
}

const std::uint8_t* TPlatformBitmap::ScanLine(int row) const {
  return pixels_.data() + static_cast<std::int64_t>(height_ - 1 - row) * RowLength();
}
