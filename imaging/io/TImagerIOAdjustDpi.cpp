#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"

namespace {

// Nearest-neighbour stretch of one container in its own pixel format.
void StretchNearest(TImgBitmap& bitmap, int width, int height) {
  const TImgBitmapFormat format = bitmap.PixelFormat();
  const int sourceWidth = bitmap.Width();
  const int sourceHeight = bitmap.Height();
  if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0)
    return;
  TImgBitmap target;
  target.Allocate(width, height, format);
  if (bitmap.Palette() != nullptr && target.Palette() != nullptr) {
    std::memcpy(target.Palette(), bitmap.Palette(), 256 * 3);
  }
  std::vector<int> columns(static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x) {
    columns[static_cast<std::size_t>(x)] =
        static_cast<int>(static_cast<std::int64_t>(x) * sourceWidth / width);
  }
  const int bytesPerPixel = bitmap.BitsPerPixel() / 8;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* source =
        bitmap.RowPtr(static_cast<int>(static_cast<std::int64_t>(y) * sourceHeight / height));
    std::uint8_t* row = target.RowPtr(y);
    if (format == pfBit1) {
      std::memset(row, 0, static_cast<std::size_t>((width + 7) / 8));
      for (int x = 0; x < width; ++x) {
        const int sx = columns[static_cast<std::size_t>(x)];
        if ((source[sx >> 3] >> (7 - (sx & 7))) & 1)
          row[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
      }
      continue;
    }
    for (int x = 0; x < width; ++x) {
      std::memcpy(row + x * bytesPerPixel,
                  source + columns[static_cast<std::size_t>(x)] * bytesPerPixel,
                  static_cast<std::size_t>(bytesPerPixel));
    }
  }
  bitmap.Assign(&target);
}

}  // namespace

void TImagerIO::AdjustDPI() {
  const int resolutionX = params_->ResolutionX;
  const int resolutionY = params_->ResolutionY;
  if (resolutionX <= 0 || resolutionY <= 0 || resolutionX == resolutionY)
    return;
  int width = bitmap_->Width();
  int height = bitmap_->Height();
  if (height < width) {
    height =
        static_cast<int>(std::nearbyint(static_cast<double>(height) / resolutionY * resolutionX));
    params_->SetResolutionY(resolutionX);
  } else {
    width =
        static_cast<int>(std::nearbyint(static_cast<double>(width) / resolutionX * resolutionY));
    params_->SetResolutionX(resolutionY);
  }
  if (filteredAdjustDPI_)
    bitmap_->SetPixelFormat(pfBGR24);
  StretchNearest(*bitmap_, width, height);
  if (bitmap_->HasAlphaChannel())
    StretchNearest(*bitmap_->AlphaChannel(), width, height);
}
