// Filling, rectangle copies and size changes of TImgBitmap.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TImgColorValue.h"

namespace {

// One pixel's bytes, ready to be repeated along a row.
struct TFillPixel {
  std::uint8_t bytes[4] = {};
  int size = 0;
  bool full = false;
  bool bitSet = false;
};

std::int64_t TruncatedValue(double value) {
  if (std::isnan(value))
    return 0;
  if (value >= 9.0e18)
    return INT64_MAX;
  if (value <= -9.0e18)
    return INT64_MIN;
  return static_cast<std::int64_t>(value);
}

TFillPixel MakeFillPixel(TImgBitmapFormat format, double value, bool truncateFloat) {
  TFillPixel pixel;
  const std::int64_t whole = TruncatedValue(value);
  switch (format) {
    case pfBit1:
      pixel.bitSet = whole > 0;
      pixel.full = pixel.bitSet;
      break;
    case pfPalette8:
    case pfGray8: {
      const auto level = static_cast<std::uint8_t>(std::clamp<std::int64_t>(whole, 0, 255));
      pixel.bytes[0] = level;
      pixel.size = 1;
      pixel.full = level == 255;
      break;
    }
    case pfGray16: {
      const auto level = static_cast<std::uint16_t>(std::clamp<std::int64_t>(whole, 0, 65535));
      pixel.bytes[0] = static_cast<std::uint8_t>(level & 0xFF);
      pixel.bytes[1] = static_cast<std::uint8_t>(level >> 8);
      pixel.size = 2;
      pixel.full = level == 65535;
      break;
    }
    case pfBGR24: {
      const TColor color = ResolveColorValue(whole);
      pixel.bytes[0] = static_cast<std::uint8_t>(ColorBlue(color));
      pixel.bytes[1] = static_cast<std::uint8_t>(ColorGreen(color));
      pixel.bytes[2] = static_cast<std::uint8_t>(ColorRed(color));
      pixel.size = 3;
      pixel.full = (color & 0xFFFFFF) == 0xFFFFFF;
      break;
    }
    case pf32f: {
      const float stored = truncateFloat ? static_cast<float>(whole) : static_cast<float>(value);
      std::memcpy(pixel.bytes, &stored, sizeof stored);
      pixel.size = 4;
      pixel.full = stored == 1.0f;
      break;
    }
    default:
      break;
  }
  return pixel;
}

void SetBitSpan(std::uint8_t* row, int x1, int x2, bool set) {
  for (int x = x1; x <= x2; ++x) {
    if ((x & 7) == 0 && x + 7 <= x2) {
      const int bytes = (x2 + 1 - x) / 8;
      std::memset(row + x / 8, set ? 0xFF : 0x00, static_cast<std::size_t>(bytes));
      x += bytes * 8 - 1;
      continue;
    }
    const auto mask = static_cast<std::uint8_t>(0x80 >> (x & 7));
    row[x / 8] = set ? static_cast<std::uint8_t>(row[x / 8] | mask)
                     : static_cast<std::uint8_t>(row[x / 8] & ~mask);
  }
}

void FillSpan(std::uint8_t* row, int x1, int x2, const TFillPixel& pixel, TImgBitmapFormat format) {
  if (format == pfBit1) {
    SetBitSpan(row, x1, x2, pixel.bitSet);
  } else if (pixel.size == 1) {
    std::memset(row + x1, pixel.bytes[0], static_cast<std::size_t>(x2 - x1 + 1));
  } else {
    std::uint8_t* out = row + static_cast<std::int64_t>(x1) * pixel.size;
    for (int x = x1; x <= x2; ++x, out += pixel.size) {
      std::memcpy(out, pixel.bytes, static_cast<std::size_t>(pixel.size));
    }
  }
}

void CopyBits(const std::uint8_t* source, std::int64_t sourceX, std::uint8_t* target,
              std::int64_t targetX, std::int64_t count) {
  if ((sourceX & 7) == 0 && (targetX & 7) == 0) {
    const std::int64_t whole = count / 8;
    std::memmove(target + targetX / 8, source + sourceX / 8, static_cast<std::size_t>(whole));
    sourceX += whole * 8;
    targetX += whole * 8;
    count -= whole * 8;
  }
  for (std::int64_t i = 0; i < count; ++i) {
    const std::int64_t from = sourceX + i;
    const std::int64_t to = targetX + i;
    const bool set = (source[from / 8] >> (7 - (from & 7))) & 1;
    const auto mask = static_cast<std::uint8_t>(0x80 >> (to & 7));
    target[to / 8] = set ? static_cast<std::uint8_t>(target[to / 8] | mask)
                         : static_cast<std::uint8_t>(target[to / 8] & ~mask);
  }
}

int AlignedOffset(int alignment, int difference) {
  if (alignment == 1)
    return difference / 2;
  if (alignment == 2)
    return difference;
  return 0;
}

}  // namespace

void TImgBitmap::FillAll(double value) {
  if (IsEmpty())
    return;
  const TFillPixel pixel = MakeFillPixel(pixelFormat_, value, false);
  for (int row = 0; row < height_; ++row) {
    std::uint8_t* line = RowPtr(row);
    if (line != nullptr)
      FillSpan(line, 0, width_ - 1, pixel, pixelFormat_);
  }
  isFull_ = pixel.full;
}

void TImgBitmap::FillRect(int x1, int y1, int x2, int y2, double value) {
  if (IsEmpty())
    return;
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, width_ - 1);
  y2 = std::min(y2, height_ - 1);
  if (x1 > x2 || y1 > y2)
    return;
  const TFillPixel pixel = MakeFillPixel(pixelFormat_, value, true);
  for (int row = y1; row <= y2; ++row) {
    std::uint8_t* line = RowPtr(row);
    if (line != nullptr)
      FillSpan(line, x1, x2, pixel, pixelFormat_);
  }
  // Part of the image now holds something other than the maximum.
  if (!pixel.full)
    isFull_ = false;
}

void TImgBitmap::CopyRect(TImgBitmap* destination, int sourceX, int sourceY, int destX, int destY,
                          int width, int height) {
  if (destination == nullptr || IsEmpty() || destination->IsEmpty() ||
      destination->PixelFormat() != PixelFormat()) {
    return;
  }
  std::int64_t sx = sourceX, sy = sourceY, dx = destX, dy = destY, w = width, h = height;
  // A start outside either image moves both starts by the same amount and shortens the copy.
  if (dx < 0)
    sx -= dx, w += dx, dx = 0;
  if (dy < 0)
    sy -= dy, h += dy, dy = 0;
  if (sx < 0)
    dx -= sx, w += sx, sx = 0;
  if (sy < 0)
    dy -= sy, h += sy, sy = 0;
  w = std::min({w, width_ - sx, destination->width_ - dx});
  h = std::min({h, height_ - sy, destination->height_ - dy});
  if (w <= 0 || h <= 0)
    return;

  const bool bits = pixelFormat_ == pfBit1;
  const std::int64_t pixelBytes = bitsPerPixel_ / 8;
  const std::int64_t firstByte = bits ? sx / 8 : sx * pixelBytes;
  const std::int64_t spanBytes = bits ? (sx % 8 + w + 7) / 8 : w * pixelBytes;
  // Rows of one container may be the same row, or (on disk) only one row may be fetched at once.
  const bool sameImage = destination == this;
  std::vector<std::uint8_t> scratch(sameImage ? static_cast<std::size_t>(spanBytes) : 0);
  const bool bottomUp = sameImage && dy > sy;
  for (std::int64_t i = 0; i < h; ++i) {
    const std::int64_t step = bottomUp ? h - 1 - i : i;
    const std::uint8_t* from = RowPtr(static_cast<int>(sy + step));
    if (from == nullptr)
      continue;
    from += firstByte;
    if (sameImage) {
      std::memcpy(scratch.data(), from, scratch.size());
      from = scratch.data();
    }
    std::uint8_t* to = destination->RowPtr(static_cast<int>(dy + step));
    if (to == nullptr)
      continue;
    if (bits) {
      CopyBits(from, sx % 8, to, dx, w);
    } else {
      std::memcpy(to + dx * pixelBytes, from, static_cast<std::size_t>(spanBytes));
    }
  }
  destination->isFull_ = false;
}

void TImgBitmap::CopyPaletteFrom(const TImgBitmap& source) {
  if (pixelFormat_ != pfPalette8 || source.palette_.empty())
    return;
  palette_ = source.palette_;
  paletteCount_ = source.paletteCount_;
  WritePlatformColorTable();
}

void TImgBitmap::ChangeWidth(int width) {
  if (IsEmpty() || width == width_)
    return;
  if (alpha_)
    alpha_->ChangeWidth(width);
  auto saved = DetachImage();
  Allocate(width, saved->height_, saved->pixelFormat_);
  CopyPaletteFrom(*saved);
  CopyPixelsFrom(*saved);
  alpha_ = std::move(saved->alpha_);
  isFull_ = false;
}

void TImgBitmap::ChangeHeight(int height) {
  if (IsEmpty() || height == height_)
    return;
  if (alpha_)
    alpha_->ChangeHeight(height);
  auto saved = DetachImage();
  Allocate(saved->width_, height, saved->pixelFormat_);
  CopyPaletteFrom(*saved);
  CopyPixelsFrom(*saved);
  alpha_ = std::move(saved->alpha_);
  isFull_ = false;
}

void TImgBitmap::ResizeCanvas(int width, int height, double fill, double alphaFill,
                              int horizontalAlign, int verticalAlign) {
  if (IsEmpty() || (width == width_ && height == height_))
    return;
  if (alpha_)
    alpha_->ResizeCanvas(width, height, alphaFill, alphaFill, horizontalAlign, verticalAlign);
  const int offsetX = AlignedOffset(horizontalAlign, width - width_);
  const int offsetY = AlignedOffset(verticalAlign, height - height_);
  auto saved = DetachImage();
  Allocate(width, height, saved->pixelFormat_);
  CopyPaletteFrom(*saved);
  FillAll(fill);
  const bool fillFull = isFull_;
  saved->CopyRect(this, 0, 0, offsetX, offsetY, saved->width_, saved->height_);
  const bool uncovered = offsetX > 0 || offsetY > 0 || offsetX + saved->width_ < width ||
                         offsetY + saved->height_ < height;
  isFull_ = saved->isFull_ && (fillFull || !uncovered);
  alpha_ = std::move(saved->alpha_);
}
