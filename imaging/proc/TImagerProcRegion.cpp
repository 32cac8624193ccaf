#include <algorithm>
#include <cstring>

#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TImgMask.h"
#include "imaging/core/TImgView.h"
#include "imaging/proc/TImagerProc.h"

bool TImagerProc::GetRegion(int& x1, int& y1, int& x2, int& y2, TImgMask*& mask) {
  x1 = 0;
  y1 = 0;
  x2 = currentImage_ != nullptr ? currentImage_->Width() : 0;
  y2 = currentImage_ != nullptr ? currentImage_->Height() : 0;
  mask = attachedImager_ != nullptr ? attachedImager_->SelectionMask() : nullptr;
  if (mask == nullptr)
    return false;
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  if (mask->BoundingBox(left, top, right, bottom)) {
    x1 = left;
    y1 = top;
    x2 = right + 1;
    y2 = bottom + 1;
  }
  return true;
}

bool TImagerProc::PrepareRegion(TImgFormatSet allowedFormats, const std::string& caption,
                                Region& region) {
  if (!BeginOperation(allowedFormats))
    return false;
  if (autoUndo_)
    SaveUndoCaption(caption, 1);
  region = Region{};
  region.bitmap = currentImage_;
  GetRegion(region.x1, region.y1, region.x2, region.y2, region.mask);
  if (region.mask == nullptr || region.mask->IsEmpty())
    return true;

  // A selection mask may be larger than the image; only the part over the image is worked on.
  const int left = region.x1;
  const int top = region.y1;
  const int width = std::min(region.x2, currentImage_->Width()) - left;
  const int height = std::min(region.y2, currentImage_->Height()) - top;
  if (width <= 0 || height <= 0) {
    region.x2 = region.x1;
    region.y2 = region.y1;
    return true;
  }
  region.copy = std::make_unique<TImgBitmap>();
  region.copy->Allocate(width, height, currentImage_->PixelFormat());
  if (currentImage_->Palette() != nullptr && region.copy->Palette() != nullptr) {
    const int entries = std::min(currentImage_->PaletteCount(), region.copy->PaletteCount());
    std::memcpy(region.copy->Palette(), currentImage_->Palette(),
                static_cast<std::size_t>(entries) * 3);
  }
  currentImage_->CopyRect(region.copy.get(), left, top, 0, 0, width, height);
  region.bitmap = region.copy.get();
  region.originX = left;
  region.originY = top;
  region.x1 = 0;
  region.y1 = 0;
  region.x2 = width;
  region.y2 = height;
  return true;
}

void TImagerProc::FinishRegion(Region& region) {
  if (region.copy) {
    if (region.mask != nullptr) {
      MergeThroughMask(*region.copy, *region.mask, region.originX, region.originY);
    }
    region.copy.reset();
    region.bitmap = currentImage_;
  }
  UpdateView();
}

void TImagerProc::MergeThroughMask(TImgBitmap& copy, const TImgMask& mask, int left, int top) {
  const int bitsPerPixel = copy.BitsPerPixel();
  if (bitsPerPixel == 0 || bitsPerPixel != currentImage_->BitsPerPixel())
    return;
  const int width = std::min({copy.Width(), currentImage_->Width() - left, mask.Width() - left});
  const int height = std::min({copy.Height(), currentImage_->Height() - top, mask.Height() - top});
  const std::size_t pixelBytes = static_cast<std::size_t>(bitsPerPixel / 8);
  const bool bitMask = mask.BitsPerPixel() == 1;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* maskRow = mask.RowPtr(top + y);
    const std::uint8_t* source = copy.RowPtr(y);
    std::uint8_t* target = currentImage_->RowPtr(top + y);
    for (int x = 0; x < width; ++x) {
      const int maskX = left + x;
      const bool selected =
          bitMask ? (maskRow[maskX / 8] & (0x80 >> (maskX % 8))) != 0 : maskRow[maskX] != 0;
      if (!selected)
        continue;
      if (bitsPerPixel == 1) {
        const int targetX = left + x;
        const auto targetBit = static_cast<std::uint8_t>(0x80 >> (targetX % 8));
        const bool white = (source[x / 8] & (0x80 >> (x % 8))) != 0;
        std::uint8_t& byte = target[targetX / 8];
        byte = white ? static_cast<std::uint8_t>(byte | targetBit)
                     : static_cast<std::uint8_t>(byte & ~targetBit);
      } else {
        std::memcpy(target + static_cast<std::size_t>(left + x) * pixelBytes,
                    source + static_cast<std::size_t>(x) * pixelBytes, pixelBytes);
      }
    }
  }
}
