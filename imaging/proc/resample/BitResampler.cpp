#include "imaging/proc/resample/BitResampler.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/proc/resample/ResampleCommon.h"

namespace {

constexpr int kOne = 131072;  // one pixel in 17-bit fixed point

int FloorDiv(std::int64_t numerator, std::int64_t denominator) {
  std::int64_t quotient = numerator / denominator;
  if ((numerator % denominator != 0) && (numerator < 0))
    --quotient;
  return static_cast<int>(quotient);
}

// Interpolation positions: whole index and 17-bit fraction of target index i / scale.
struct Step {
  int index;
  int fraction;
};

std::vector<Step> Steps(int targetSize, int sourceSize, double scale) {
  std::vector<Step> steps(static_cast<std::size_t>(targetSize));
  for (int i = 0; i < targetSize; ++i) {
    const double position = i / scale;
    const int index = std::min(static_cast<int>(position), sourceSize - 1);
    steps[i] = {index, static_cast<int>((position - static_cast<int>(position)) * kOne)};
  }
  return steps;
}

int Interpolate(int a, int b, int fraction) {
  return a + FloorDiv(static_cast<std::int64_t>(b - a) * fraction, kOne);
}

void InterpolatingPath(TImgBitmap& source, TImgBitmap& target, double ex, double ey) {
  const int sourceWidth = source.Width(), sourceHeight = source.Height();
  const int width = target.Width(), height = target.Height();
  const std::vector<Step> columns = Steps(width, sourceWidth, ex);
  const std::vector<Step> rows = Steps(height, sourceHeight, ey);
  std::vector<std::uint8_t> bits(static_cast<std::size_t>(sourceWidth));
  std::vector<std::uint8_t> work(static_cast<std::size_t>(width) * sourceHeight);
  for (int y = 0; y < sourceHeight; ++y) {
    ExpandBitRow(source.RowPtr(y), sourceWidth, bits.data());
    std::uint8_t* out = work.data() + static_cast<std::size_t>(y) * width;
    for (int i = 0; i < width; ++i) {
      const int ci = columns[i].index;
      out[i] = ClampToByte(
          Interpolate(bits[ci], bits[std::min(ci + 1, sourceWidth - 1)], columns[i].fraction));
    }
  }
  std::vector<std::uint8_t> gray(static_cast<std::size_t>(width));
  for (int j = 0; j < height; ++j) {
    const int r = rows[j].index;
    const std::uint8_t* a = work.data() + static_cast<std::size_t>(r) * width;
    const std::uint8_t* b =
        work.data() + static_cast<std::size_t>(std::min(r + 1, sourceHeight - 1)) * width;
    for (int i = 0; i < width; ++i)
      gray[i] = ClampToByte(Interpolate(a[i], b[i], rows[j].fraction));
    GrayToBgrRow(gray.data(), width, target.RowPtr(j));
  }
}

// Inclusive block [first, last] of source indices for target index k, clamped to the image.
struct Block {
  int first;
  int last;
};

void BlockMeanPath(TImgBitmap& source, TImgBitmap& target) {
  const int sourceWidth = source.Width(), sourceHeight = source.Height();
  const int width = target.Width(), height = target.Height();
  const double dx = static_cast<double>(sourceWidth) / width;
  const double dy = static_cast<double>(sourceHeight) / height;
  auto clampTo = [](int value, int size) { return std::clamp(value, 0, size - 1); };
  std::vector<Block> columns(static_cast<std::size_t>(width));
  for (int k = 0; k < width; ++k)
    columns[k] = {clampTo(static_cast<int>(dx * k - dx / 2), sourceWidth),
                  clampTo(static_cast<int>(dx / 2 + dx * k), sourceWidth)};
  // Column sums of the block's rows, so that each source row is expanded once per target row.
  std::vector<std::uint8_t> bits(static_cast<std::size_t>(sourceWidth));
  std::vector<int> columnSums(static_cast<std::size_t>(sourceWidth));
  std::vector<std::uint8_t> gray(static_cast<std::size_t>(width));
  for (int r = 0; r < height; ++r) {
    const int firstRow = clampTo(static_cast<int>(dy * r - dy / 2), sourceHeight);
    const int lastRow =
        clampTo(static_cast<int>(static_cast<int>(dy) / 2.0 + dy * r), sourceHeight);
    std::fill(columnSums.begin(), columnSums.end(), 0);
    for (int y = firstRow; y <= lastRow; ++y) {
      ExpandBitRow(source.RowPtr(y), sourceWidth, bits.data());
      for (int x = 0; x < sourceWidth; ++x)
        columnSums[x] += bits[x];
    }
    const int blockRows = lastRow - firstRow + 1;
    for (int k = 0; k < width; ++k) {
      std::int64_t sum = 0;
      for (int x = columns[k].first; x <= columns[k].last; ++x)
        sum += columnSums[x];
      const std::int64_t count =
          static_cast<std::int64_t>(blockRows) * (columns[k].last - columns[k].first + 1);
      gray[k] = static_cast<std::uint8_t>(sum / count);
    }
    GrayToBgrRow(gray.data(), width, target.RowPtr(r));
  }
}

}  // namespace

void BitInterpolateResample(TImgBitmap& source, TImgBitmap& target) {
  const int sourceWidth = source.Width(), sourceHeight = source.Height();
  const int width = target.Width(), height = target.Height();
  if (sourceWidth <= 0 || sourceHeight <= 0 || width <= 0 || height <= 0)
    return;
  const double ex = static_cast<double>(width) / sourceWidth;
  const double ey = static_cast<double>(height) / sourceHeight;
  if (ex == 1.0 && ey == 1.0) {
    target.Assign(&source);
  } else if (ex >= 1.0 || ey >= 1.0) {
    InterpolatingPath(source, target, ex, ey);
  } else {
    BlockMeanPath(source, target);
  }
}
