#include "imaging/proc/HistEqualizer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/core/ImgTypes.h"

namespace {

std::array<std::uint64_t, 256> LuminanceHistogram(TImgBaseBitmap& image, int width, int height) {
  // Four interleaved tables keep neighbouring equal pixels from waiting on one counter.
  std::array<std::array<std::uint64_t, 256>, 4> partial{};
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = image.RowPtr(y);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = row + 3 * x;
      ++partial[static_cast<std::size_t>(x & 3)]
               [static_cast<std::size_t>(GrayLevel(p[2], p[1], p[0]))];
    }
  }
  std::array<std::uint64_t, 256> counts{};
  for (const auto& table : partial) {
    for (std::size_t i = 0; i < 256; ++i)
      counts[i] += table[i];
  }
  return counts;
}

std::uint8_t ClampLevel(int level) {
  return static_cast<std::uint8_t>(std::clamp(level, 0, 255));
}

// Three copies of unprocessed rows (previous, current, next), so that every neighbourhood sees
// the source while the result goes straight into the image.
class SourceRows {
 public:
  SourceRows(TImgBaseBitmap& image, int firstRow, std::size_t rowBytes)
      : image_(image), nextToLoad_(firstRow), rowBytes_(rowBytes) {
    for (auto& row : rows_)
      row.resize(rowBytes);
  }
  void LoadThrough(int lastRow) {
    for (; nextToLoad_ <= lastRow; ++nextToLoad_) {
      std::memcpy(Row(nextToLoad_), image_.RowPtr(nextToLoad_), rowBytes_);
    }
  }
  std::uint8_t* Row(int row) { return rows_[static_cast<std::size_t>(row % 3)].data(); }

 private:
  TImgBaseBitmap& image_;
  int nextToLoad_;
  std::size_t rowBytes_;
  std::array<std::vector<std::uint8_t>, 3> rows_;
};

}  // namespace

EqualizerLevels BuildEqualizerLevels(const std::array<std::uint64_t, 256>& luminanceCounts,
                                     double levelSize) {
  EqualizerLevels levels;
  int level = 0;
  double carried = 0.0;
  for (std::size_t i = 0; i < 256; ++i) {
    levels.Low[i] = ClampLevel(level);
    carried += static_cast<double>(luminanceCounts[i]);
    while (carried > levelSize) {
      carried -= levelSize;
      ++level;
    }
    levels.High[i] = ClampLevel(level);
  }
  return levels;
}

void EqualizeHistogram(TImgBaseBitmap& image, int x1, int y1, int x2, int y2,
                       const EffectProgress& progress) {
  if (image.PixelFormat() != pfBGR24)
    return;
  const int width = image.Width();
  const int height = image.Height();
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, width);
  y2 = std::min(y2, height);
  if (x1 >= x2 || y1 >= y2)
    return;

  const double levelSize = static_cast<double>(width) * static_cast<double>(height) / 256.0;
  const EqualizerLevels levels =
      BuildEqualizerLevels(LuminanceHistogram(image, width, height), levelSize);
  const std::uint8_t* low = levels.Low.data();
  const std::uint8_t* high = levels.High.data();

  const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
  SourceRows source(image, std::max(y1 - 1, 0), rowBytes);
  // Per byte column, the sum of the three rows; a neighbourhood sum is then three additions.
  std::vector<std::uint16_t> columnSums(rowBytes);
  const int sumFirst = std::max(x1 - 1, 0);
  const int sumLast = std::min(x2, width - 1);
  for (int y = y1; y < y2; ++y) {
    source.LoadThrough(std::min(y + 1, height - 1));
    const std::uint8_t* above = source.Row(std::max(y - 1, 0));
    const std::uint8_t* centre = source.Row(y);
    const std::uint8_t* below = source.Row(std::min(y + 1, height - 1));
    for (std::size_t i = 3 * static_cast<std::size_t>(sumFirst);
         i < 3 * (static_cast<std::size_t>(sumLast) + 1); ++i) {
      columnSums[i] = static_cast<std::uint16_t>(above[i] + centre[i] + below[i]);
    }
    std::uint8_t* target = image.RowPtr(y);
    for (int x = x1; x < x2; ++x) {
      const std::size_t left = 3 * static_cast<std::size_t>(std::max(x - 1, 0));
      const std::size_t mid = 3 * static_cast<std::size_t>(x);
      const std::size_t right = 3 * static_cast<std::size_t>(std::min(x + 1, width - 1));
      std::uint8_t mean[3];
      for (std::size_t c = 0; c < 3; ++c) {
        mean[c] = static_cast<std::uint8_t>(
            (columnSums[left + c] + columnSums[mid + c] + columnSums[right + c]) / 9);
      }
      const std::uint8_t* pixel = centre + mid;
      const int luminance = GrayLevel(pixel[2], pixel[1], pixel[0]);
      const int meanLuminance = GrayLevel(mean[2], mean[1], mean[0]);
      std::uint8_t* out = target + mid;
      // The tables were built from luminance but map each channel by its own value.
      if (low[luminance] == high[luminance] || meanLuminance < low[luminance]) {
        for (std::size_t c = 0; c < 3; ++c)
          out[c] = low[pixel[c]];
      } else if (meanLuminance > high[luminance]) {
        for (std::size_t c = 0; c < 3; ++c)
          out[c] = high[pixel[c]];
      } else {
        for (std::size_t c = 0; c < 3; ++c)
          out[c] = mean[c];
      }
    }
    if (progress) {
      const double percent = (y - y1 + 1) * 100.0 / ((y2 - 1 - y1) + 0.5);
      progress(std::min(static_cast<int>(percent), 100));
    }
  }
}
