#include "imaging/core/TImgBitmap.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "imaging/core/ImgErrors.h"
#include "imaging/core/SizeMath.h"
#include "imaging/core/TImgBitmapInternal.h"
#include "platform/PlatformBitmap.h"
#include "platform/SystemInfo.h"

namespace {

std::int64_t gDefaultMemoryThreshold = -1;

std::string& TempFolderSetting() {
  static std::string folder;
  return folder;
}

constexpr std::int64_t kFallbackMemoryThreshold = 33554432;

std::int64_t InitialMemoryThreshold() {
  if (gDefaultMemoryThreshold != -1)
    return gDefaultMemoryThreshold;
  const std::int64_t available = AvailablePhysicalMemory();
  return available > 0 ? available / 2 : kFallbackMemoryThreshold;
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
