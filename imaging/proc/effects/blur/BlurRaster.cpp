#include "imaging/proc/effects/blur/BlurRaster.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/VectorPath.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

constexpr std::uint32_t kRoundingConstant = 32768;

// Each output byte is the centre byte weighted by w(0) plus, for each distance d, the pair of
// bytes at -d and +d weighted by w(d). The weights are symmetric (the Gaussian of -d equals
// that of d bit for bit), so each pair shares one multiplication. The same routine serves both
// directions: `before[d]` and `after[d]` point at the bytes d steps away along the line.
struct Taps {
  const std::uint8_t* centre;
  const std::uint8_t* const* before;
  const std::uint8_t* const* after;
};

void AddWeightedPair(const std::uint8_t* __restrict a, const std::uint8_t* __restrict b,
                     std::uint16_t weight, std::size_t count, std::uint32_t* __restrict sums) {
  for (std::size_t i = 0; i < count; ++i) {
    sums[i] += static_cast<std::uint32_t>(weight) * static_cast<std::uint16_t>(a[i] + b[i]);
  }
}

// Bytes first..count-1, one weight at a time over the whole span.
void WeighSpan(const Taps& taps, const std::uint16_t* weights, int radius, std::size_t first,
               std::size_t count, std::uint32_t* __restrict sums, std::uint8_t* __restrict target) {
  const std::size_t n = count - first;
  const std::uint32_t w0 = weights[0];
  for (std::size_t i = 0; i < n; ++i)
    sums[i] = kRoundingConstant + w0 * taps.centre[first + i];
  for (int d = 1; d <= radius; ++d) {
    AddWeightedPair(taps.before[d] + first, taps.after[d] + first, weights[d], n, sums);
  }
  for (std::size_t i = 0; i < n; ++i)
    target[first + i] = static_cast<std::uint8_t>(sums[i] >> 16);
}

#if defined(__SSE2__)
// 16 bytes at a time with the sums in registers. Two taps are interleaved per 32-bit lane so
// that one multiply-add instruction applies both weights; its signed 16-bit operands need
// weights below 32768 (byte pairs, at most 510, always fit), which every kernel but the
// narrowest (nearly all weight in the centre) satisfies. Returns where it stopped.
std::size_t WeighBlocksPaired(const Taps& taps, const std::uint16_t* weights, int radius,
                              std::size_t first, std::size_t count, std::uint8_t* target) {
  const __m128i zero = _mm_setzero_si128();
  std::size_t i = first;
  for (; i + 16 <= count; i += 16) {
    __m128i sums[4];
    for (__m128i& sum : sums)
      sum = _mm_set1_epi32(static_cast<int>(kRoundingConstant));
    // Tap t = 0 is the centre byte alone; tap t = d >= 1 the sum of the two bytes at distance d.
    auto tapValues = [&](int t, __m128i& low, __m128i& high) {
      if (t > radius) {
        low = high = zero;
        return;
      }
      const __m128i a = _mm_loadu_si128(
          reinterpret_cast<const __m128i*>((t == 0 ? taps.centre : taps.before[t]) + i));
      low = _mm_unpacklo_epi8(a, zero);
      high = _mm_unpackhi_epi8(a, zero);
      if (t == 0)
        return;
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(taps.after[t] + i));
      low = _mm_add_epi16(low, _mm_unpacklo_epi8(b, zero));
      high = _mm_add_epi16(high, _mm_unpackhi_epi8(b, zero));
    };
    for (int t = 0; t <= radius; t += 2) {
      __m128i firstLow, firstHigh, secondLow, secondHigh;
      tapValues(t, firstLow, firstHigh);
      tapValues(t + 1, secondLow, secondHigh);
      const int secondWeight = t + 1 <= radius ? weights[t + 1] : 0;
      const __m128i pairWeights = _mm_set1_epi32(weights[t] | (secondWeight << 16));
      sums[0] = _mm_add_epi32(sums[0],
                              _mm_madd_epi16(_mm_unpacklo_epi16(firstLow, secondLow), pairWeights));
      sums[1] = _mm_add_epi32(sums[1],
                              _mm_madd_epi16(_mm_unpackhi_epi16(firstLow, secondLow), pairWeights));
      sums[2] = _mm_add_epi32(
          sums[2], _mm_madd_epi16(_mm_unpacklo_epi16(firstHigh, secondHigh), pairWeights));
      sums[3] = _mm_add_epi32(
          sums[3], _mm_madd_epi16(_mm_unpackhi_epi16(firstHigh, secondHigh), pairWeights));
    }
    const __m128i low = _mm_packs_epi32(_mm_srli_epi32(sums[0], 16), _mm_srli_epi32(sums[1], 16));
    const __m128i high = _mm_packs_epi32(_mm_srli_epi32(sums[2], 16), _mm_srli_epi32(sums[3], 16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target + i), _mm_packus_epi16(low, high));
  }
  return i;
}
#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QM_BLUR_AVX2 1
// The same as WeighBlocksPaired with 32 bytes per step, for processors that have AVX2. The
// 256-bit unpack and pack instructions work within each 128-bit half, and undo each other, so
// the bytes come back in order.
// Tap t = 0 is the centre byte alone; tap t = d >= 1 the sum of the two bytes at distance d.
__attribute__((target("avx2"))) inline void WideTapValues(const Taps& taps, int t, int radius,
                                                          std::size_t i, __m256i& low,
                                                          __m256i& high) {
  const __m256i zero = _mm256_setzero_si256();
  if (t > radius) {
    low = high = zero;
    return;
  }
  const __m256i a = _mm256_loadu_si256(
      reinterpret_cast<const __m256i*>((t == 0 ? taps.centre : taps.before[t]) + i));
  if (t == 0) {
    low = _mm256_unpacklo_epi8(a, zero);
    high = _mm256_unpackhi_epi8(a, zero);
    return;
  }
  // The two bytes of a pair side by side, summed by one byte multiply-add with weights 1, 1:
  // half the unpacks of widening each byte on its own.
  const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(taps.after[t] + i));
  const __m256i ones = _mm256_set1_epi8(1);
  low = _mm256_maddubs_epi16(_mm256_unpacklo_epi8(a, b), ones);
  high = _mm256_maddubs_epi16(_mm256_unpackhi_epi8(a, b), ones);
}

// With the radius known at compile time (kFixedRadius > 0) the tap loop unrolls into straight
// vector code; 0 takes the radius at run time.
template <int kFixedRadius>
__attribute__((target("avx2"))) std::size_t WeighBlocksPairedWide(const Taps& taps,
                                                                  const std::uint16_t* weights,
                                                                  int runtimeRadius,
                                                                  std::size_t count,
                                                                  std::uint8_t* target) {
  const int radius = kFixedRadius > 0 ? kFixedRadius : runtimeRadius;
  __m256i pairWeights[BlurKernel::kMaxOffset / 2 + 1];
  for (int t = 0; t <= radius; t += 2) {
    const int secondWeight = t + 1 <= radius ? weights[t + 1] : 0;
    pairWeights[t / 2] = _mm256_set1_epi32(weights[t] | (secondWeight << 16));
  }
  std::size_t i = 0;
  for (; i + 32 <= count; i += 32) {
    __m256i sums[4];
    for (__m256i& sum : sums)
      sum = _mm256_set1_epi32(static_cast<int>(kRoundingConstant));
#pragma GCC unroll 8
    for (int t = 0; t <= radius; t += 2) {
      __m256i firstLow, firstHigh, secondLow, secondHigh;
      WideTapValues(taps, t, radius, i, firstLow, firstHigh);
      WideTapValues(taps, t + 1, radius, i, secondLow, secondHigh);
      const __m256i weightPair = pairWeights[t / 2];
      sums[0] = _mm256_add_epi32(
          sums[0], _mm256_madd_epi16(_mm256_unpacklo_epi16(firstLow, secondLow), weightPair));
      sums[1] = _mm256_add_epi32(
          sums[1], _mm256_madd_epi16(_mm256_unpackhi_epi16(firstLow, secondLow), weightPair));
      sums[2] = _mm256_add_epi32(
          sums[2], _mm256_madd_epi16(_mm256_unpacklo_epi16(firstHigh, secondHigh), weightPair));
      sums[3] = _mm256_add_epi32(
          sums[3], _mm256_madd_epi16(_mm256_unpackhi_epi16(firstHigh, secondHigh), weightPair));
    }
    const __m256i low =
        _mm256_packs_epi32(_mm256_srli_epi32(sums[0], 16), _mm256_srli_epi32(sums[1], 16));
    const __m256i high =
        _mm256_packs_epi32(_mm256_srli_epi32(sums[2], 16), _mm256_srli_epi32(sums[3], 16));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + i), _mm256_packus_epi16(low, high));
  }
  return i;
}

// The small radii of everyday blurs (up to a Gaussian radius of about 3) get unrolled copies;
// entry 0 takes the radius at run time.
using WideWeigher = std::size_t (*)(const Taps&, const std::uint16_t*, int, std::size_t,
                                    std::uint8_t*);

template <std::size_t... kRadius>
constexpr std::array<WideWeigher, sizeof...(kRadius)> WideWeighers(
    std::index_sequence<kRadius...>) {
  return {&WeighBlocksPairedWide<static_cast<int>(kRadius)>...};
}

std::size_t WeighBlocksWide(const Taps& taps, const std::uint16_t* weights, int radius,
                            std::size_t count, std::uint8_t* target) {
  static constexpr auto kWeighers = WideWeighers(std::make_index_sequence<11>());
  const std::size_t unrolled = radius >= 0 && static_cast<std::size_t>(radius) < kWeighers.size()
                                   ? static_cast<std::size_t>(radius)
                                   : 0;
  return kWeighers[unrolled](taps, weights, radius, count, target);
}

#endif

bool FitsPairedMultiply(const std::uint16_t* weights, int radius) {
  return std::all_of(weights, weights + radius + 1, [](std::uint16_t w) { return w < 32768; });
}

void WeighBytes(const Taps& taps, const std::uint16_t* weights, int radius, std::size_t count,
                bool pairedMultiply, std::uint32_t* sums, std::uint8_t* target) {
  std::size_t done = 0;
#if defined(__SSE2__)
  if (pairedMultiply && UsesVectorPath(VectorPath::Sse2)) {
#if defined(QM_BLUR_AVX2)
    if (UsesVectorPath(VectorPath::Avx2))
      done = WeighBlocksWide(taps, weights, radius, count, target);
#endif
    done = WeighBlocksPaired(taps, weights, radius, done, count, target);
  }
#else
  (void)pairedMultiply;
#endif
  WeighSpan(taps, weights, radius, done, count, sums, target);
}

}  // namespace

void BlurRaster(TImgBaseBitmap& image, const BlurKernel& kernel, const EffectProgress& progress) {
  const TImgBitmapFormat format = image.PixelFormat();
  if (format != pfGray8 && format != pfBGR24)
    return;
  const int width = image.Width();
  const int height = image.Height();
  if (width <= 0 || height <= 0)
    return;
  // A kernel with all its weight in the centre (a tiny radius) maps every byte to itself.
  if (kernel.Weight(0) > 0xFFFF)
    return;
  const int radius = kernel.EffectiveRadius();
  const std::size_t channels = format == pfBGR24 ? 3 : 1;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * channels;
  const std::size_t pad = static_cast<std::size_t>(radius) * channels;
  std::vector<std::uint16_t> weights(static_cast<std::size_t>(radius) + 1);
  for (int d = 0; d <= radius; ++d)
    weights[static_cast<std::size_t>(d)] = static_cast<std::uint16_t>(kernel.Weight(d));

  // Along a row the taps are fixed offsets into a copy of the row padded with R repeats of its
  // end pixels, which is what clamping the source index does.
  const bool paired = FitsPairedMultiply(weights.data(), radius);
  std::vector<std::uint32_t> sums(rowBytes);
  std::vector<const std::uint8_t*> lineBefore(static_cast<std::size_t>(radius) + 1);
  std::vector<const std::uint8_t*> lineAfter(static_cast<std::size_t>(radius) + 1);
  auto tapsAround = [&](const std::uint8_t* centre) {
    for (std::size_t d = 1; d <= static_cast<std::size_t>(radius); ++d) {
      lineBefore[d] = centre - d * channels;
      lineAfter[d] = centre + d * channels;
    }
    return Taps{centre, lineBefore.data(), lineAfter.data()};
  };
  // Copies `count` bytes of `source` to `line` after `front` bytes of repeats of its first
  // pixel and before `back` bytes of repeats of its last, which is what clamping the source
  // index does.
  auto padLine = [&](const std::uint8_t* source, std::size_t count, std::uint8_t* line,
                     std::size_t front, std::size_t back) {
    for (std::size_t p = 0; p < front; p += channels)
      std::memcpy(line + p, source, channels);
    std::memcpy(line + front, source, count);
    for (std::size_t p = 0; p < back; p += channels)
      std::memcpy(line + front + count + p, source + count - channels, channels);
  };
  // Only the ends of a row reach past it, so only they go through a padded copy; the middle
  // is read where it lies.
  const std::size_t edge = 2 * pad;
  const bool shortRow = rowBytes <= 2 * edge;
  std::vector<std::uint8_t> line(shortRow ? rowBytes + 2 * pad : 3 * pad);
  auto filterRow = [&](const std::uint8_t* source, std::uint8_t* target) {
    if (shortRow) {
      padLine(source, rowBytes, line.data(), pad, pad);
      WeighBytes(tapsAround(line.data() + pad), weights.data(), radius, rowBytes, paired,
                 sums.data(), target);
      return;
    }
    padLine(source, edge, line.data(), pad, 0);
    WeighBytes(tapsAround(line.data() + pad), weights.data(), radius, pad, paired, sums.data(),
               target);
    WeighBytes(tapsAround(source + pad), weights.data(), radius, rowBytes - edge, paired,
               sums.data(), target + pad);
    padLine(source + rowBytes - edge, edge, line.data(), 0, pad);
    WeighBytes(tapsAround(line.data() + pad), weights.data(), radius, pad, paired, sums.data(),
               target + rowBytes - pad);
  };

  // One streaming pass: row r is filtered along its length into a ring of 2R + 1 rows as soon
  // as it enters reach, and output row y is filtered across the ring once rows up to y + R are
  // in. Row y is only written after it has been read, so the result equals filtering all rows
  // first and all columns afterwards, with one read and one write of each row; the ring also
  // keeps every row address we hold our own.
  const int ringRows = 2 * radius + 1;
  std::vector<std::uint8_t> ring(rowBytes * static_cast<std::size_t>(ringRows));
  auto ringRow = [&](int row) {
    return ring.data() + rowBytes * static_cast<std::size_t>(row % ringRows);
  };
  std::vector<const std::uint8_t*> above(static_cast<std::size_t>(radius) + 1);
  std::vector<const std::uint8_t*> below(static_cast<std::size_t>(radius) + 1);
  const long long total = static_cast<long long>(height) + width;
  int rowsFiltered = 0;
  for (int y = 0; y < height; ++y) {
    for (; rowsFiltered <= std::min(height - 1, y + radius); ++rowsFiltered) {
      filterRow(image.RowPtr(rowsFiltered), ringRow(rowsFiltered));
    }
    for (int d = 1; d <= radius; ++d) {
      above[static_cast<std::size_t>(d)] = ringRow(std::max(y - d, 0));
      below[static_cast<std::size_t>(d)] = ringRow(std::min(y + d, height - 1));
    }
    WeighBytes(Taps{ringRow(y), above.data(), below.data()}, weights.data(), radius, rowBytes,
               paired, sums.data(), image.RowPtr(y));
    if (progress) {
      // Both passes have covered the same share of the image; report the percent the
      // row-then-column order reports at that share, ending at the same last value.
      const long long done = (static_cast<long long>(y) + 1) * total / height;
      progress(static_cast<int>((done - 1) * 100 / total));
    }
  }
}
