#include "imaging/proc/effects/wallis/WallisSpan.h"

#include <algorithm>
#include <cmath>

#include "imaging/proc/effects/wallis/HslLightness.h"
#include "imaging/proc/effects/wallis/WallisSpanWide.h"
#include "platform/VectorPath.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// std::sqrt must keep errno semantics, which stops the compiler from using the vector square
// root; the vector instruction gives the same correctly rounded results.
void SquareRoots(double* values, std::size_t count) {
  std::size_t i = 0;
#if defined(__SSE2__)
  if (UsesVectorPath(VectorPath::Sse2)) {
    for (; i + 2 <= count; i += 2)
      _mm_store_pd(values + i, _mm_sqrt_pd(_mm_load_pd(values + i)));
  }
#endif
  for (; i < count; ++i)
    values[i] = std::sqrt(values[i]);
}

#if defined(__SSE2__)
// Two pixels at a time. Each step is the same IEEE operation, in the same order, as the scalar
// code of HslLightness.h and FilterPixel below, so both give identical bytes; branches become
// selections between values that are all computed.
inline __m128d Select(__m128d mask, __m128d ifTrue, __m128d ifFalse) {
  return _mm_or_pd(_mm_and_pd(mask, ifTrue), _mm_andnot_pd(mask, ifFalse));
}

inline __m128d HueToChannelPair(__m128d p, __m128d q, __m128d t) {
  const __m128d zero = _mm_setzero_pd();
  const __m128d one = _mm_set1_pd(1.0);
  t = Select(_mm_cmplt_pd(t, zero), _mm_add_pd(t, one), t);
  t = Select(_mm_cmpgt_pd(t, one), _mm_sub_pd(t, one), t);
  const __m128d span = _mm_sub_pd(q, p);
  const __m128d rising = _mm_add_pd(p, _mm_mul_pd(_mm_mul_pd(span, _mm_set1_pd(6.0)), t));
  const __m128d falling = _mm_add_pd(
      p, _mm_mul_pd(_mm_mul_pd(span, _mm_sub_pd(_mm_set1_pd(2.0 / 3.0), t)), _mm_set1_pd(6.0)));
  const __m128d upper = Select(_mm_cmplt_pd(t, _mm_set1_pd(2.0 / 3.0)), falling, p);
  const __m128d middle = Select(_mm_cmplt_pd(t, _mm_set1_pd(0.5)), q, upper);
  return Select(_mm_cmplt_pd(t, _mm_set1_pd(1.0 / 6.0)), rising, middle);
}

inline __m128d ChannelLevelPair(__m128d value) {
  const __m128d shift = _mm_set1_pd(6755399441055744.0);
  const __m128d level = _mm_sub_pd(_mm_add_pd(_mm_mul_pd(value, _mm_set1_pd(255.0)), shift), shift);
  const __m128d top = _mm_set1_pd(255.0);
  const __m128d zero = _mm_setzero_pd();
  return Select(_mm_cmplt_pd(level, zero), zero, Select(_mm_cmpgt_pd(level, top), top, level));
}

// Two pixels per step from `start` on; returns where it stopped.
std::size_t FilterPairs(const WallisKernelConstants& k, std::uint8_t* pixels, const double* means,
                        const double* deviations, std::size_t start, std::size_t count) {
  const auto& unit = UnitChannelTable();
  const __m128d zero = _mm_setzero_pd();
  const __m128d one = _mm_set1_pd(1.0);
  const __m128d half = _mm_set1_pd(0.5);
  const __m128d two = _mm_set1_pd(2.0);
  std::size_t i = start;
  for (; i + 2 <= count; i += 2) {
    const std::uint8_t* p0 = pixels + 3 * i;
    const __m128d b = _mm_set_pd(unit[p0[3]], unit[p0[0]]);
    const __m128d g = _mm_set_pd(unit[p0[4]], unit[p0[1]]);
    const __m128d r = _mm_set_pd(unit[p0[5]], unit[p0[2]]);

    // RGB to HSL.
    const __m128d redOverGreen = _mm_cmpgt_pd(r, g);
    const __m128d highRG = Select(redOverGreen, r, g);
    const __m128d lowRG = Select(redOverGreen, g, r);
    const __m128d high = Select(_mm_cmpgt_pd(b, highRG), b, highRG);
    const __m128d low = Select(_mm_cmplt_pd(b, lowRG), b, lowRG);
    const __m128d sum = _mm_add_pd(high, low);
    const __m128d lightness = _mm_mul_pd(sum, half);  // exactly sum / 2
    const __m128d gray = _mm_cmpeq_pd(high, low);
    // A gray pixel's saturation and hue are 0; its divisions only get a harmless divisor.
    const __m128d delta = _mm_add_pd(_mm_sub_pd(high, low), _mm_and_pd(gray, one));
    const __m128d saturationDivisor =
        Select(_mm_cmplt_pd(lightness, half), sum, _mm_sub_pd(_mm_sub_pd(two, high), low));
    const __m128d saturation = _mm_andnot_pd(gray, _mm_div_pd(delta, saturationDivisor));
    const __m128d redMax = _mm_cmpeq_pd(r, high);
    const __m128d greenMax = _mm_cmpeq_pd(g, high);
    // Adding 0.0 for red leaves the quotient as it is.
    const __m128d sectorStart = Select(redMax, zero, Select(greenMax, two, _mm_set1_pd(4.0)));
    const __m128d sectorOffset =
        Select(redMax, _mm_sub_pd(g, b), Select(greenMax, _mm_sub_pd(b, r), _mm_sub_pd(r, g)));
    const __m128d sixths =
        _mm_div_pd(_mm_add_pd(sectorStart, _mm_div_pd(sectorOffset, delta)), _mm_set1_pd(6.0));
    const __m128d hue =
        _mm_andnot_pd(gray, Select(_mm_cmplt_pd(sixths, zero), _mm_add_pd(sixths, one), sixths));

    // The new lightness from the window's statistics.
    const __m128d mean = _mm_loadu_pd(means + i);
    __m128d deviation = _mm_loadu_pd(deviations + i);
    const __m128d limit = _mm_set1_pd(k.DeviationLimit);
    deviation = Select(_mm_cmpgt_pd(deviation, limit), limit, deviation);
    const __m128d divisor = _mm_add_pd(
        _mm_add_pd(_mm_mul_pd(_mm_set1_pd(k.Gain), deviation), _mm_set1_pd(k.TargetDeviation)),
        _mm_set1_pd(0.00001));
    __m128d target = _mm_add_pd(_mm_add_pd(_mm_div_pd(_mm_mul_pd(_mm_sub_pd(lightness, mean),
                                                                 _mm_set1_pd(k.GainTimesDeviation)),
                                                      divisor),
                                           _mm_mul_pd(_mm_set1_pd(k.OneMinusWeight), mean)),
                                _mm_set1_pd(k.WeightTimesMean));
    target =
        Select(_mm_cmplt_pd(target, zero), zero, Select(_mm_cmpgt_pd(target, one), one, target));

    // HSL back to RGB. With saturation 0, q = p = target: every channel is the lightness.
    const __m128d targetDark = _mm_cmple_pd(target, half);
    __m128d red, green, blue;
    if (k.Threshold) {
      red = green = blue = _mm_andnot_pd(targetDark, _mm_set1_pd(255.0));
    } else {
      const __m128d qDark = _mm_mul_pd(target, _mm_add_pd(one, saturation));
      const __m128d qLight =
          _mm_sub_pd(_mm_add_pd(target, saturation), _mm_mul_pd(target, saturation));
      const __m128d q = Select(targetDark, qDark, qLight);
      const __m128d p = _mm_sub_pd(_mm_mul_pd(two, target), q);
      const __m128d third = _mm_set1_pd(1.0 / 3.0);
      red = ChannelLevelPair(HueToChannelPair(p, q, _mm_add_pd(hue, third)));
      green = ChannelLevelPair(HueToChannelPair(p, q, hue));
      blue = ChannelLevelPair(HueToChannelPair(p, q, _mm_sub_pd(hue, third)));
    }
    const __m128i redBytes = _mm_cvttpd_epi32(red);
    const __m128i greenBytes = _mm_cvttpd_epi32(green);
    const __m128i blueBytes = _mm_cvttpd_epi32(blue);
    std::uint8_t* out = pixels + 3 * i;
    out[0] = static_cast<std::uint8_t>(_mm_cvtsi128_si32(blueBytes));
    out[1] = static_cast<std::uint8_t>(_mm_cvtsi128_si32(greenBytes));
    out[2] = static_cast<std::uint8_t>(_mm_cvtsi128_si32(redBytes));
    out[3] = static_cast<std::uint8_t>(_mm_cvtsi128_si32(_mm_srli_si128(blueBytes, 4)));
    out[4] = static_cast<std::uint8_t>(_mm_cvtsi128_si32(_mm_srli_si128(greenBytes, 4)));
    out[5] = static_cast<std::uint8_t>(_mm_cvtsi128_si32(_mm_srli_si128(redBytes, 4)));
  }
  return i;
}
#endif

}  // namespace

WallisSpanFilter::WallisSpanFilter(const WallisArguments& a, int windowWidth, int windowHeight)
    : count_(static_cast<double>(windowWidth) * static_cast<double>(windowHeight)) {
  kernel_.TargetDeviation = a.TargetDeviation * 3.0 / 100;
  kernel_.Gain = a.Gain * 100.0 / 100;
  kernel_.DeviationLimit = a.DeviationLimit * 6.0 / 100;
  kernel_.GainTimesDeviation = kernel_.Gain * kernel_.TargetDeviation;
  kernel_.WeightTimesMean = a.MeanWeight * 1.0 / 100 * (a.TargetMean * 1.0 / 100);
  kernel_.OneMinusWeight = 1.0 - a.MeanWeight * 1.0 / 100;
  kernel_.Threshold = a.Threshold;
  if (UsesVectorPath(VectorPath::Avx2))
    wide_ = std::make_unique<WallisWideScratch>();
}

WallisSpanFilter::WallisSpanFilter(WallisSpanFilter&&) noexcept = default;
WallisSpanFilter::~WallisSpanFilter() = default;

void WallisSpanFilter::FilterSpan(std::uint8_t* pixels, const double* windowSums,
                                  const double* windowSquares, std::size_t count) {
  for (std::size_t done = 0; done < count; done += kBatch) {
    FilterBatch(pixels + 3 * done, windowSums + done, windowSquares + done,
                std::min(kBatch, count - done));
  }
}

double WallisSpanFilter::TargetLightness(double lightness, double mean, double deviation) const {
  if (deviation > kernel_.DeviationLimit)
    deviation = kernel_.DeviationLimit;
  const double target = (lightness - mean) * kernel_.GainTimesDeviation /
                            (kernel_.Gain * deviation + kernel_.TargetDeviation + 0.00001) +
                        kernel_.OneMinusWeight * mean + kernel_.WeightTimesMean;
  return std::clamp(target, 0.0, 1.0);
}

void WallisSpanFilter::FilterPixel(std::size_t i, std::uint8_t* bgr) const {
  HslColor hsl = RgbToHsl(bgr[2], bgr[1], bgr[0]);
  hsl.Lightness = TargetLightness(hsl.Lightness, mean_[i], deviation_[i]);
  if (kernel_.Threshold) {
    bgr[0] = bgr[1] = bgr[2] = hsl.Lightness > 0.5 ? 255 : 0;
    return;
  }
  HslToBgr(hsl, bgr);
}

void WallisSpanFilter::FilterBatch(std::uint8_t* pixels, const double* windowSums,
                                   const double* windowSquares, std::size_t count) {
  std::size_t i = 0;
  if (UsesVectorPath(VectorPath::Avx2))
    i = FilterWallisQuads(kernel_, count_, pixels, windowSums, windowSquares, count, *wide_);
  for (std::size_t n = i; n < count; ++n) {
    const double mean = windowSums[n] / count_;
    mean_[n] = mean;
    deviation_[n] = windowSquares[n] / count_ - mean * mean + 1.0;
  }
  SquareRoots(deviation_ + i, count - i);
#if defined(__SSE2__)
  if (UsesVectorPath(VectorPath::Sse2))
    i = FilterPairs(kernel_, pixels, mean_, deviation_, i, count);
#endif
  for (; i < count; ++i)
    FilterPixel(i, pixels + 3 * i);
}
