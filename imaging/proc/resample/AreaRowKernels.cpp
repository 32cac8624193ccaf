#include "imaging/proc/resample/AreaRowKernels.h"

#include <cstdint>
#include <cstring>

#include "imaging/proc/resample/ResampleCommon.h"
#include "platform/VectorPath.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <emmintrin.h>
#define QM_AREA_ROWS_SSE2 1
#endif

namespace {

#if defined(QM_AREA_ROWS_SSE2)

// The four 32-bit lanes of 16 bytes, widened without sign.
struct Widened {
  __m128i lanes[4];
};

Widened Widen(const std::uint8_t* bytes) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
  const __m128i low = _mm_unpacklo_epi8(v, zero);
  const __m128i high = _mm_unpackhi_epi8(v, zero);
  return {{_mm_unpacklo_epi16(low, zero), _mm_unpackhi_epi16(low, zero),
           _mm_unpacklo_epi16(high, zero), _mm_unpackhi_epi16(high, zero)}};
}

std::size_t AddBytesSse2(const std::uint8_t* bytes, std::size_t count, bool fresh,
                         std::int32_t* sums) {
  std::size_t k = 0;
  for (; k + 16 <= count; k += 16) {
    const Widened w = Widen(bytes + k);
    for (int i = 0; i < 4; ++i) {
      auto* at = reinterpret_cast<__m128i*>(sums + k + 4 * i);
      _mm_storeu_si128(at, fresh ? w.lanes[i] : _mm_add_epi32(_mm_loadu_si128(at), w.lanes[i]));
    }
  }
  return k;
}

std::size_t AddWeightedSse2(const std::uint8_t* bytes, std::size_t count, double weight, bool fresh,
                            double* sums) {
  const __m128d w = _mm_set1_pd(weight);
  std::size_t k = 0;
  for (; k + 16 <= count; k += 16) {
    const Widened v = Widen(bytes + k);
    for (int i = 0; i < 4; ++i) {
      const __m128d pair[2] = {_mm_cvtepi32_pd(v.lanes[i]),
                               _mm_cvtepi32_pd(_mm_srli_si128(v.lanes[i], 8))};
      for (int half = 0; half < 2; ++half) {
        double* at = sums + k + 4 * i + 2 * half;
        const __m128d product = _mm_mul_pd(w, pair[half]);
        _mm_storeu_pd(at, fresh ? product : _mm_add_pd(_mm_loadu_pd(at), product));
      }
    }
  }
  return k;
}

// Truncates four doubles as TruncToByte does: the slack added, the integer conversion, then
// the two saturating packs clamp to 0..255 exactly as the integer clamp does.
void StoreFourBytes(__m128d low, __m128d high, __m128d scale, std::uint8_t* out) {
  const __m128d slack = _mm_set1_pd(kTruncationSlack);
  const __m128i a = _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(low, scale), slack));
  const __m128i b = _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(high, scale), slack));
  const __m128i words = _mm_packs_epi32(_mm_unpacklo_epi64(a, b), _mm_setzero_si128());
  const int packed = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
  std::memcpy(out, &packed, 4);
}

std::size_t ScaleIntsSse2(const std::int32_t* sums, std::size_t count, double scale,
                          std::uint8_t* out) {
  const __m128d s = _mm_set1_pd(scale);
  std::size_t k = 0;
  for (; k + 4 <= count; k += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + k));
    StoreFourBytes(_mm_cvtepi32_pd(v), _mm_cvtepi32_pd(_mm_srli_si128(v, 8)), s, out + k);
  }
  return k;
}

std::size_t ScaleDoublesSse2(const double* sums, std::size_t count, double scale,
                             std::uint8_t* out) {
  const __m128d s = _mm_set1_pd(scale);
  std::size_t k = 0;
  for (; k + 4 <= count; k += 4)
    StoreFourBytes(_mm_loadu_pd(sums + k), _mm_loadu_pd(sums + k + 2), s, out + k);
  return k;
}

// The pair sums of two target pixels, from the 12 bytes of their four source pixels (16 read):
// each pixel's three sums in the low three of four 16-bit lanes.
__m128i PairSumsOfTwo(const std::uint8_t* bytes) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
  const __m128i low = _mm_unpacklo_epi8(v, zero);   // pixels 0, 1 and two values of 2
  const __m128i high = _mm_unpackhi_epi8(v, zero);  // the rest of pixel 2, pixel 3
  const __m128i second = _mm_or_si128(_mm_srli_si128(low, 12), _mm_slli_si128(high, 4));
  return _mm_unpacklo_epi64(_mm_add_epi16(low, _mm_srli_si128(low, 6)),
                            _mm_add_epi16(second, _mm_srli_si128(second, 6)));
}

// Two target pixels at a time while 16 source bytes can be read.
std::size_t SumPixelPairsSse2(const std::uint8_t* row, std::size_t width, std::uint16_t* pairs) {
  std::size_t t = 0;
  for (; t + 3 <= width; t += 2)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pairs + 4 * t), PairSumsOfTwo(row + 6 * t));
  return t;
}

std::size_t QuarterOfPairsAndRowSse2(const std::uint16_t* pairs, const std::uint8_t* row,
                                     std::size_t width, std::uint8_t* out) {
  std::size_t t = 0;
  for (; t + 3 <= width; t += 2) {
    const __m128i above = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pairs + 4 * t));
    const __m128i sums = _mm_add_epi16(above, PairSumsOfTwo(row + 6 * t));
    const __m128i quarters = _mm_srli_epi16(sums, 2);
    std::uint64_t bytes = 0;
    const __m128i packed = _mm_packus_epi16(quarters, quarters);
    std::memcpy(&bytes, &packed, 8);
    // Lanes 0-2 and 4-6 hold the two pixels; lanes 3 and 7 are not theirs.
    const std::uint64_t six = (bytes & 0xFFFFFFu) | ((bytes >> 8) & 0xFFFFFF000000u);
    std::memcpy(out + 3 * t, &six, 6);
  }
  return t;
}

bool UseSse2() {
  return UsesVectorPath(VectorPath::Sse2);
}

#endif

}  // namespace

void AddBytesToSums(const std::uint8_t* bytes, std::size_t count, bool fresh, std::int32_t* sums) {
  std::size_t k = 0;
#if defined(QM_AREA_ROWS_SSE2)
  if (UseSse2())
    k = AddBytesSse2(bytes, count, fresh, sums);
#endif
  for (; k < count; ++k)
    sums[k] = fresh ? bytes[k] : sums[k] + bytes[k];
}

void AddWeightedBytes(const std::uint8_t* bytes, std::size_t count, double weight, bool fresh,
                      double* sums) {
  std::size_t k = 0;
#if defined(QM_AREA_ROWS_SSE2)
  if (UseSse2())
    k = AddWeightedSse2(bytes, count, weight, fresh, sums);
#endif
  for (; k < count; ++k)
    sums[k] = fresh ? weight * bytes[k] : sums[k] + weight * bytes[k];
}

void ScaleSumsToBytes(const std::int32_t* sums, std::size_t count, double scale,
                      std::uint8_t* out) {
  std::size_t k = 0;
#if defined(QM_AREA_ROWS_SSE2)
  if (UseSse2())
    k = ScaleIntsSse2(sums, count, scale, out);
#endif
  for (; k < count; ++k)
    out[k] = TruncToByte(sums[k] * scale);
}

void ScaleSumsToBytes(const double* sums, std::size_t count, double scale, std::uint8_t* out) {
  std::size_t k = 0;
#if defined(QM_AREA_ROWS_SSE2)
  if (UseSse2())
    k = ScaleDoublesSse2(sums, count, scale, out);
#endif
  for (; k < count; ++k)
    out[k] = TruncToByte(sums[k] * scale);
}

void SumPixelPairs(const std::uint8_t* row, std::size_t width, std::uint16_t* pairs) {
  std::size_t t = 0;
#if defined(QM_AREA_ROWS_SSE2)
  if (UseSse2())
    t = SumPixelPairsSse2(row, width, pairs);
#endif
  for (; t < width; ++t) {
    for (std::size_t c = 0; c < 3; ++c)
      pairs[4 * t + c] = static_cast<std::uint16_t>(row[6 * t + c] + row[6 * t + 3 + c]);
  }
}

void QuarterOfPairsAndRow(const std::uint16_t* pairs, const std::uint8_t* row, std::size_t width,
                          std::uint8_t* out) {
  std::size_t t = 0;
#if defined(QM_AREA_ROWS_SSE2)
  if (UseSse2())
    t = QuarterOfPairsAndRowSse2(pairs, row, width, out);
#endif
  for (; t < width; ++t) {
    for (std::size_t c = 0; c < 3; ++c) {
      const int sum = pairs[4 * t + c] + row[6 * t + c] + row[6 * t + 3 + c];
      out[3 * t + c] = static_cast<std::uint8_t>(sum >> 2);
    }
  }
}
