#include "imaging/proc/effects/equalize/EqualizerRows.h"

#include "platform/VectorLoop.h"

// Plain loops the compiler turns into vector code; each is written once and built twice, for
// the processor baseline and for AVX2, and the active vector path picks the copy.

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define QM_EQUALIZER_AVX2 1
#endif

namespace {

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

// A sum of nine bytes divided by 9 as a 16-bit multiply-high.
constexpr std::uint32_t kNinthMultiplier = 7282;
constexpr bool NinthByMultiplyIsExact() {
  for (std::uint32_t sum = 0; sum <= 9 * 255; ++sum) {
    if (((sum * kNinthMultiplier) >> 16) != sum / 9)
      return false;
  }
  return true;
}
static_assert(NinthByMultiplyIsExact());

QM_ROW_LOOP void LuminancePlain(const std::uint8_t* bgr, std::uint8_t* luminance,
                                std::size_t count) {
  for (std::size_t x = 0; x < count; ++x) {
    const auto sum =
        static_cast<std::uint16_t>(21 * bgr[3 * x + 2] + 71 * bgr[3 * x + 1] + 8 * bgr[3 * x]);
    const auto high = static_cast<std::uint16_t>((std::uint32_t{sum} * kHundredthMultiplier) >> 16);
    luminance[x] = static_cast<std::uint8_t>(high >> (kHundredthShift - 16));
  }
}

#if defined(QM_EQUALIZER_AVX2)
// 16 bytes from `low` into the lower 128-bit half, 16 from `high` into the upper.
__attribute__((target("avx2"))) inline __m256i LoadHalves(const std::uint8_t* low,
                                                          const std::uint8_t* high) {
  return _mm256_inserti128_si256(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
}

// 16 pixels a step: each 128-bit half takes four pixels (12 bytes) from one load, spreads them
// to four bytes each, and one byte multiply-add per pair of channels plus one horizontal add
// gives the four weighted sums. The halves load pixels 0-3 and 8-11, then 4-7 and 12-15, so
// that the horizontal add, which works within each half, leaves the sums in pixel order. The
// load of pixels 12-15 starts four bytes early so as not to read past the 16 pixels.
__attribute__((target("avx2"))) std::size_t LuminanceBlocksWide(const std::uint8_t* bgr,
                                                                std::uint8_t* luminance,
                                                                std::size_t count) {
  const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0,
                                          1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m256i spreadLast =
      _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 4, 5, 6, -1, 7, 8, 9,
                       -1, 10, 11, 12, -1, 13, 14, 15, -1);
  const __m256i weights = _mm256_setr_epi8(8, 71, 21, 0, 8, 71, 21, 0, 8, 71, 21, 0, 8, 71, 21, 0,
                                           8, 71, 21, 0, 8, 71, 21, 0, 8, 71, 21, 0, 8, 71, 21, 0);
  const __m256i multiplier = _mm256_set1_epi16(static_cast<short>(kHundredthMultiplier));
  std::size_t x = 0;
  for (; x + 16 <= count; x += 16) {
    const std::uint8_t* p = bgr + 3 * x;
    // Products stay below 32768: 8 B + 71 G <= 20145, 21 R <= 5355, their sum <= 25500.
    const __m256i first =
        _mm256_maddubs_epi16(_mm256_shuffle_epi8(LoadHalves(p, p + 24), spread), weights);
    const __m256i second =
        _mm256_maddubs_epi16(_mm256_shuffle_epi8(LoadHalves(p + 12, p + 32), spreadLast), weights);
    const __m256i sums = _mm256_hadd_epi16(first, second);
    const __m256i levels =
        _mm256_srli_epi16(_mm256_mulhi_epu16(sums, multiplier), kHundredthShift - 16);
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(levels, levels), 0xD8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(luminance + x), _mm256_castsi256_si128(packed));
  }
  return x;
}

// A byte table as 16 shuffle blocks of 16 entries, each in both 128-bit halves. Within each
// half of the index range (below 128, from 128) block k holds table block k minus table block
// k + 1, the half's last block the table block itself: LookUpBytes adds up block k and all
// later blocks of its half, and the differences telescope to the entry.
__attribute__((target("avx2"))) inline void LoadShuffleBlocks(const std::uint8_t* table,
                                                              __m256i* blocks) {
  for (std::size_t k = 0; k < 16; ++k) {
    alignas(16) std::uint8_t block[16];
    for (std::size_t l = 0; l < 16; ++l) {
      const std::uint8_t next = k % 8 == 7 ? 0 : table[16 * (k + 1) + l];
      block[l] = static_cast<std::uint8_t>(table[16 * k + l] - next);
    }
    blocks[k] =
        _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(block)));
  }
}

// The offset of an index for block k of its half: an index in block j then lands at 0x80 or
// above for k < j, where the shuffle gives zero, and otherwise keeps its low four bits, so
// block k contributes for k = j and every later k of the half. Indices of the other half have
// bit 7 set and contribute nothing.
__attribute__((target("avx2"))) inline __m256i BlockOffset(int k) {
  return _mm256_set1_epi8(static_cast<char>(0x70 - 16 * k));
}

// The same indices in the upper half of the range moved to the lower, and the other way round.
__attribute__((target("avx2"))) inline __m256i OtherHalf(__m256i index) {
  return _mm256_xor_si256(index, _mm256_set1_epi8(static_cast<char>(0x80)));
}

// table[index] for 32 bytes.
__attribute__((target("avx2"))) inline __m256i LookUpBytes(const __m256i* blocks, __m256i index) {
  const __m256i upper = OtherHalf(index);
  __m256i result = _mm256_setzero_si256();
  for (int k = 0; k < 8; ++k) {
    const __m256i offset = BlockOffset(k);
    result =
        _mm256_add_epi8(result, _mm256_shuffle_epi8(blocks[k], _mm256_adds_epu8(index, offset)));
    result = _mm256_add_epi8(result,
                             _mm256_shuffle_epi8(blocks[8 + k], _mm256_adds_epu8(upper, offset)));
  }
  return result;
}

// 32 pixels a step; the Low and High lookups of a luminance share their index offsets.
__attribute__((target("avx2"))) std::size_t PixelRulesWide(const std::uint8_t* luminance,
                                                           const std::uint8_t* meanLuminance,
                                                           const std::uint8_t* levelTables,
                                                           std::uint8_t* rules, std::size_t count) {
  __m256i lowBlocks[16];
  __m256i highBlocks[16];
  LoadShuffleBlocks(levelTables, lowBlocks);
  LoadShuffleBlocks(levelTables + 256, highBlocks);
  const __m256i one = _mm256_set1_epi8(1);
  const __m256i two = _mm256_set1_epi8(2);
  std::size_t x = 0;
  for (; x + 32 <= count; x += 32) {
    const __m256i level = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(luminance + x));
    const __m256i mean = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(meanLuminance + x));
    const __m256i upper = OtherHalf(level);
    __m256i low = _mm256_setzero_si256();
    __m256i high = _mm256_setzero_si256();
    for (int k = 0; k < 8; ++k) {
      const __m256i lowerIndex = _mm256_adds_epu8(level, BlockOffset(k));
      const __m256i upperIndex = _mm256_adds_epu8(upper, BlockOffset(k));
      low = _mm256_add_epi8(low, _mm256_shuffle_epi8(lowBlocks[k], lowerIndex));
      low = _mm256_add_epi8(low, _mm256_shuffle_epi8(lowBlocks[8 + k], upperIndex));
      high = _mm256_add_epi8(high, _mm256_shuffle_epi8(highBlocks[k], lowerIndex));
      high = _mm256_add_epi8(high, _mm256_shuffle_epi8(highBlocks[8 + k], upperIndex));
    }
    const __m256i flat = _mm256_cmpeq_epi8(low, high);
    const __m256i notAbove = _mm256_cmpeq_epi8(_mm256_max_epu8(mean, high), high);
    const __m256i notBelow = _mm256_cmpeq_epi8(_mm256_max_epu8(mean, low), mean);
    const __m256i toHigh = _mm256_andnot_si256(flat, _mm256_andnot_si256(notAbove, one));
    const __m256i toMean =
        _mm256_andnot_si256(flat, _mm256_and_si256(_mm256_and_si256(notAbove, notBelow), two));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(rules + x), _mm256_or_si256(toHigh, toMean));
  }
  return x;
}

// 32 pixels (96 bytes) a step. A pixel's rule is spread to its three bytes by byte shuffles.
// Rule 1 reads High[v], which is Low[v + 1] below 255, so the Low table serves both rules;
// High[255] and the means of rule 2 are blended in.
__attribute__((target("avx2"))) std::size_t MapPixelsWide(const std::uint8_t* rules,
                                                          const std::uint8_t* pixels,
                                                          const std::uint8_t* means,
                                                          const std::uint8_t* levelTables,
                                                          std::uint8_t* target, std::size_t count) {
  const __m128i spread[3] = {
      _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5),
      _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10),
      _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15)};
  __m256i blocks[16];
  LoadShuffleBlocks(levelTables, blocks);
  const __m256i highOfTop = _mm256_set1_epi8(static_cast<char>(levelTables[256 + 255]));
  const __m256i all = _mm256_set1_epi8(-1);
  const __m256i one = _mm256_set1_epi8(1);
  const __m256i two = _mm256_set1_epi8(2);
  std::size_t x = 0;
  for (; x + 32 <= count; x += 32) {
    __m128i spreadRules[6];
    for (std::size_t half = 0; half < 2; ++half) {
      const __m128i pixelRules =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(rules + x + 16 * half));
      for (std::size_t part = 0; part < 3; ++part)
        spreadRules[3 * half + part] = _mm_shuffle_epi8(pixelRules, spread[part]);
    }
    for (std::size_t part = 0; part < 3; ++part) {
      const std::size_t i = 3 * x + 32 * part;
      const __m256i byteRules = _mm256_inserti128_si256(
          _mm256_castsi128_si256(spreadRules[2 * part]), spreadRules[2 * part + 1], 1);
      const __m256i source = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + i));
      const __m256i up = _mm256_cmpeq_epi8(byteRules, one);
      // v + 1 under rule 1 (subtracting the all-ones mask); 255 + 1 wraps and is blended below.
      __m256i result = LookUpBytes(blocks, _mm256_sub_epi8(source, up));
      result = _mm256_blendv_epi8(result, highOfTop,
                                  _mm256_and_si256(up, _mm256_cmpeq_epi8(source, all)));
      result = _mm256_blendv_epi8(result,
                                  _mm256_loadu_si256(reinterpret_cast<const __m256i*>(means + i)),
                                  _mm256_cmpeq_epi8(byteRules, two));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + i), result);
    }
  }
  return x;
}

#endif

QM_ROW_LOOP void ThreeRowSumsLoop(std::uint16_t* __restrict pairs,
                                  const std::uint8_t* __restrict centre,
                                  const std::uint8_t* __restrict below,
                                  std::uint16_t* __restrict sums,
                                  std::uint8_t* __restrict belowCopy, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    sums[i] = static_cast<std::uint16_t>(pairs[i] + below[i]);
    pairs[i] = static_cast<std::uint16_t>(centre[i] + below[i]);
    belowCopy[i] = below[i];
  }
}

QM_ROW_LOOP void NeighbourhoodMeansLoop(const std::uint16_t* __restrict sums,
                                        std::uint8_t* __restrict means, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const auto sum = static_cast<std::uint16_t>(sums[i] + sums[i + 3] + sums[i + 6]);
    means[i] = static_cast<std::uint8_t>((std::uint32_t{sum} * kNinthMultiplier) >> 16);
  }
}

}  // namespace

void LuminanceRow(const std::uint8_t* bgr, std::uint8_t* luminance, std::size_t count) {
  std::size_t done = 0;
#if defined(QM_EQUALIZER_AVX2)
  if (UsesVectorPath(VectorPath::Avx2))
    done = LuminanceBlocksWide(bgr, luminance, count);
#endif
  RunOnActivePath<LuminancePlain>(bgr + 3 * done, luminance + done, count - done);
}

void ThreeRowSums(std::uint16_t* pairs, const std::uint8_t* centre, const std::uint8_t* below,
                  std::uint16_t* sums, std::uint8_t* belowCopy, std::size_t count) {
  RunOnActivePath<ThreeRowSumsLoop>(pairs, centre, below, sums, belowCopy, count);
}

void NeighbourhoodMeans(const std::uint16_t* sums, std::uint8_t* means, std::size_t count) {
  RunOnActivePath<NeighbourhoodMeansLoop>(sums, means, count);
}

void PixelRules(const std::uint8_t* luminance, const std::uint8_t* meanLuminance,
                const std::uint8_t* levelTables, std::uint8_t* rules, std::size_t count) {
  std::size_t x = 0;
#if defined(QM_EQUALIZER_AVX2)
  if (UsesVectorPath(VectorPath::Avx2))
    x = PixelRulesWide(luminance, meanLuminance, levelTables, rules, count);
#endif
  for (; x < count; ++x) {
    const unsigned low = levelTables[luminance[x]];
    const unsigned high = levelTables[256 + luminance[x]];
    const unsigned mean = meanLuminance[x];
    const bool spread = low != high;
    const bool above = spread && mean > high;
    const bool within = spread && mean >= low && mean <= high;
    rules[x] = static_cast<std::uint8_t>(above | within << 1);
  }
}

void MapPixels(const std::uint8_t* rules, const std::uint8_t* pixels, const std::uint8_t* means,
               const std::uint8_t* levelTables, std::uint8_t* target, std::size_t count) {
  std::size_t x = 0;
#if defined(QM_EQUALIZER_AVX2)
  if (UsesVectorPath(VectorPath::Avx2))
    x = MapPixelsWide(rules, pixels, means, levelTables, target, count);
#endif
  for (; x < count; ++x) {
    // The rule picks the table (Low, High, identity) by an offset and the source by a select.
    const unsigned rule = rules[x];
    const std::uint8_t* table = levelTables + 256 * rule;
    const std::uint8_t* from = (rule == 2 ? means : pixels) + 3 * x;
    for (std::size_t c = 0; c < 3; ++c)
      target[3 * x + c] = table[from[c]];
  }
}
