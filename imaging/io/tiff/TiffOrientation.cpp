#include "imaging/io/tiff/TiffOrientation.h"

#include <cstring>
#include <functional>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TImgMask.h"

namespace {

// Where a source pixel (x, y) of a width x height raster lands.
using TPlacement = std::function<void(int x, int y, int width, int height, int& toX, int& toY)>;

struct TRasterView {
  int width;
  int height;
  int bitsPerPixel;
  std::function<std::uint8_t*(int)> row;
};

TRasterView ViewOf(TImgBitmap& bitmap) {
  return {bitmap.Width(), bitmap.Height(), bitmap.BitsPerPixel(),
          [&bitmap](int y) { return bitmap.RowPtr(y); }};
}

TRasterView ViewOf(TImgMask& mask) {
  return {mask.Width(), mask.Height(), mask.BitsPerPixel(),
          [&mask](int y) { return mask.RowPtr(y); }};
}

void CopyPixel(const std::uint8_t* from, int fromX, std::uint8_t* to, int toX, int bitsPerPixel) {
  if (bitsPerPixel == 1) {
    const int bit = (from[fromX / 8] >> (7 - fromX % 8)) & 1;
    const auto mask = static_cast<std::uint8_t>(0x80 >> (toX % 8));
    to[toX / 8] = static_cast<std::uint8_t>(bit != 0 ? to[toX / 8] | mask : to[toX / 8] & ~mask);
    return;
  }
  const auto bytes = static_cast<std::size_t>(bitsPerPixel / 8);
  std::memcpy(to + static_cast<std::size_t>(toX) * bytes,
              from + static_cast<std::size_t>(fromX) * bytes, bytes);
}

// Copies every pixel of source to its place in target, whose size fits the placement.
void Place(const TRasterView& source, const TRasterView& target, const TPlacement& placement) {
  for (int y = 0; y < source.height; ++y) {
    const std::uint8_t* from = source.row(y);
    for (int x = 0; x < source.width; ++x) {
      int toX = 0;
      int toY = 0;
      placement(x, y, source.width, source.height, toX, toY);
      CopyPixel(from, x, target.row(toY), toX, source.bitsPerPixel);
    }
  }
}

TPlacement PlacementOf(int orientation) {
  switch (orientation) {
    case 2:
      return [](int x, int y, int w, int, int& tx, int& ty) { tx = w - 1 - x, ty = y; };
    case 3:
      return [](int x, int y, int w, int h, int& tx, int& ty) { tx = w - 1 - x, ty = h - 1 - y; };
    case 4:
      return [](int x, int y, int, int h, int& tx, int& ty) { tx = x, ty = h - 1 - y; };
    case 5:
      return [](int x, int y, int, int, int& tx, int& ty) { tx = y, ty = x; };
    case 6:
      return [](int x, int y, int, int h, int& tx, int& ty) { tx = h - 1 - y, ty = x; };
    case 7:
      return [](int x, int y, int w, int h, int& tx, int& ty) { tx = h - 1 - y, ty = w - 1 - x; };
    case 8:
      return [](int x, int y, int w, int, int& tx, int& ty) { tx = y, ty = w - 1 - x; };
    default:
      return nullptr;
  }
}

bool SwapsSides(int orientation) {
  return orientation >= 5;
}

}  // namespace

void ApplyTiffOrientation(TImgBitmap& bitmap, int orientation, TImgMask* mask) {
  const TPlacement placement = PlacementOf(orientation);
  if (!placement)
    return;
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  const int turnedWidth = SwapsSides(orientation) ? height : width;
  const int turnedHeight = SwapsSides(orientation) ? width : height;

  TImgBitmap turned;
  turned.Allocate(turnedWidth, turnedHeight, bitmap.PixelFormat());
  if (bitmap.Palette() != nullptr && turned.Palette() != nullptr)
    std::memcpy(turned.Palette(), bitmap.Palette(), 256 * 3);
  Place(ViewOf(bitmap), ViewOf(turned), placement);
  turned.MoveTo(&bitmap);

  if (mask != nullptr && mask->Width() == width && mask->Height() == height) {
    TImgMask turnedMask(turnedWidth, turnedHeight, mask->BitsPerPixel());
    Place(ViewOf(*mask), ViewOf(turnedMask), placement);
    *mask = std::move(turnedMask);
  }
}
