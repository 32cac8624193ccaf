#include "imaging/core/TImgMask.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "imaging/core/ImgErrors.h"
#include "imaging/core/SizeMath.h"
#include "imaging/core/TImgBitmap.h"

namespace {

// Bits of the last byte of a 1-bit row that belong to pixels (the rest is padding).
std::uint8_t LastByteMask(int width) {
  const int used = width % 8;
  return used == 0 ? 0xFF : static_cast<std::uint8_t>(0xFF << (8 - used));
}

}  // namespace

TImgMask::TImgMask(int width, int height, int bitsPerPixel) {
  Allocate(width, height, bitsPerPixel);
}

void TImgMask::Allocate(int width, int height, int bitsPerPixel) {
  Clear();
  bitsPerPixel_ = bitsPerPixel == 1 ? 1 : 8;
  if (width <= 0 || height <= 0)
    return;
  const auto rowBytes = RowBytes(width, bitsPerPixel_, 8);
  const auto total = rowBytes ? CheckedMul(*rowBytes, height) : std::nullopt;
  if (!total || *total > kMaxImageBytes)
    throw EImgOutOfMemory("Mask size too large");
  bits_.assign(static_cast<std::size_t>(*total), 0);
  width_ = width;
  height_ = height;
  rowLength_ = static_cast<int>(*rowBytes);
}

void TImgMask::Clear() {
  bits_.clear();
  bits_.shrink_to_fit();
  width_ = 0;
  height_ = 0;
  rowLength_ = 0;
}

std::uint8_t* TImgMask::RowPtr(int row) {
  return bits_.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(rowLength_);
}

const std::uint8_t* TImgMask::RowPtr(int row) const {
  return bits_.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(rowLength_);
}

std::uint8_t TImgMask::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_)
    return 0;
  const std::uint8_t* row = RowPtr(y);
  if (bitsPerPixel_ == 8)
    return row[x];
  return (row[x / 8] & (0x80 >> (x % 8))) != 0 ? 255 : 0;
}

void TImgMask::SetPixel(int x, int y, std::uint8_t value) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_)
    return;
  std::uint8_t* row = RowPtr(y);
  if (bitsPerPixel_ == 8) {
    row[x] = value;
    return;
  }
  const auto bit = static_cast<std::uint8_t>(0x80 >> (x % 8));
  if (value != 0) {
    row[x / 8] |= bit;
  } else {
    row[x / 8] &= static_cast<std::uint8_t>(~bit);
  }
}

void TImgMask::Fill(std::uint8_t value) {
  if (bits_.empty())
    return;
  if (bitsPerPixel_ == 8) {
    std::fill(bits_.begin(), bits_.end(), value);
    return;
  }
  const std::uint8_t fill = value != 0 ? 0xFF : 0x00;
  for (int y = 0; y < height_; ++y) {
    std::uint8_t* row = RowPtr(y);
    std::memset(row, fill, static_cast<std::size_t>(rowLength_));
    row[rowLength_ - 1] &= LastByteMask(width_);
  }
}

bool TImgMask::RowExtent(int row, int& first, int& last) const {
  const std::uint8_t* begin = RowPtr(row);
  const std::uint8_t* end = begin + rowLength_;
  auto nonZero = [](std::uint8_t v) { return v != 0; };
  if (bitsPerPixel_ == 8) {
    const std::uint8_t* firstHit = std::find_if(begin, end, nonZero);
    if (firstHit == end)
      return false;
    const std::uint8_t* lastHit = end - 1;
    while (*lastHit == 0)
      --lastHit;
    first = static_cast<int>(firstHit - begin);
    last = static_cast<int>(lastHit - begin);
    return true;
  }
  // 1 bit: ignore whatever a caller left in the padding bits of the last byte.
  const int lastByte = rowLength_ - 1;
  auto byteAt = [&](int index) {
    return index == lastByte ? static_cast<std::uint8_t>(begin[index] & LastByteMask(width_))
                             : begin[index];
  };
  int firstByte = 0;
  while (firstByte <= lastByte && byteAt(firstByte) == 0)
    ++firstByte;
  if (firstByte > lastByte)
    return false;
  int lastNonZero = lastByte;
  while (byteAt(lastNonZero) == 0)
    --lastNonZero;
  first = firstByte * 8 + std::countl_zero(byteAt(firstByte));
  last = lastNonZero * 8 + 7 - std::countr_zero(byteAt(lastNonZero));
  return true;
}

bool TImgMask::IsEmpty() const {
  int first = 0;
  int last = 0;
  for (int y = 0; y < height_; ++y) {
    if (RowExtent(y, first, last))
      return false;
  }
  return true;
}

bool TImgMask::BoundingBox(int& left, int& top, int& right, int& bottom) const {
  left = top = right = bottom = 0;
  bool found = false;
  for (int y = 0; y < height_; ++y) {
    int first = 0;
    int last = 0;
    if (!RowExtent(y, first, last))
      continue;
    if (!found) {
      left = first;
      right = last;
      top = y;
      found = true;
    } else {
      left = std::min(left, first);
      right = std::max(right, last);
    }
    bottom = y;
  }
  return found;
}

void TImgMask::CopyToAlphaChannel(TImgBitmap& bitmap) const {
  TImgBitmap* alpha = bitmap.AlphaChannel();
  if (alpha == nullptr)
    return;
  const int width = std::min(width_, alpha->Width());
  const int height = std::min(height_, alpha->Height());
  for (int y = 0; y < height; ++y) {
    std::uint8_t* target = alpha->RowPtr(y);
    const std::uint8_t* source = RowPtr(y);
    if (bitsPerPixel_ == 8) {
      std::memcpy(target, source, static_cast<std::size_t>(width));
      continue;
    }
    for (int x = 0; x < width; ++x) {
      target[x] = (source[x / 8] & (0x80 >> (x % 8))) != 0 ? 255 : 0;
    }
  }
}
