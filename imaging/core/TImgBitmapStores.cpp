// Platform-bitmap storage, outside stores and moves between storage kinds of TImgBitmap.
#include "imaging/core/TImgBitmap.h"

#include <new>

#include "imaging/core/ImgErrors.h"
#include "imaging/core/SizeMath.h"
#include "imaging/core/TImgBitmapInternal.h"
#include "platform/PlatformBitmap.h"

void TImgBitmap::SyncWithPlatformBitmap() {
  if (location_ != locPlatformBitmap || platformBitmap_ == nullptr)
    return;
  TPlatformBitmap& bitmap = *platformBitmap_;
  if (bitmap.Width() == width_ && bitmap.Height() == height_ &&
      bitmap.BitsPerPixel() == platformBits_ && rowTable_.size() == std::size_t(height_)) {
    return;
  }
  // Someone changed the bitmap behind our back: take its size and depth as they are now.
  if (bitmap.BitsPerPixel() != platformBits_ || pixelFormat_ == pfNoFormat) {
    if (bitmap.BitsPerPixel() == 1) {
      pixelFormat_ = pfBit1;
    } else if (bitmap.BitsPerPixel() == 8) {
      pixelFormat_ = isAlphaChannel_ ? pfGray8 : pfPalette8;
    } else {
      pixelFormat_ = pfBGR24;
    }
    palette_.clear();
    paletteCount_ = 0;
    if (pixelFormat_ == pfPalette8) {
      palette_.assign(1024, 0);
      paletteCount_ = 256;
      const auto& table = bitmap.ColorTable();
      for (std::size_t i = 0; i < table.size(); ++i) {
        palette_[i * 3] = table[i].blue;
        palette_[i * 3 + 1] = table[i].green;
        palette_[i * 3 + 2] = table[i].red;
      }
    }
  }
  width_ = bitmap.Width();
  height_ = bitmap.Height();
  bitsPerPixel_ = FormatBitsPerPixel(pixelFormat_);
  rowLength_ = bitmap.RowLength();
  RebuildRowTable();
}

void TImgBitmap::RebuildRowTable() {
  rowTable_.clear();
  if (platformBitmap_ == nullptr)
    return;
  platformBits_ = platformBitmap_->BitsPerPixel();
  rowTable_.resize(static_cast<std::size_t>(platformBitmap_->Height()));
  for (int row = 0; row < platformBitmap_->Height(); ++row) {
    rowTable_[static_cast<std::size_t>(row)] = platformBitmap_->ScanLine(row);
  }
}

void TImgBitmap::AllocatePlatformPixels() {
  if (platformBitmap_ == nullptr) {
    ownedPlatformBitmap_ = std::make_unique<TPlatformBitmap>();
    platformBitmap_ = ownedPlatformBitmap_.get();
    externalTBitmap_ = false;
  }
  platformBitmap_->SetSize(1, 1);
  if (pixelFormat_ == pf32f) {
    // The container then shows the platform bitmap as it is left: 1 x 1.
    ResetImageFields();
    RebuildRowTable();
    SyncWithPlatformBitmap();
    throw EImgError(TImgBitmap::kPf32fOnPlatformBitmap);
  }
  if (pixelFormat_ == pfGray16)
    pixelFormat_ = pfGray8;
  bitsPerPixel_ = FormatBitsPerPixel(pixelFormat_);
  if (pixelFormat_ == pfPalette8) {
    palette_.assign(1024, 0);
    paletteCount_ = 256;
  }
  const auto row = RowBytes(width_, PlatformDepth(pixelFormat_));
  const auto size = row ? CheckedMul(*row, height_) : std::nullopt;
  if (!size || *row > INT32_MAX || *size > kMaxImageBytes)
    throw EImgOutOfMemory(kOutOfMemory);
  try {
    platformBitmap_->SetBitsPerPixel(PlatformDepth(pixelFormat_));
    // Allocate promises no contents, and zeroing a photo-sized block costs a pass over it.
    platformBitmap_->SetSize(width_, height_, TNewPixels::Undefined);
  } catch (const std::bad_alloc&) {
    throw EImgOutOfMemory(kOutOfMemory);
  }
  rowLength_ = platformBitmap_->RowLength();
  WritePlatformColorTable();
  RebuildRowTable();
}

void TImgBitmap::WritePlatformColorTable() {
  if (platformBitmap_ == nullptr)
    return;
  auto& table = platformBitmap_->ColorTable();
  for (std::size_t i = 0; i < table.size(); ++i) {
    auto& entry = table[i];
    if (pixelFormat_ == pfPalette8 && !palette_.empty()) {
      entry.blue = palette_[i * 3];
      entry.green = palette_[i * 3 + 1];
      entry.red = palette_[i * 3 + 2];
    } else if (pixelFormat_ == pfBit1) {
      const std::uint8_t level = i == 1 ? 255 : 0;
      entry.blue = entry.green = entry.red = level;
    } else {
      entry.blue = entry.green = entry.red = static_cast<std::uint8_t>(i);
    }
    entry.reserved = 0;
  }
}

// ---- Outside stores and storage kinds --------------------------------------------------------

void TImgBitmap::AttachTBitmap(TPlatformBitmap* bitmap, bool freeFirst) {
  if (bitmap == nullptr || bitmap == platformBitmap_)
    return;
  std::unique_ptr<TImgBitmap> keptAlpha = freeFirst ? nullptr : std::move(alpha_);
  FreeImage();
  alpha_ = std::move(keptAlpha);
  platformBitmap_ = bitmap;
  externalTBitmap_ = true;
  location_ = locPlatformBitmap;
  SyncWithPlatformBitmap();
}

void TImgBitmap::AttachMemory(std::uint8_t* block, int width, int height, TImgBitmapFormat format,
                              bool freeFirst) {
  std::unique_ptr<TImgBitmap> keptAlpha = freeFirst ? nullptr : std::move(alpha_);
  FreeImage();
  alpha_ = std::move(keptAlpha);
  const auto row = RowBytes(width, FormatBitsPerPixel(format), ValidAlignBits(rowAlignBits_));
  if (block == nullptr || width <= 0 || height <= 0 || format == pfNoFormat || !row ||
      *row > INT32_MAX) {
    return;
  }
  location_ = locInMemory;
  memory_ = block;
  externalMemory_ = true;
  width_ = width;
  height_ = height;
  pixelFormat_ = format;
  bitsPerPixel_ = FormatBitsPerPixel(format);
  rowLength_ = *row;
  if (format == pfPalette8) {
    palette_.assign(1024, 0);
    paletteCount_ = 256;
  }
}

void TImgBitmap::SetLocation(TImgBitmapLocation location) {
  if (location == location_)
    return;
  if (IsEmpty()) {
    if (location_ == locPlatformBitmap)
      ReleaseStorage(false);
    location_ = location;
    return;
  }
  if (location == locPlatformBitmap && pixelFormat_ == pf32f)
    throw EImgError(TImgBitmap::kPf32fOnPlatformBitmap);
  if (location == locPlatformBitmap && pixelFormat_ == pfGray16)
    SetPixelFormat(pfGray8);
  auto saved = std::make_unique<TImgBitmap>();
  MoveTo(saved.get());
  location_ = location;
  rowAlignBits_ = saved->rowAlignBits_;
  Allocate(saved->width_, saved->height_, saved->pixelFormat_);
  CopyPixelsFrom(*saved);
  CopyPaletteFrom(*saved);
  alpha_ = std::move(saved->alpha_);
  isFull_ = saved->isFull_;
}

TPlatformBitmap* TImgBitmap::GetTBitmap() {
  SetLocation(locPlatformBitmap);
  if (platformBitmap_ == nullptr) {
    ownedPlatformBitmap_ = std::make_unique<TPlatformBitmap>();
    platformBitmap_ = ownedPlatformBitmap_.get();
    RebuildRowTable();
  }
  WritePlatformColorTable();
  return platformBitmap_;
}
