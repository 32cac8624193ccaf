#include "imaging/proc/HistEqualizer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/core/ImgTypes.h"

namespace {

// Unsigned, so that the division by 100 needs no sign correction; same value as GrayLevel.
unsigned Luminance(const std::uint8_t* bgr) {
  return (21u * bgr[2] + 71u * bgr[1] + 8u * bgr[0]) / 100u;
}

std::array<std::uint64_t, 256> LuminanceHistogram(TImgBaseBitmap& image, int width, int height) {
  // Four interleaved tables keep neighbouring equal pixels from waiting on one counter.
  std::array<std::array<std::uint64_t, 256>, 4> partial{};
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = image.RowPtr(y);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = row + 3 * x;
      ++partial[static_cast<std::size_t>(x & 3)][Luminance(p)];
    }
  }
  std::array<std::uint64_t, 256> counts{};
  for (const auto& table : partial) {
    for (std::size_t i = 0; i < 256; ++i)
      counts[i] += table[i];
  }
  return counts;
}

// A sum of nine bytes divided by 9 as a multiply-high, which vector units do in one step.
constexpr std::uint32_t kNinthMultiplier = 7282;
constexpr bool NinthByMultiplyIsExact() {
  for (std::uint32_t sum = 0; sum <= 9 * 255; ++sum) {
    if (((sum * kNinthMultiplier) >> 16) != sum / 9)
      return false;
  }
  return true;
}
static_assert(NinthByMultiplyIsExact());

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
  // Both tables in one block, so that picking one is index arithmetic rather than a branch.
  std::array<std::uint8_t, 512> lowThenHigh;
  std::copy(levels.Low.begin(), levels.Low.end(), lowThenHigh.begin());
  std::copy(levels.High.begin(), levels.High.end(), lowThenHigh.begin() + 256);

  const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
  SourceRows source(image, std::max(y1 - 1, 0), rowBytes);
  // Per byte column of the rectangle plus one pixel either side (clamped to the image), the sum
  // of the three rows; then the 3 x 3 means of the rectangle's pixels, both in plain loops over
  // bytes that the compiler turns into vector code.
  const std::size_t span = static_cast<std::size_t>(x2 - x1);
  std::vector<std::uint16_t> columnSums(3 * (span + 2));
  std::vector<std::uint8_t> means(3 * span);
  const std::size_t sumFirst = 3 * static_cast<std::size_t>(std::max(x1 - 1, 0));
  const std::size_t sumEnd = 3 * (static_cast<std::size_t>(std::min(x2, width - 1)) + 1);
  // Where image byte sumFirst lands in columnSums: the slot of pixel x is x - (x1 - 1).
  const std::size_t firstSlot = sumFirst + 3 - 3 * static_cast<std::size_t>(x1);
  for (int y = y1; y < y2; ++y) {
    source.LoadThrough(std::min(y + 1, height - 1));
    const std::uint8_t* above = source.Row(std::max(y - 1, 0));
    const std::uint8_t* centre = source.Row(y);
    const std::uint8_t* below = source.Row(std::min(y + 1, height - 1));
    for (std::size_t i = sumFirst; i < sumEnd; ++i) {
      columnSums[firstSlot + i - sumFirst] =
          static_cast<std::uint16_t>(above[i] + centre[i] + below[i]);
    }
    // Edge pixels repeat themselves as their own outer neighbours.
    for (std::size_t c = 0; c < 3; ++c) {
      if (x1 == 0)
        columnSums[c] = columnSums[3 + c];
      if (x2 == width)
        columnSums[3 * (span + 1) + c] = columnSums[3 * span + c];
    }
    const std::uint16_t* sumsLeft = columnSums.data();
    for (std::size_t i = 0; i < 3 * span; ++i) {
      const auto sum = static_cast<std::uint16_t>(sumsLeft[i] + sumsLeft[i + 3] + sumsLeft[i + 6]);
      means[i] =
          static_cast<std::uint8_t>((static_cast<std::uint32_t>(sum) * kNinthMultiplier) >> 16);
    }

    const std::uint8_t* pixels = centre + 3 * static_cast<std::size_t>(x1);
    std::uint8_t* target = image.RowPtr(y) + 3 * static_cast<std::size_t>(x1);
    for (std::size_t j = 0; j < 3 * span; j += 3) {
      const std::uint8_t* pixel = pixels + j;
      const std::uint8_t* mean = means.data() + j;
      const unsigned luminance = Luminance(pixel);
      const unsigned meanLuminance = Luminance(mean);
      // The tables were built from luminance but map each channel by its own value. Which rule
      // applies varies from pixel to pixel in a photo, so the output is selected with bitwise
      // operators (nothing short-circuits into a branch) rather than branched to.
      const unsigned lowLevel = low[luminance];
      const unsigned highLevel = high[luminance];
      const unsigned keepLow = (lowLevel == highLevel) | (meanLuminance < lowLevel);
      const unsigned takeMean = (keepLow ^ 1u) & (meanLuminance <= highLevel);
      const std::uint8_t* table = lowThenHigh.data() + 256 * (keepLow ^ 1u);
      const auto meanMask = static_cast<std::uint8_t>(0u - takeMean);
      for (std::size_t c = 0; c < 3; ++c)
        target[j + c] =
            static_cast<std::uint8_t>((mean[c] & meanMask) | (table[pixel[c]] & ~meanMask));
    }
    if (progress) {
      const double percent = (y - y1 + 1) * 100.0 / ((y2 - 1 - y1) + 0.5);
      progress(std::min(static_cast<int>(percent), 100));
    }
  }
}
