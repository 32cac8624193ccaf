#include "imaging/proc/effects/equalize/HistEqualizer.h"

#include <algorithm>
#include <vector>

#include "imaging/core/ImgTypes.h"
#include "imaging/proc/effects/equalize/EqualizerRows.h"

namespace {

std::array<std::uint64_t, 256> LuminanceHistogram(TImgBaseBitmap& image, int width, int height) {
  std::vector<std::uint8_t> luminance(static_cast<std::size_t>(width));
  // Four interleaved tables keep neighbouring equal pixels from waiting on one counter.
  std::array<std::array<std::uint64_t, 256>, 4> partial{};
  // Bottom up, so that the mapping pass, top down, starts on the rows still in the cache.
  for (int y = height - 1; y >= 0; --y) {
    LuminanceRow(image.RowPtr(y), luminance.data(), luminance.size());
    std::size_t x = 0;
    for (; x + 4 <= luminance.size(); x += 4) {
      for (std::size_t lane = 0; lane < 4; ++lane)
        ++partial[lane][luminance[x + lane]];
    }
    for (; x < luminance.size(); ++x)
      ++partial[0][luminance[x]];
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

// The Low, High and identity tables in one block, so that a rule picks one by an offset.
struct MappingTables {
  explicit MappingTables(const EqualizerLevels& levels) {
    for (std::size_t i = 0; i < 256; ++i) {
      channels[i] = levels.Low[i];
      channels[256 + i] = levels.High[i];
      channels[512 + i] = static_cast<std::uint8_t>(i);
    }
  }
  std::array<std::uint8_t, 3 * 256> channels{};
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
  const MappingTables tables(levels);

  // Per byte column of the rectangle plus one pixel either side (clamped to the image), the sum
  // of the three rows and the pair sum of the upper two; then the 3 x 3 means of the
  // rectangle's pixels. A row is overwritten with its result once its successor has taken
  // the pair sum from it, and its source bytes are kept in a copy made by the summing loop;
  // so each row address is used before the next one is asked for, as rows kept on disk need.
  const std::size_t span = static_cast<std::size_t>(x2 - x1);
  const std::size_t slots = 3 * (span + 2);
  std::vector<std::uint16_t> pairSums(slots);
  std::vector<std::uint16_t> columnSums(slots);
  std::vector<std::uint8_t> centreCopy(slots);
  std::vector<std::uint8_t> belowCopy(slots);
  std::vector<std::uint8_t> means(3 * span);
  std::vector<std::uint8_t> luminance(span);
  std::vector<std::uint8_t> meanLuminance(span);
  std::vector<std::uint8_t> rules(span);
  const std::size_t sumFirst = 3 * static_cast<std::size_t>(std::max(x1 - 1, 0));
  const std::size_t sumEnd = 3 * (static_cast<std::size_t>(std::min(x2, width - 1)) + 1);
  const std::size_t sumCount = sumEnd - sumFirst;
  // Where image byte sumFirst lands in the slots: the slot of pixel x is x - (x1 - 1).
  const std::size_t firstSlot = sumFirst + 3 - 3 * static_cast<std::size_t>(x1);
  {
    const std::uint8_t* above = image.RowPtr(std::max(y1 - 1, 0)) + sumFirst;
    std::copy_n(above, sumCount, pairSums.begin() + static_cast<std::ptrdiff_t>(firstSlot));
    const std::uint8_t* centre = image.RowPtr(y1) + sumFirst;
    for (std::size_t i = 0; i < sumCount; ++i)
      pairSums[firstSlot + i] = static_cast<std::uint16_t>(pairSums[firstSlot + i] + centre[i]);
    std::copy_n(centre, sumCount, centreCopy.begin() + static_cast<std::ptrdiff_t>(firstSlot));
  }
  for (int y = y1; y < y2; ++y) {
    ThreeRowSums(pairSums.data() + firstSlot, centreCopy.data() + firstSlot,
                 image.RowPtr(std::min(y + 1, height - 1)) + sumFirst,
                 columnSums.data() + firstSlot, belowCopy.data() + firstSlot, sumCount);
    // Edge pixels repeat themselves as their own outer neighbours.
    for (std::size_t c = 0; c < 3; ++c) {
      if (x1 == 0)
        columnSums[c] = columnSums[3 + c];
      if (x2 == width)
        columnSums[3 * (span + 1) + c] = columnSums[3 * span + c];
    }
    NeighbourhoodMeans(columnSums.data(), means.data(), 3 * span);
    const std::uint8_t* pixels = centreCopy.data() + 3;
    LuminanceRow(pixels, luminance.data(), span);
    LuminanceRow(means.data(), meanLuminance.data(), span);
    // Which rule applies varies from pixel to pixel in a photo, so the rules are computed as
    // vector code rather than branched on.
    PixelRules(luminance.data(), meanLuminance.data(), tables.channels.data(), rules.data(), span);
    MapPixels(rules.data(), pixels, means.data(), tables.channels.data(),
              image.RowPtr(y) + 3 * static_cast<std::size_t>(x1), span);
    centreCopy.swap(belowCopy);
    if (progress) {
      const double percent = (y - y1 + 1) * 100.0 / ((y2 - 1 - y1) + 0.5);
      progress(std::min(static_cast<int>(percent), 100));
    }
  }
}
