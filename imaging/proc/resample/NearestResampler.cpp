#include "imaging/proc/resample/NearestResampler.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/core/TImgBitmap.h"

namespace {

std::vector<int> SourceIndices(int targetSize, int sourceSize) {
  const double step = static_cast<double>(sourceSize) / targetSize;
  std::vector<int> indices(static_cast<std::size_t>(targetSize));
  for (int i = 0; i < targetSize; ++i)
    indices[i] = std::min(static_cast<int>(step * i), sourceSize - 1);
  return indices;
}

void StretchBits(const std::uint8_t* in, std::uint8_t* out, const std::vector<int>& columns) {
  const int width = static_cast<int>(columns.size());
  std::memset(out, 0, static_cast<std::size_t>(width + 7) / 8);
  for (int i = 0; i < width; ++i) {
    const int x = columns[i];
    if (in[x >> 3] & (0x80u >> (x & 7)))
      out[i >> 3] |= static_cast<std::uint8_t>(0x80u >> (i & 7));
  }
}

template <int kBytes>
void StretchPixels(const std::uint8_t* in, std::uint8_t* out, const std::vector<int>& columns) {
  for (std::size_t i = 0; i < columns.size(); ++i)
    std::memcpy(out + i * kBytes, in + static_cast<std::size_t>(columns[i]) * kBytes, kBytes);
}

void StretchRow(int bitsPerPixel, const std::uint8_t* in, std::uint8_t* out,
                const std::vector<int>& columns) {
  switch (bitsPerPixel) {
    case 1:
      StretchBits(in, out, columns);
      break;
    case 8:
      StretchPixels<1>(in, out, columns);
      break;
    case 16:
      StretchPixels<2>(in, out, columns);
      break;
    case 24:
      StretchPixels<3>(in, out, columns);
      break;
    case 32:
      StretchPixels<4>(in, out, columns);
      break;
    default:
      break;
  }
}

}  // namespace

void NearestResample(TImgBitmap& source, TImgBitmap& target, const ResampleProgress& progress) {
  const int width = target.Width(), height = target.Height();
  if (source.Width() <= 0 || source.Height() <= 0 || width <= 0 || height <= 0)
    return;
  const int bitsPerPixel = source.BitsPerPixel();
  const std::vector<int> columns = SourceIndices(width, source.Width());
  const std::vector<int> rows = SourceIndices(height, source.Height());
  std::vector<std::uint8_t> targetRow(static_cast<std::size_t>(target.RowLength()));
  int loadedRow = -1;
  for (int r = 0; r < height; ++r) {
    if (rows[r] != loadedRow) {
      StretchRow(bitsPerPixel, source.RowPtr(rows[r]), targetRow.data(), columns);
      loadedRow = rows[r];
    }
    std::copy(targetRow.begin(), targetRow.end(), target.RowPtr(r));
    ReportProgress(progress, static_cast<int>(100.0 / (height + 0.5) * r));
  }
}
