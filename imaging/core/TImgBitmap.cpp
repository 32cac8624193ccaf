#include "imaging/core/TImgBitmap.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "imaging/core/ImgErrors.h"
#include "imaging/core/SizeMath.h"
#include "platform/PlatformBitmap.h"
#include "platform/SystemInfo.h"

namespace {

std::int64_t gDefaultMemoryThreshold = -1;

std::string& TempFolderSetting() {
  static std::string folder;
  return folder;
}

constexpr std::int64_t kFallbackMemoryThreshold = 33554432;
constexpr char kOutOfMemory[] = "Out of memory";

std::int64_t InitialMemoryThreshold() {
  if (gDefaultMemoryThreshold != -1)
    return gDefaultMemoryThreshold;
  const std::int64_t available = AvailablePhysicalMemory();
  return available > 0 ? available / 2 : kFallbackMemoryThreshold;
}

int ValidAlignBits(int bits) {
  return bits > 0 && bits % 8 == 0 ? bits : 32;
}

int PlatformDepth(TImgBitmapFormat format) {
  if (format == pfBit1)
    return 1;
  if (format == pfBGR24)
    return 24;
  return 8;
}

}  // namespace

TImgBitmap::TImgBitmap() : memoryThreshold_(InitialMemoryThreshold()) {}

TImgBitmap::TImgBitmap(int width, int height, TImgBitmapLocation location)
    : isAlphaChannel_(true), memoryThreshold_(InitialMemoryThreshold()) {
  location_ = location == locPlatformBitmap ? locInMemory : location;
  Allocate(width, height, pfGray8);
  FillAll(255);
}

TImgBitmap::~TImgBitmap() {
  ReleaseStorage(false);
}

void TImgBitmap::SetDefaultMemoryThreshold(std::int64_t threshold) {
  gDefaultMemoryThreshold = threshold;
}
std::int64_t TImgBitmap::DefaultMemoryThreshold() {
  return gDefaultMemoryThreshold;
}
void TImgBitmap::SetTempFolder(const std::string& folder) {
  TempFolderSetting() = folder;
}
const std::string& TImgBitmap::TempFolder() {
  return TempFolderSetting();
}

// ---- Queries ---------------------------------------------------------------------------------

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

int TImgBitmap::BitsPerPixel() {
  SyncWithPlatformBitmap();
  return bitsPerPixel_;
}
int TImgBitmap::Height() {
  SyncWithPlatformBitmap();
  return height_;
}
int TImgBitmap::Width() {
  SyncWithPlatformBitmap();
  return width_;
}
TImgBitmapFormat TImgBitmap::PixelFormat() {
  SyncWithPlatformBitmap();
  return pixelFormat_;
}
int TImgBitmap::RowLength() {
  SyncWithPlatformBitmap();
  return static_cast<int>(rowLength_);
}
std::int64_t TImgBitmap::RowLength64() {
  SyncWithPlatformBitmap();
  return rowLength_;
}

bool TImgBitmap::IsEmpty() {
  SyncWithPlatformBitmap();
  if (width_ <= 0 || height_ <= 0 || pixelFormat_ == pfNoFormat)
    return true;
  switch (location_) {
    case locInMemory:
      return memory_ == nullptr;
    case locOnDisk:
      return !fileStore_.IsOpen();
    case locPlatformBitmap:
      return platformBitmap_ == nullptr;
  }
  return true;
}

// ---- Rows ------------------------------------------------------------------------------------

std::uint8_t* TImgBitmap::RowPtr(int row) {
  SyncWithPlatformBitmap();
  if (row < 0 || row >= height_)
    return nullptr;
  switch (location_) {
    case locInMemory:
      if (memory_ == nullptr)
        return nullptr;
      return memory_ + static_cast<std::int64_t>(height_ - 1 - row) * rowLength_;
    case locOnDisk: {
      if (!fileStore_.IsOpen())
        return nullptr;
      if (currentDiskRow_ >= 0 && currentDiskRow_ != row &&
          heldRows_.count(static_cast<int>(currentDiskRow_)) == 0) {
        fileStore_.ReleaseRow(currentDiskRow_ * rowLength_);
      }
      currentDiskRow_ = row;
      return fileStore_.FetchRow(row * rowLength_, rowLength_, (accessMode_ & 1) != 0,
                                 (accessMode_ & 2) != 0);
    }
    case locPlatformBitmap:
      if (static_cast<std::size_t>(row) >= rowTable_.size())
        return nullptr;
      return rowTable_[static_cast<std::size_t>(row)];
  }
  return nullptr;
}

std::uint8_t* TImgBitmap::RowPtrHeld(int row) {
  if (location_ != locOnDisk)
    return RowPtr(row);
  if (row < 0 || row >= height_ || !fileStore_.IsOpen())
    return nullptr;
  heldRows_.insert(row);
  return fileStore_.FetchRow(row * rowLength_, rowLength_, (accessMode_ & 1) != 0,
                             (accessMode_ & 2) != 0);
}

void TImgBitmap::ReleaseRow(int row) {
  if (location_ != locOnDisk || heldRows_.erase(row) == 0)
    return;
  // The row stays fetched while it is also the one RowPtr returned last.
  if (row != currentDiskRow_)
    fileStore_.ReleaseRow(row * rowLength_);
}

void TImgBitmap::ReleaseRows() {
  fileStore_.ReleaseAllRows();
  heldRows_.clear();
  currentDiskRow_ = -1;
}

// ---- Allocation ------------------------------------------------------------------------------

void TImgBitmap::ReleaseStorage(bool keepPlatformBitmap) {
  fileStore_.Close();
  heldRows_.clear();
  currentDiskRow_ = -1;
  ownedMemory_.reset();
  memory_ = nullptr;
  externalMemory_ = false;
  if (!keepPlatformBitmap) {
    ownedPlatformBitmap_.reset();
    platformBitmap_ = nullptr;
    externalTBitmap_ = false;
  }
  rowTable_.clear();
  platformBits_ = 0;
  palette_.clear();
  paletteCount_ = 0;
  alpha_.reset();
}

void TImgBitmap::ResetImageFields() {
  width_ = 0;
  height_ = 0;
  bitsPerPixel_ = 0;
  rowLength_ = 0;
  pixelFormat_ = pfNoFormat;
  isFull_ = false;
}

void TImgBitmap::FreeImage() {
  ReleaseStorage(false);
  ResetImageFields();
}

void TImgBitmap::Allocate(int width, int height, TImgBitmapFormat format) {
  ReleaseStorage(true);
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  pixelFormat_ = format;
  bitsPerPixel_ = FormatBitsPerPixel(format);
  rowLength_ = 0;
  isFull_ = false;
  if (width <= 0 || height <= 0 || format == pfNoFormat) {
    if (platformBitmap_ != nullptr && location_ == locPlatformBitmap) {
      platformBitmap_->SetSize(0, 0);
      RebuildRowTable();
    }
    return;
  }
  try {
    AllocatePixels();
  } catch (const EImgOutOfMemory&) {
    ReleaseStorage(true);
    if (platformBitmap_ != nullptr) {
      platformBitmap_->SetSize(0, 0);
      RebuildRowTable();
    }
    ResetImageFields();
    throw;
  }
}

void TImgBitmap::AllocatePixels() {
  if (location_ == locPlatformBitmap) {
    AllocatePlatformPixels();
    return;
  }
  if (pixelFormat_ == pfPalette8) {
    palette_.assign(1024, 0);
    paletteCount_ = 256;
  }
  const auto row = RowBytes(width_, bitsPerPixel_, ValidAlignBits(rowAlignBits_));
  const auto size = row ? CheckedMul(*row, height_) : std::nullopt;
  if (!size || *row > INT32_MAX)
    throw EImgOutOfMemory(kOutOfMemory);
  rowLength_ = *row;

  if (location_ == locOnDisk && *size < memoryThreshold_)
    location_ = locInMemory;
  if (location_ == locInMemory && *size > memoryThreshold_)
    location_ = locOnDisk;

  if (location_ == locOnDisk && !fileStore_.Create(*size, TempFolder()))
    location_ = locInMemory;
  if (location_ == locInMemory) {
    if (*size > kMaxImageBytes)
      throw EImgOutOfMemory(kOutOfMemory);
    ownedMemory_.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(*size)]);
    if (!ownedMemory_)
      throw EImgOutOfMemory(kOutOfMemory);
    memory_ = ownedMemory_.get();
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
    platformBitmap_->SetSize(width_, height_);
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

// ---- Copies and moves ------------------------------------------------------------------------

void TImgBitmap::CopyPixelsFrom(TImgBitmap& source) {
  const std::int64_t bytes = std::min(source.RowLength64(), RowLength64());
  for (int row = 0; row < height_; ++row) {
    const std::uint8_t* from = source.RowPtr(row);
    std::uint8_t* to = RowPtr(row);
    if (from != nullptr && to != nullptr)
      std::memcpy(to, from, static_cast<std::size_t>(bytes));
  }
}

void TImgBitmap::Assign(TImgBaseBitmap* source) {
  auto* bitmap = dynamic_cast<TImgBitmap*>(source);
  if (bitmap == nullptr || bitmap == this)
    return;
  const std::uint8_t sourceMode = bitmap->accessMode_;
  const std::uint8_t ownMode = accessMode_;
  bitmap->accessMode_ = 1;
  accessMode_ = 2;
  try {
    rowAlignBits_ = bitmap->rowAlignBits_;
    const TImgBitmapFormat format = bitmap->PixelFormat();
    Allocate(bitmap->Width(), bitmap->Height(), format);
    if (!bitmap->IsEmpty() && !IsEmpty()) {
      const bool diskToDisk = location_ == locOnDisk && bitmap->location_ == locOnDisk &&
                              rowLength_ == bitmap->rowLength_;
      if (pixelFormat_ != format) {
        ConvertPixelsFrom(*bitmap);
      } else if (diskToDisk) {
        bitmap->fileStore_.FlushRows();
        TImgFileBuffer::CopyFile(bitmap->fileStore_, 0, fileStore_, 0, fileStore_.FileSize());
      } else {
        CopyPixelsFrom(*bitmap);
      }
    }
    if (!bitmap->palette_.empty() && pixelFormat_ == pfPalette8) {
      palette_ = bitmap->palette_;
      paletteCount_ = bitmap->paletteCount_;
      WritePlatformColorTable();
    }
    if (bitmap->alpha_ && !isAlphaChannel_) {
      alpha_ = std::make_unique<TImgBitmap>(0, 0, locInMemory);
      alpha_->Assign(bitmap->alpha_.get());
    }
    isFull_ = bitmap->isFull_;
    bwConversion_ = bitmap->bwConversion_;
  } catch (...) {
    bitmap->accessMode_ = sourceMode;
    accessMode_ = ownMode;
    throw;
  }
  ReleaseRows();
  bitmap->accessMode_ = sourceMode;
  accessMode_ = ownMode;
}

void TImgBitmap::Assign(TPlatformBitmap* source) {
  if (source != nullptr)
    CopyFromTBitmap(source);
}

void TImgBitmap::MoveTo(TImgBitmap* destination) {
  if (destination == nullptr || destination == this)
    return;
  destination->FreeImage();
  destination->fileStore_.Swap(fileStore_);
  destination->width_ = width_;
  destination->height_ = height_;
  destination->bitsPerPixel_ = bitsPerPixel_;
  destination->rowLength_ = rowLength_;
  destination->pixelFormat_ = pixelFormat_;
  destination->palette_ = std::move(palette_);
  destination->paletteCount_ = paletteCount_;
  if (!destination->isAlphaChannel_)
    destination->alpha_ = std::move(alpha_);
  destination->memory_ = memory_;
  destination->ownedMemory_ = std::move(ownedMemory_);
  destination->externalMemory_ = externalMemory_;
  destination->platformBitmap_ = platformBitmap_;
  destination->ownedPlatformBitmap_ = std::move(ownedPlatformBitmap_);
  destination->externalTBitmap_ = externalTBitmap_;
  destination->rowTable_ = std::move(rowTable_);
  destination->platformBits_ = platformBits_;
  destination->currentDiskRow_ = currentDiskRow_;
  destination->heldRows_ = std::move(heldRows_);
  destination->location_ = location_;
  destination->isFull_ = isFull_;
  destination->memoryThreshold_ = memoryThreshold_;
  destination->bwConversion_ = bwConversion_;
  destination->paletteColors_ = paletteColors_;
  destination->accessMode_ = accessMode_;
  destination->rowAlignBits_ = rowAlignBits_;

  platformBitmap_ = nullptr;
  externalTBitmap_ = false;
  ReleaseStorage(false);
  ResetImageFields();
}

std::unique_ptr<TImgBitmap> TImgBitmap::DetachImage() {
  auto saved = std::make_unique<TImgBitmap>();
  if (location_ == locPlatformBitmap && externalTBitmap_) {
    saved->SetMemoryThreshold(memoryThreshold_);
    saved->Assign(this);
    if (alpha_)
      saved->alpha_ = std::move(alpha_);
    return saved;
  }
  const TImgBitmapLocation location = location_;
  MoveTo(saved.get());
  location_ = location;
  return saved;
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
  if (pixelFormat_ == pfPalette8) {
    palette_ = saved->palette_;
    paletteCount_ = saved->paletteCount_;
    WritePlatformColorTable();
  }
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

// ---- Alpha channel ---------------------------------------------------------------------------

TImgBitmap* TImgBitmap::AlphaChannel() {
  if (isAlphaChannel_)
    return nullptr;
  if (!alpha_)
    alpha_ = std::make_unique<TImgBitmap>(Width(), Height(), location_);
  return alpha_.get();
}

void TImgBitmap::RemoveAlphaChannel() {
  if (!isAlphaChannel_)
    alpha_.reset();
}
