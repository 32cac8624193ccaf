#include "imaging/proc/HistEqualizer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/core/ImgTypes.h"

namespace {

// Plain loops over a row that the compiler turns into vector code; where the processor has AVX2,
// a second copy built for it is picked at load time.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QM_ROW_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define QM_ROW_LOOP
#endif

// The luminance sum is at most 25500, where a multiply-high replaces the division by 100.
constexpr std::uint32_t kHundredthMultiplier = 5243;
constexpr int kHundredthShift = 19;
constexpr bool HundredthByMultiplyIsExact() {
  for (std::uint32_t sum = 0; sum <= 255 * 100; ++sum) {
    if (((sum * kHundredthMultiplier) >> kHundredthShift) != sum / 100)
      return false;
  }
  return true;
}
static_assert(HundredthByMultiplyIsExact());

// (21 R + 71 G + 8 B) div 100 of each pfBGR24 pixel; the same value as GrayLevel.
QM_ROW_LOOP void LuminanceRow(const std::uint8_t* bgr, std::uint8_t* luminance, std::size_t count) {
  for (std::size_t x = 0; x < count; ++x) {
    // Kept to 16 bits, twice as many lanes per vector as 32.
    const auto sum =
        static_cast<std::uint16_t>(21 * bgr[3 * x + 2] + 71 * bgr[3 * x + 1] + 8 * bgr[3 * x]);
    const auto high = static_cast<std::uint16_t>((std::uint32_t{sum} * kHundredthMultiplier) >> 16);
    luminance[x] = static_cast<std::uint8_t>(high >> (kHundredthShift - 16));
  }
}

std::array<std::uint64_t, 256> LuminanceHistogram(TImgBaseBitmap& image, int width, int height) {
  std::vector<std::uint8_t> luminance(static_cast<std::size_t>(width));
  // Four interleaved tables keep neighbouring equal pixels from waiting on one counter.
  std::array<std::array<std::uint64_t, 256>, 4> partial{};
  for (int y = 0; y < height; ++y) {
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

QM_ROW_LOOP void ThreeRowSums(const std::uint8_t* above, const std::uint8_t* centre,
                              const std::uint8_t* below, std::uint16_t* sums, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    sums[i] = static_cast<std::uint16_t>(above[i] + centre[i] + below[i]);
}

// From the three-row sums of each byte column, one pixel (three bytes) left of the first mean's
// column on, the means of the 3 x 3 neighbourhoods.
QM_ROW_LOOP void NeighbourhoodMeans(const std::uint16_t* sums, std::uint8_t* means,
                                    std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const auto sum = static_cast<std::uint32_t>(sums[i] + sums[i + 3] + sums[i + 6]);
    means[i] = static_cast<std::uint8_t>((sum * kNinthMultiplier) >> 16);
  }
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

// The rule for each pair of pixel luminance and mean luminance (index pixel * 256 + mean):
// 0 maps the channels through Low, 1 through High, 2 takes the mean.
std::vector<std::uint8_t> RuleTable(const EqualizerLevels& levels) {
  std::vector<std::uint8_t> rules(256 * 256);
  for (std::size_t level = 0; level < 256; ++level) {
    const unsigned low = levels.Low[level];
    const unsigned high = levels.High[level];
    for (unsigned mean = 0; mean < 256; ++mean) {
      std::uint8_t rule = 2;
      if (low == high)
        rule = 0;
      else if (mean > high)
        rule = 1;
      else if (mean < low)
        rule = 0;
      rules[level << 8 | mean] = rule;
    }
  }
  return rules;
}

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
  // Low, High and identity tables in one block, so that a rule picks one by an offset.
  std::array<std::uint8_t, 3 * 256> tables;
  for (std::size_t i = 0; i < 256; ++i) {
    tables[i] = levels.Low[i];
    tables[256 + i] = levels.High[i];
    tables[512 + i] = static_cast<std::uint8_t>(i);
  }
  const std::vector<std::uint8_t> rules = RuleTable(levels);

  const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
  SourceRows source(image, std::max(y1 - 1, 0), rowBytes);
  // Per byte column of the rectangle plus one pixel either side (clamped to the image), the sum
  // of the three rows; then the 3 x 3 means of the rectangle's pixels.
  const std::size_t span = static_cast<std::size_t>(x2 - x1);
  std::vector<std::uint16_t> columnSums(3 * (span + 2));
  std::vector<std::uint8_t> means(3 * span);
  std::vector<std::uint8_t> luminance(span);
  std::vector<std::uint8_t> meanLuminance(span);
  const std::size_t sumFirst = 3 * static_cast<std::size_t>(std::max(x1 - 1, 0));
  const std::size_t sumEnd = 3 * (static_cast<std::size_t>(std::min(x2, width - 1)) + 1);
  // Where image byte sumFirst lands in columnSums: the slot of pixel x is x - (x1 - 1).
  const std::size_t firstSlot = sumFirst + 3 - 3 * static_cast<std::size_t>(x1);
  for (int y = y1; y < y2; ++y) {
    source.LoadThrough(std::min(y + 1, height - 1));
    const std::uint8_t* centre = source.Row(y);
    ThreeRowSums(source.Row(std::max(y - 1, 0)) + sumFirst, centre + sumFirst,
                 source.Row(std::min(y + 1, height - 1)) + sumFirst, columnSums.data() + firstSlot,
                 sumEnd - sumFirst);
    // Edge pixels repeat themselves as their own outer neighbours.
    for (std::size_t c = 0; c < 3; ++c) {
      if (x1 == 0)
        columnSums[c] = columnSums[3 + c];
      if (x2 == width)
        columnSums[3 * (span + 1) + c] = columnSums[3 * span + c];
    }
    NeighbourhoodMeans(columnSums.data(), means.data(), 3 * span);
    const std::uint8_t* pixels = centre + 3 * static_cast<std::size_t>(x1);
    LuminanceRow(pixels, luminance.data(), span);
    LuminanceRow(means.data(), meanLuminance.data(), span);
    // Identity through the mean, or a level table through the pixel's own channels.
    const std::uint8_t* const sources[2] = {pixels, means.data()};

    std::uint8_t* target = image.RowPtr(y) + 3 * static_cast<std::size_t>(x1);
    for (std::size_t x = 0; x < span; ++x) {
      // Which rule applies varies from pixel to pixel in a photo, so it is looked up and turned
      // into offsets rather than branched on.
      const std::size_t rule = rules[std::size_t{luminance[x]} << 8 | meanLuminance[x]];
      const std::uint8_t* table = tables.data() + 256 * rule;
      const std::uint8_t* from = sources[rule >> 1] + 3 * x;
      // All loads before the stores, which the compiler must assume might alias them.
      const std::uint8_t blue = table[from[0]];
      const std::uint8_t green = table[from[1]];
      const std::uint8_t red = table[from[2]];
      target[3 * x] = blue;
      target[3 * x + 1] = green;
      target[3 * x + 2] = red;
    }
    if (progress) {
      const double percent = (y - y1 + 1) * 100.0 / ((y2 - 1 - y1) + 0.5);
      progress(std::min(static_cast<int>(percent), 100));
    }
  }
}
