#include "imaging/proc/effects/bw/OrderedDither.h"

#include <cstring>

#include "imaging/core/ImgTypes.h"

namespace {

using DitherMatrix = std::array<std::array<std::uint8_t, 8>, 8>;

// M(2n) = [[4 M(n), 4 M(n) + 2], [4 M(n) + 3, 4 M(n) + 1]], starting from M(1) = [[0]].
constexpr DitherMatrix BuildMatrix() {
  DitherMatrix m{};
  for (int size = 1; size < 8; size *= 2) {
    constexpr int kOffsets[2][2] = {{0, 2}, {3, 1}};
    DitherMatrix next{};
    for (int quadrantRow = 0; quadrantRow < 2; ++quadrantRow) {
      for (int quadrantColumn = 0; quadrantColumn < 2; ++quadrantColumn) {
        for (int r = 0; r < size; ++r) {
          for (int c = 0; c < size; ++c) {
            next[quadrantRow * size + r][quadrantColumn * size + c] =
                static_cast<std::uint8_t>(4 * m[r][c] + kOffsets[quadrantRow][quadrantColumn]);
          }
        }
      }
    }
    m = next;
  }
  return m;
}

constexpr DitherMatrix kMatrix = BuildMatrix();

// Near-white pixels count as level 64, above every matrix entry, so they never get a black dot.
constexpr int kNearWhite = 251;

}  // namespace

const std::array<std::array<std::uint8_t, 8>, 8>& OrderedDitherMatrix() {
  return kMatrix;
}

void DitherToBlackAndWhite(TImgBaseBitmap& source, TImgBaseBitmap& target,
                           const EffectProgress& progress) {
  if (source.PixelFormat() != pfBGR24)
    return;
  const int width = source.Width();
  const int height = source.Height();
  target.Allocate(width, height, pfBit1);
  if (width <= 0 || height <= 0)
    return;
  const std::size_t targetBytes = static_cast<std::size_t>(target.RowLength());
  for (int y = 0; y < height; ++y) {
    // The pixel's column picks the matrix row, so along a row the entries run down one column.
    std::uint8_t thresholds[8];
    for (int i = 0; i < 8; ++i)
      thresholds[i] = kMatrix[static_cast<std::size_t>(i)][static_cast<std::size_t>(y & 7)];
    const std::uint8_t* pixels = source.RowPtr(y);
    std::uint8_t* bits = target.RowPtr(y);
    std::memset(bits, 0, targetBytes);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = pixels + 3 * x;
      const bool nearWhite = p[0] >= kNearWhite && p[1] >= kNearWhite && p[2] >= kNearWhite;
      const int level = nearWhite ? 64 : GrayLevel(p[2], p[1], p[0]) / 4;
      if (level > thresholds[x & 7])
        bits[x >> 3] |= static_cast<std::uint8_t>(0x80u >> (x & 7));
    }
    if (progress)
      progress(static_cast<int>(100 / (height + 0.5) * (y + 1)));
  }
}
