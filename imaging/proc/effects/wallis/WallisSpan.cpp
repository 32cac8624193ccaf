#include "imaging/proc/effects/wallis/WallisSpan.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/proc/effects/wallis/HslLightness.h"
#include "platform/VectorLoop.h"

// The filter is written once over lanes of doubles, one, two or four pixels a step by the
// vector path, and every lane takes the same IEEE operations in the same order, so every path
// gives the same bytes. Branches of the HSL model become selections between values that are
// all computed. A batch goes through three short passes (window statistics, the new lightness,
// the colour), so that the processor overlaps the long divisions and square roots of
// neighbouring steps; in one long step they would wait for each other.

namespace {

template <std::size_t kLanes>
using Reals = Lanes<double, kLanes>;

// The window's mean and the divisor of the lightness stretch, Gain x deviation +
// TargetDeviation + 0.00001, with the deviation sqrt(squares / N - mean^2 + 1) capped at
// DeviationLimit. A plain loop: the compiler makes it vector code where it can.
QM_ROW_LOOP void Statistics(const WallisKernelConstants& k, double windowCount,
                            const double* windowSums, const double* windowSquares,
                            std::size_t count, WallisSpanFilter::Scratch& scratch) {
  for (std::size_t i = 0; i < count; ++i) {
    const double mean = windowSums[i] / windowCount;
    double deviation = std::sqrt(windowSquares[i] / windowCount - mean * mean + 1.0);
    deviation = deviation > k.DeviationLimit ? k.DeviationLimit : deviation;
    scratch.Mean[i] = mean;
    scratch.Divisor[i] = k.Gain * deviation + k.TargetDeviation + 0.00001;
  }
}

template <std::size_t kLanes>
QM_ROW_LOOP Reals<kLanes> Clamped(const Reals<kLanes>& value, double low, double high) {
  return value < low ? low : value > high ? high : value;
}

// Pixels i.. of the batch in HSL, their lightness replaced by the new one.
template <std::size_t kLanes>
QM_ROW_LOOP void Targets(const WallisKernelConstants& k, const std::uint8_t* pixels, std::size_t i,
                         WallisSpanFilter::Scratch& scratch) {
  using R = Reals<kLanes>;
  const auto& unit = UnitChannelTable();
  R b, g, r;
  for (std::size_t lane = 0; lane < kLanes; ++lane) {
    const std::uint8_t* p = pixels + 3 * (i + lane);
    b[lane] = unit[p[0]];
    g[lane] = unit[p[1]];
    r[lane] = unit[p[2]];
  }
  const R highRG = r > g ? r : g;
  const R lowRG = r > g ? g : r;
  const R high = b > highRG ? b : highRG;
  const R low = b < lowRG ? b : lowRG;
  const R lightness = (high + low) / 2.0;
  const auto gray = high == low;
  // A gray pixel's saturation and hue are 0; its divisions only get a harmless divisor.
  const R delta = gray ? R{} + 1.0 : high - low;
  const R saturation = gray ? R{} : delta / (lightness < 0.5 ? high + low : 2.0 - high - low);
  const auto redMax = r == high;
  const auto greenMax = g == high;
  // Adding 0.0 for red leaves the quotient as it is.
  const R sectorStart = redMax ? R{} : greenMax ? R{} + 2.0 : R{} + 4.0;
  const R sectorOffset = redMax ? g - b : greenMax ? b - r : r - g;
  const R sixths = (sectorStart + sectorOffset / delta) / 6.0;
  const R hue = gray ? R{} : sixths < 0.0 ? sixths + 1.0 : sixths;

  R mean, divisor;
  std::memcpy(&mean, scratch.Mean + i, sizeof mean);
  std::memcpy(&divisor, scratch.Divisor + i, sizeof divisor);
  const R target = (lightness - mean) * k.GainTimesDeviation / divisor + k.OneMinusWeight * mean +
                   k.WeightTimesMean;
  const R clamped = Clamped<kLanes>(target, 0.0, 1.0);
  std::memcpy(scratch.Hue + i, &hue, sizeof hue);
  std::memcpy(scratch.Saturation + i, &saturation, sizeof saturation);
  std::memcpy(scratch.Lightness + i, &clamped, sizeof clamped);
}

// One channel from its hue position t in 0..1; q - p and (q - p) x 6 are the same for the
// three channels and come in worked out.
template <std::size_t kLanes>
QM_ROW_LOOP Reals<kLanes> HueToChannel(const Reals<kLanes>& p, const Reals<kLanes>& q,
                                       const Reals<kLanes>& span, const Reals<kLanes>& spanTimesSix,
                                       const Reals<kLanes>& t) {
  const Reals<kLanes> rising = p + spanTimesSix * t;
  const Reals<kLanes> falling = p + span * (2.0 / 3.0 - t) * 6.0;
  return t < 1.0 / 6.0 ? rising : t < 0.5 ? q : t < 2.0 / 3.0 ? falling : p;
}

// The channel's level rounded half to even (adding 1.5 x 2^52 leaves no fraction bits, so the
// default rounding mode rounds) and clamped to 0..255.
template <std::size_t kLanes>
QM_ROW_LOOP Reals<kLanes> ChannelLevel(const Reals<kLanes>& value) {
  constexpr double kShift = 6755399441055744.0;
  return Clamped<kLanes>((value * 255.0 + kShift) - kShift, 0.0, 255.0);
}

// HSL back to RGB for pixels i.. of the batch. With saturation 0, q = p = lightness: every
// channel is the lightness.
template <std::size_t kLanes>
QM_ROW_LOOP void Colours(const WallisKernelConstants& k, std::uint8_t* pixels, std::size_t i,
                         const WallisSpanFilter::Scratch& scratch) {
  using R = Reals<kLanes>;
  R hue, saturation, lightness;
  std::memcpy(&hue, scratch.Hue + i, sizeof hue);
  std::memcpy(&saturation, scratch.Saturation + i, sizeof saturation);
  std::memcpy(&lightness, scratch.Lightness + i, sizeof lightness);
  const auto dark = lightness <= 0.5;
  R red, green, blue;
  if (k.Threshold) {
    red = green = blue = dark ? R{} : R{} + 255.0;
  } else {
    const R q =
        dark ? lightness * (1.0 + saturation) : lightness + saturation - lightness * saturation;
    const R p = 2.0 * lightness - q;
    const R span = q - p;
    const R spanTimesSix = span * 6.0;
    // The hue is in 0..1, so red's position can only pass 1, blue's only fall below 0, and
    // green's needs no correction: the checks left out could never change anything.
    const R redAt = hue + 1.0 / 3.0;
    const R blueAt = hue - 1.0 / 3.0;
    red = ChannelLevel<kLanes>(
        HueToChannel<kLanes>(p, q, span, spanTimesSix, redAt > 1.0 ? redAt - 1.0 : redAt));
    green = ChannelLevel<kLanes>(HueToChannel<kLanes>(p, q, span, spanTimesSix, hue));
    blue = ChannelLevel<kLanes>(
        HueToChannel<kLanes>(p, q, span, spanTimesSix, blueAt < 0.0 ? blueAt + 1.0 : blueAt));
  }
  // The levels are whole numbers in 0..255.
  const auto redLevels = __builtin_convertvector(red, Lanes<std::int32_t, kLanes>);
  const auto greenLevels = __builtin_convertvector(green, Lanes<std::int32_t, kLanes>);
  const auto blueLevels = __builtin_convertvector(blue, Lanes<std::int32_t, kLanes>);
  for (std::size_t lane = 0; lane < kLanes; ++lane) {
    std::uint8_t* out = pixels + 3 * (i + lane);
    out[0] = static_cast<std::uint8_t>(blueLevels[lane]);
    out[1] = static_cast<std::uint8_t>(greenLevels[lane]);
    out[2] = static_cast<std::uint8_t>(redLevels[lane]);
  }
}

struct FilterBatch {
  template <VectorPath kPath>
  static QM_ROW_LOOP void Run(WallisKernelConstants k, double windowCount, std::uint8_t* pixels,
                              const double* windowSums, const double* windowSquares,
                              std::size_t count, WallisSpanFilter::Scratch* scratch) {
    constexpr std::size_t kLanes = LanesOf<double>(kPath);
    const std::size_t whole = count / kLanes * kLanes;
    Statistics(k, windowCount, windowSums, windowSquares, count, *scratch);
    for (std::size_t i = 0; i < whole; i += kLanes)
      Targets<kLanes>(k, pixels, i, *scratch);
    for (std::size_t i = whole; i < count; ++i)
      Targets<1>(k, pixels, i, *scratch);
    for (std::size_t i = 0; i < whole; i += kLanes)
      Colours<kLanes>(k, pixels, i, *scratch);
    for (std::size_t i = whole; i < count; ++i)
      Colours<1>(k, pixels, i, *scratch);
  }
};

}  // namespace

WallisSpanFilter::WallisSpanFilter(const WallisArguments& a, int windowWidth, int windowHeight)
    : count_(static_cast<double>(windowWidth) * static_cast<double>(windowHeight)),
      scratch_(std::make_unique<Scratch>()) {
  kernel_.TargetDeviation = a.TargetDeviation * 3.0 / 100;
  kernel_.Gain = a.Gain * 100.0 / 100;
  kernel_.DeviationLimit = a.DeviationLimit * 6.0 / 100;
  kernel_.GainTimesDeviation = kernel_.Gain * kernel_.TargetDeviation;
  kernel_.WeightTimesMean = a.MeanWeight * 1.0 / 100 * (a.TargetMean * 1.0 / 100);
  kernel_.OneMinusWeight = 1.0 - a.MeanWeight * 1.0 / 100;
  kernel_.Threshold = a.Threshold;
}

void WallisSpanFilter::FilterSpan(std::uint8_t* pixels, const double* windowSums,
                                  const double* windowSquares, std::size_t count) {
  for (std::size_t done = 0; done < count; done += kBatch) {
    RunOnActivePath<FilterBatch>(kernel_, count_, pixels + 3 * done, windowSums + done,
                                 windowSquares + done, std::min(kBatch, count - done),
                                 scratch_.get());
  }
}
