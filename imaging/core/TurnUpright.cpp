#include "imaging/core/TurnUpright.h"

#include <cstring>
#include <optional>

#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TImgMask.h"

namespace {

// Where source pixel (x, y) lands: (x0 + x * xx + y * xy, y0 + x * yx + y * yy).
struct TPlacement {
  int x0, xx, xy;
  int y0, yx, yy;
};

std::optional<TPlacement> PlacementOf(int orientation, int width, int height) {
  const int right = width - 1;
  const int bottom = height - 1;
  switch (orientation) {
    case 2:
      return TPlacement{right, -1, 0, 0, 0, 1};
    case 3:
      return TPlacement{right, -1, 0, bottom, 0, -1};
    case 4:
      return TPlacement{0, 1, 0, bottom, 0, -1};
    case 5:
      return TPlacement{0, 0, 1, 0, 1, 0};
    case 6:
      return TPlacement{bottom, 0, -1, 0, 1, 0};
    case 7:
      return TPlacement{bottom, 0, -1, right, -1, 0};
    case 8:
      return TPlacement{0, 0, 1, right, -1, 0};
    default:
      return std::nullopt;
  }
}

template <typename Raster>
void Place(Raster& source, Raster& target, const TPlacement& placement) {
  const int bitsPerPixel = source.BitsPerPixel();
  const auto bytes = static_cast<std::size_t>(bitsPerPixel / 8);
  for (int y = 0; y < source.Height(); ++y) {
    const std::uint8_t* from = source.RowPtr(y);
    int toX = placement.x0 + y * placement.xy;
    int toY = placement.y0 + y * placement.yy;
    for (int x = 0; x < source.Width(); ++x, toX += placement.xx, toY += placement.yx) {
      std::uint8_t* to = target.RowPtr(toY);
      if (bitsPerPixel == 1) {
        const int bit = (from[x / 8] >> (7 - x % 8)) & 1;
        const auto mask = static_cast<std::uint8_t>(0x80 >> (toX % 8));
        to[toX / 8] =
            static_cast<std::uint8_t>(bit != 0 ? to[toX / 8] | mask : to[toX / 8] & ~mask);
      } else {
        std::memcpy(to + static_cast<std::size_t>(toX) * bytes,
                    from + static_cast<std::size_t>(x) * bytes, bytes);
      }
    }
  }
}

}  // namespace

void TurnUpright(TImgBitmap& bitmap, int orientation, TImgMask* mask) {
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  const std::optional<TPlacement> placement = PlacementOf(orientation, width, height);
  if (!placement)
    return;
  const int turnedWidth = OrientationSwapsSides(orientation) ? height : width;
  const int turnedHeight = OrientationSwapsSides(orientation) ? width : height;

  TImgBitmap turned;
  turned.Allocate(turnedWidth, turnedHeight, bitmap.PixelFormat());
  if (bitmap.Palette() != nullptr && turned.Palette() != nullptr)
    std::memcpy(turned.Palette(), bitmap.Palette(), 256 * 3);
  Place(bitmap, turned, *placement);
  turned.MoveTo(&bitmap);

  if (mask != nullptr && mask->Width() == width && mask->Height() == height) {
    TImgMask turnedMask(turnedWidth, turnedHeight, mask->BitsPerPixel());
    Place(*mask, turnedMask, *placement);
    *mask = std::move(turnedMask);
  }
}
