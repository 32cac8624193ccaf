#include "imaging/proc/effects/wallis/WallisLightnessRows.h"

#include "imaging/proc/effects/wallis/HslLightness.h"
#include "platform/VectorPath.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define QM_WALLIS_LIGHTNESS_AVX2 1
#endif

namespace {

#if defined(QM_WALLIS_LIGHTNESS_AVX2)
// Four pixels at a time: the brightest and darkest channel as bytes, their fractions from the
// same table, and half their sum (halving is exact, as the division by 2 is). Stops where a
// 16-byte load would reach past the row; returns the pixels done.
__attribute__((target("avx2"))) int QuadLightness(const std::uint8_t* pixels, int width,
                                                  double* lightness) {
  const double* unit = UnitChannelTable().data();
  const __m128i blues = _mm_setr_epi8(0, 3, 6, 9, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i greens = _mm_setr_epi8(1, 4, 7, 10, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i reds = _mm_setr_epi8(2, 5, 8, 11, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m256d half = _mm256_set1_pd(0.5);
  // Gathers with every lane selected; the explicit form keeps the compiler from flagging the
  // unselected lanes' source as unset.
  const __m256d none = _mm256_setzero_pd();
  const __m256d every = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
  int x = 0;
  for (; 3 * x + 16 <= 3 * width; x += 4) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 3 * x));
    const __m128i b = _mm_shuffle_epi8(bytes, blues);
    const __m128i g = _mm_shuffle_epi8(bytes, greens);
    const __m128i r = _mm_shuffle_epi8(bytes, reds);
    const __m128i high = _mm_cvtepu8_epi32(_mm_max_epu8(_mm_max_epu8(b, g), r));
    const __m128i low = _mm_cvtepu8_epi32(_mm_min_epu8(_mm_min_epu8(b, g), r));
    const __m256d sum = _mm256_add_pd(_mm256_mask_i32gather_pd(none, unit, high, every, 8),
                                      _mm256_mask_i32gather_pd(none, unit, low, every, 8));
    _mm256_storeu_pd(lightness + x, _mm256_mul_pd(sum, half));
  }
  return x;
}

#endif

}  // namespace

void WallisLightnessOfRow(const std::uint8_t* pixels, int width, double* lightness) {
  int x = 0;
#if defined(QM_WALLIS_LIGHTNESS_AVX2)
  if (UsesVectorPath(VectorPath::Avx2))
    x = QuadLightness(pixels, width, lightness);
#endif
  for (; x < width; ++x) {
    const std::uint8_t* p = pixels + 3 * x;
    lightness[x] = HslLightnessOf(p[2], p[1], p[0]);
  }
}
