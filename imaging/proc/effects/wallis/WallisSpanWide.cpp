#include "imaging/proc/effects/wallis/WallisSpanWide.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include <immintrin.h>

#include <cstring>

#include "imaging/proc/effects/wallis/HslLightness.h"

// Four pixels at a time in three passes over the batch: window statistics, the new lightness,
// the colour. Each pass is short, so the processor overlaps the long divisions and square roots
// of neighbouring steps; in one long step they would wait for each other.

namespace {

__attribute__((target("avx2"))) inline __m256d SelectWide(__m256d mask, __m256d ifTrue,
                                                          __m256d ifFalse) {
  return _mm256_blendv_pd(ifFalse, ifTrue, mask);
}

// One channel from its hue position t, already brought into 0..1 by the caller. q - p and
// (q - p) x 6 are the same for the three channels and come in worked out.
__attribute__((target("avx2"))) inline __m256d HueToChannelQuad(__m256d p, __m256d q, __m256d span,
                                                                __m256d spanTimesSix, __m256d t) {
  const __m256d rising = _mm256_add_pd(p, _mm256_mul_pd(spanTimesSix, t));
  const __m256d falling = _mm256_add_pd(
      p, _mm256_mul_pd(_mm256_mul_pd(span, _mm256_sub_pd(_mm256_set1_pd(2.0 / 3.0), t)),
                       _mm256_set1_pd(6.0)));
  const __m256d upper =
      SelectWide(_mm256_cmp_pd(t, _mm256_set1_pd(2.0 / 3.0), _CMP_LT_OQ), falling, p);
  const __m256d middle = SelectWide(_mm256_cmp_pd(t, _mm256_set1_pd(0.5), _CMP_LT_OQ), q, upper);
  return SelectWide(_mm256_cmp_pd(t, _mm256_set1_pd(1.0 / 6.0), _CMP_LT_OQ), rising, middle);
}

__attribute__((target("avx2"))) inline __m256d ChannelLevelQuad(__m256d value) {
  const __m256d shift = _mm256_set1_pd(6755399441055744.0);
  const __m256d level =
      _mm256_sub_pd(_mm256_add_pd(_mm256_mul_pd(value, _mm256_set1_pd(255.0)), shift), shift);
  const __m256d top = _mm256_set1_pd(255.0);
  const __m256d zero = _mm256_setzero_pd();
  // The same as the comparisons (no value is NaN; on equal values the maximum returns its
  // second operand, so a zero keeps its sign).
  return _mm256_max_pd(zero, _mm256_min_pd(level, top));
}
// Window mean and the divisor of the lightness stretch, Gain x deviation + TargetDeviation +
// 0.00001, with the deviation sqrt(squares / N - mean^2 + 1) capped at DeviationLimit.
__attribute__((target("avx2"))) void QuadStatistics(const WallisKernelConstants& k,
                                                    double windowCount, const double* windowSums,
                                                    const double* windowSquares, std::size_t count,
                                                    WallisWideScratch& scratch) {
  const __m256d pixelsInWindow = _mm256_set1_pd(windowCount);
  const __m256d one = _mm256_set1_pd(1.0);
  const __m256d limit = _mm256_set1_pd(k.DeviationLimit);
  for (std::size_t i = 0; i < count; i += 4) {
    const __m256d mean = _mm256_div_pd(_mm256_loadu_pd(windowSums + i), pixelsInWindow);
    __m256d deviation = _mm256_sqrt_pd(_mm256_add_pd(
        _mm256_sub_pd(_mm256_div_pd(_mm256_loadu_pd(windowSquares + i), pixelsInWindow),
                      _mm256_mul_pd(mean, mean)),
        one));
    deviation = SelectWide(_mm256_cmp_pd(deviation, limit, _CMP_GT_OQ), limit, deviation);
    const __m256d divisor =
        _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(_mm256_set1_pd(k.Gain), deviation),
                                    _mm256_set1_pd(k.TargetDeviation)),
                      _mm256_set1_pd(0.00001));
    _mm256_store_pd(scratch.Mean + i, mean);
    _mm256_store_pd(scratch.Divisor + i, divisor);
  }
}

// Each pixel in HSL, with its lightness replaced by the new one.
__attribute__((target("avx2"))) void QuadTargets(const WallisKernelConstants& k,
                                                 const std::uint8_t* pixels, std::size_t count,
                                                 WallisWideScratch& scratch) {
  const auto& unit = UnitChannelTable();
  const __m256d zero = _mm256_setzero_pd();
  const __m256d one = _mm256_set1_pd(1.0);
  const __m256d half = _mm256_set1_pd(0.5);
  const __m256d two = _mm256_set1_pd(2.0);
  for (std::size_t i = 0; i < count; i += 4) {
    const std::uint8_t* p0 = pixels + 3 * i;
    const __m256d b = _mm256_set_pd(unit[p0[9]], unit[p0[6]], unit[p0[3]], unit[p0[0]]);
    const __m256d g = _mm256_set_pd(unit[p0[10]], unit[p0[7]], unit[p0[4]], unit[p0[1]]);
    const __m256d r = _mm256_set_pd(unit[p0[11]], unit[p0[8]], unit[p0[5]], unit[p0[2]]);

    const __m256d redOverGreen = _mm256_cmp_pd(r, g, _CMP_GT_OQ);
    const __m256d highRG = SelectWide(redOverGreen, r, g);
    const __m256d lowRG = SelectWide(redOverGreen, g, r);
    const __m256d high = SelectWide(_mm256_cmp_pd(b, highRG, _CMP_GT_OQ), b, highRG);
    const __m256d low = SelectWide(_mm256_cmp_pd(b, lowRG, _CMP_LT_OQ), b, lowRG);
    const __m256d sum = _mm256_add_pd(high, low);
    const __m256d lightness = _mm256_mul_pd(sum, half);  // exactly sum / 2
    const __m256d gray = _mm256_cmp_pd(high, low, _CMP_EQ_OQ);
    // A gray pixel's saturation and hue are 0; its divisions only get a harmless divisor.
    const __m256d delta = _mm256_add_pd(_mm256_sub_pd(high, low), _mm256_and_pd(gray, one));
    const __m256d saturationDivisor = SelectWide(_mm256_cmp_pd(lightness, half, _CMP_LT_OQ), sum,
                                                 _mm256_sub_pd(_mm256_sub_pd(two, high), low));
    const __m256d saturation = _mm256_andnot_pd(gray, _mm256_div_pd(delta, saturationDivisor));
    const __m256d redMax = _mm256_cmp_pd(r, high, _CMP_EQ_OQ);
    const __m256d greenMax = _mm256_cmp_pd(g, high, _CMP_EQ_OQ);
    // Adding 0.0 for red leaves the quotient as it is.
    const __m256d sectorStart =
        SelectWide(redMax, zero, SelectWide(greenMax, two, _mm256_set1_pd(4.0)));
    const __m256d sectorOffset =
        SelectWide(redMax, _mm256_sub_pd(g, b),
                   SelectWide(greenMax, _mm256_sub_pd(b, r), _mm256_sub_pd(r, g)));
    const __m256d sixths = _mm256_div_pd(
        _mm256_add_pd(sectorStart, _mm256_div_pd(sectorOffset, delta)), _mm256_set1_pd(6.0));
    const __m256d hue = _mm256_andnot_pd(gray, SelectWide(_mm256_cmp_pd(sixths, zero, _CMP_LT_OQ),
                                                          _mm256_add_pd(sixths, one), sixths));

    const __m256d mean = _mm256_load_pd(scratch.Mean + i);
    __m256d target = _mm256_add_pd(
        _mm256_add_pd(_mm256_div_pd(_mm256_mul_pd(_mm256_sub_pd(lightness, mean),
                                                  _mm256_set1_pd(k.GainTimesDeviation)),
                                    _mm256_load_pd(scratch.Divisor + i)),
                      _mm256_mul_pd(_mm256_set1_pd(k.OneMinusWeight), mean)),
        _mm256_set1_pd(k.WeightTimesMean));
    target = _mm256_max_pd(zero, _mm256_min_pd(target, one));
    _mm256_store_pd(scratch.Hue + i, hue);
    _mm256_store_pd(scratch.Saturation + i, saturation);
    _mm256_store_pd(scratch.Lightness + i, target);
  }
}

// HSL back to RGB. With saturation 0, q = p = lightness: every channel is the lightness.
__attribute__((target("avx2"))) void QuadColours(const WallisKernelConstants& k,
                                                 std::uint8_t* pixels, std::size_t count,
                                                 const WallisWideScratch& scratch) {
  const __m256d one = _mm256_set1_pd(1.0);
  const __m256d half = _mm256_set1_pd(0.5);
  const __m256d two = _mm256_set1_pd(2.0);
  const __m128i interleave = _mm_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1);
  for (std::size_t i = 0; i < count; i += 4) {
    const __m256d hue = _mm256_load_pd(scratch.Hue + i);
    const __m256d saturation = _mm256_load_pd(scratch.Saturation + i);
    const __m256d target = _mm256_load_pd(scratch.Lightness + i);
    const __m256d targetDark = _mm256_cmp_pd(target, half, _CMP_LE_OQ);
    __m256d red, green, blue;
    if (k.Threshold) {
      red = green = blue = _mm256_andnot_pd(targetDark, _mm256_set1_pd(255.0));
    } else {
      const __m256d qDark = _mm256_mul_pd(target, _mm256_add_pd(one, saturation));
      const __m256d qLight =
          _mm256_sub_pd(_mm256_add_pd(target, saturation), _mm256_mul_pd(target, saturation));
      const __m256d q = SelectWide(targetDark, qDark, qLight);
      const __m256d p = _mm256_sub_pd(_mm256_mul_pd(two, target), q);
      const __m256d span = _mm256_sub_pd(q, p);
      const __m256d spanTimesSix = _mm256_mul_pd(span, _mm256_set1_pd(6.0));
      // The hue is in 0..1, so red's position can only pass 1, blue's only fall below 0, and
      // green's needs no correction: the checks left out could never change anything.
      const __m256d third = _mm256_set1_pd(1.0 / 3.0);
      __m256d redAt = _mm256_add_pd(hue, third);
      redAt = SelectWide(_mm256_cmp_pd(redAt, one, _CMP_GT_OQ), _mm256_sub_pd(redAt, one), redAt);
      __m256d blueAt = _mm256_sub_pd(hue, third);
      blueAt = SelectWide(_mm256_cmp_pd(blueAt, _mm256_setzero_pd(), _CMP_LT_OQ),
                          _mm256_add_pd(blueAt, one), blueAt);
      red = ChannelLevelQuad(HueToChannelQuad(p, q, span, spanTimesSix, redAt));
      green = ChannelLevelQuad(HueToChannelQuad(p, q, span, spanTimesSix, hue));
      blue = ChannelLevelQuad(HueToChannelQuad(p, q, span, spanTimesSix, blueAt));
    }
    // The levels are whole numbers in 0..255, so packing them keeps them; the shuffle
    // interleaves the four blues, greens and reds into pixels.
    const __m128i blueGreen =
        _mm_packus_epi32(_mm256_cvttpd_epi32(blue), _mm256_cvttpd_epi32(green));
    const __m128i redLevels = _mm256_cvttpd_epi32(red);
    const __m128i planes = _mm_packus_epi16(blueGreen, _mm_packus_epi32(redLevels, redLevels));
    const __m128i interleaved = _mm_shuffle_epi8(planes, interleave);
    std::uint8_t* out = pixels + 3 * i;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), interleaved);
    const std::uint32_t lastFour = static_cast<std::uint32_t>(_mm_extract_epi32(interleaved, 2));
    std::memcpy(out + 8, &lastFour, sizeof lastFour);
  }
}

}  // namespace

std::size_t FilterWallisQuads(const WallisKernelConstants& kernel, double windowCount,
                              std::uint8_t* pixels, const double* windowSums,
                              const double* windowSquares, std::size_t count,
                              WallisWideScratch& scratch) {
  const std::size_t quads = count / 4 * 4;
  QuadStatistics(kernel, windowCount, windowSums, windowSquares, quads, scratch);
  QuadTargets(kernel, pixels, quads, scratch);
  QuadColours(kernel, pixels, quads, scratch);
  return quads;
}

#else

std::size_t FilterWallisQuads(const WallisKernelConstants&, double, std::uint8_t*, const double*,
                              const double*, std::size_t, WallisWideScratch&) {
  return 0;
}

#endif
