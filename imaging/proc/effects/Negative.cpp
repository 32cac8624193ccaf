#include <algorithm>
#include <cmath>
#include <cstdint>

#include "imaging/core/TImgBitmap.h"
#include "imaging/proc/TImagerProc.h"

namespace {

void InvertBytes(std::uint8_t* begin, std::uint8_t* end) {
  for (std::uint8_t* p = begin; p != end; ++p)
    *p = static_cast<std::uint8_t>(~*p);
}

// Flips the bits of pixels [x1, x2) in a 1-bit row; bits of other pixels in the same bytes
// keep their values.
void InvertBits(std::uint8_t* row, int x1, int x2) {
  const int firstByte = x1 / 8;
  const int lastByte = (x2 - 1) / 8;
  const auto headMask = static_cast<std::uint8_t>(0xFF >> (x1 % 8));
  const auto tailMask = static_cast<std::uint8_t>(0xFF << (7 - (x2 - 1) % 8));
  if (firstByte == lastByte) {
    row[firstByte] ^= static_cast<std::uint8_t>(headMask & tailMask);
    return;
  }
  row[firstByte] ^= headMask;
  InvertBytes(row + firstByte + 1, row + lastByte);
  row[lastByte] ^= tailMask;
}

}  // namespace

void TImagerProc::Negative() {
  Region region;
  if (!PrepareRegion(TImgFormatSet{}, "Negative", region))
    return;
  TImgBitmap& bitmap = *region.bitmap;
  const TImgBitmapFormat format = bitmap.PixelFormat();
  const int x1 = std::max(region.x1, 0);
  const int y1 = std::max(region.y1, 0);
  const int x2 = std::min(region.x2, bitmap.Width());
  const int lastRow = std::min(region.y2, bitmap.Height()) - 1;
  if ((format == pfBGR24 || format == pfBit1) && x1 < x2) {
    const double rowsSpan = (lastRow - y1) + 0.5;
    for (int r = y1; r <= lastRow; ++r) {
      std::uint8_t* row = bitmap.RowPtr(r);
      if (format == pfBGR24) {
        InvertBytes(row + static_cast<std::ptrdiff_t>(x1) * 3,
                    row + static_cast<std::ptrdiff_t>(x2) * 3);
      } else {
        InvertBits(row, x1, x2);
      }
      if (OnProgress) {
        // Short regions would report more than 100 percent by the plain ratio.
        const double percent = std::trunc(100.0 / rowsSpan * (r - y1 + 1));
        Progress(static_cast<int>(std::min(percent, 100.0)));
      }
    }
  }
  FinishRegion(region);
}
