// Copies of TImgBitmap and hand-overs between containers.
#include "imaging/core/TImgBitmap.h"

#include <algorithm>
#include <cstring>

#include "platform/PlatformBitmap.h"

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
  if (bitmap == alpha_.get()) {
    // Re-allocating this container frees its alpha channel: keep the source alive meanwhile.
    const std::unique_ptr<TImgBitmap> ownAlpha = std::move(alpha_);
    Assign(ownAlpha.get());
    return;
  }
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
        // A failed file copy (a full disk, say) still gets the rows one by one.
        if (!TImgFileBuffer::CopyFile(bitmap->fileStore_, 0, fileStore_, 0, fileStore_.FileSize()))
          CopyPixelsFrom(*bitmap);
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
  // The alpha channel would be freed along with this container's image.
  if (destination == nullptr || destination == this || destination == alpha_.get())
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
